#include "snapshots/character_text.h"

#include "game/save_layout.h"

namespace quillmere::snapshots {

QString describeSummary(const game::CharacterSummary& summary) {
    QStringList parts;
    const std::optional<game::CharacterClass> cls = game::characterClass(summary);
    QString head = cls ? game::className(*cls) : QString();
    if (summary.level)
        head = (head.isEmpty() ? CharacterText::tr("level %1") : CharacterText::tr("%2 level %1"))
                   .arg(*summary.level)
                   .arg(head);
    if (!head.isEmpty())
        parts << head;
    if (summary.status) {
        if (*summary.status & game::state::kHardcore)
            parts << CharacterText::tr("hardcore");
        if (*summary.status & game::state::kDied)
            parts << CharacterText::tr("died");
    }
    return parts.join(QStringLiteral(", "));
}

QString describeCharacter(const CharacterVersion& character) {
    if (character.isStash())
        return CharacterText::tr("Shared stash");
    const QString summary = describeSummary(character.summary);
    return summary.isEmpty() ? character.name : QStringLiteral("%1 (%2)").arg(character.name, summary);
}

} // namespace quillmere::snapshots
