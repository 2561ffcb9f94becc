#include "game/save_layout.h"

#include <QCoreApplication>
#include <QStringList>

namespace quillmere::game {

namespace {

// The state's words, translated under the reader's name.
class StateWords {
    Q_DECLARE_TR_FUNCTIONS(CharacterFile)

public:
    static QString of(quint8 status) {
        const bool hardcore = status & state::kHardcore;
        QStringList parts{hardcore ? tr("Hardcore") : tr("Softcore")};
        if (status & state::kExpansion)
            parts << tr("expansion");
        if (status & state::kLadder)
            parts << tr("ladder");
        QString text = parts.join(QStringLiteral(", "));
        // A softcore character that died plays on; a hardcore one is gone for good.
        if (status & state::kDied)
            text += hardcore ? tr(", died: this character can no longer be played") : tr(", has died");
        return text;
    }
};

constexpr SaveLayout kClassic{Layout::Classic, -1, 34, 36};
constexpr SaveLayout kExpansion109{Layout::Expansion109, 36, 40, 43};
constexpr SaveLayout kResurrected105{Layout::Resurrected105, 20, 24, 27};

} // namespace

SaveLayout saveLayoutFor(std::optional<quint32> version) {
    if (!version || *version < kFirstExpansionLayoutVersion)
        return kClassic;
    if (*version < kFirstResurrected105Version)
        return kExpansion109;
    return kResurrected105;
}

QString stateDescription(const CharacterSummary& summary) {
    return summary.status ? StateWords::of(*summary.status) : QString();
}

} // namespace quillmere::game
