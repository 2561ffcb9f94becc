#pragma once

#include "snapshots/save_state.h"

#include <QCoreApplication>

namespace quillmere::snapshots {

// "Hero (Sorceress level 85, hardcore, died)", or "Shared stash" for the stash entry.
QString describeCharacter(const CharacterVersion& character);
// "Sorceress level 85, hardcore": what a character's head says, without its name.
QString describeSummary(const game::CharacterSummary& summary);

class CharacterText {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
};

} // namespace quillmere::snapshots
