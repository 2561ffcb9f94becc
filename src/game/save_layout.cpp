#include "game/save_layout.h"

#include <QCoreApplication>
#include <QStringList>

namespace quillmere::game {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("quillmere::character", text);
}

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
    if (!summary.status)
        return {};
    const quint8 status = *summary.status;
    const bool hardcore = status & state::Hardcore;
    QStringList parts{hardcore ? tr("Hardcore") : tr("Softcore")};
    if (status & state::Expansion)
        parts << tr("expansion");
    if (status & state::Ladder)
        parts << tr("ladder");
    QString text = parts.join(QStringLiteral(", "));
    // A softcore character that died plays on; a hardcore one is gone for good.
    if (status & state::Died)
        text += hardcore ? tr(", died: this character can no longer be played") : tr(", has died");
    return text;
}

} // namespace quillmere::game
