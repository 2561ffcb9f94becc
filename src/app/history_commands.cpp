#include "app/history_commands.h"

#include "game/games.h"
#include "snapshots/character_text.h"
#include "snapshots/snapshot_store.h"

#include <QCoreApplication>

#include <algorithm>

namespace quillmere::app {

namespace {

class HistoryText {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)
};

void print(std::FILE* out, const QStringList& fields) {
    std::fputs(fields.join(u'\t').toLocal8Bit().append('\n').constData(), out);
}

QString localIso(const QDateTime& time) {
    const QDateTime local = time.toLocalTime();
    return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

struct HistoryLine {
    QDateTime taken;
    QStringList fields;
};

// The lines of one game's history: every snapshot that can be rebuilt, and each damaged one.
void historyLines(const snapshots::GameHistory& history, QList<HistoryLine>& lines) {
    QString game;
    history.replay([&](const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList&) {
        QStringList characters;
        for (const snapshots::CharacterVersion& character : snapshots::charactersOf(state))
            characters << snapshots::describeCharacter(character);
        game = m.game.name;
        lines.append({m.taken,
                      {m.game.name, localIso(m.taken), m.id, QString::number(state.files().size()),
                       m.pinned ? HistoryText::tr("pinned") : HistoryText::tr("not pinned"),
                       characters.join(QStringLiteral("; "))}});
    });
    for (const snapshots::GameHistory::Entry& entry : history.entries()) {
        if (entry.manifest)
            continue;
        const QString id = entry.fileName.chopped(int(qstrlen(snapshots::kManifestSuffix)));
        lines.append({QDateTime::fromString(id.left(19), QStringLiteral("yyyyMMdd'T'HHmmss.zzz")),
                      {game, QStringLiteral("-"), id, QStringLiteral("-"), HistoryText::tr("damaged"), QString()}});
    }
}

} // namespace

int takeSnapshots(snapshots::SnapshotStore& store, const QList<games::Game>& games, const QString& reason,
                  std::FILE* out) {
    int status = 0;
    for (const games::Game& game : games) {
        games::useGame(game);
        const std::optional<snapshots::GameRef> ref = snapshots::gameRefInUse();
        QString result;
        if (!ref) {
            result = HistoryText::tr("failed: the game names no save folder");
        } else {
            const snapshots::SnapshotOutcome outcome = store.take(*ref, reason);
            for (const snapshots::Skipped& skipped : outcome.skipped)
                std::fputs(HistoryText::tr("%1: %2 was left out: %3\n")
                               .arg(game.name(), skipped.name, skipped.reason)
                               .toLocal8Bit()
                               .constData(),
                           stderr);
            switch (outcome.status) {
            case snapshots::SnapshotOutcome::Status::Taken:
                result = HistoryText::tr("kept %1 files").arg(outcome.files);
                break;
            case snapshots::SnapshotOutcome::Status::Unchanged:
                result = HistoryText::tr("unchanged");
                break;
            case snapshots::SnapshotOutcome::Status::Failed:
                result = HistoryText::tr("failed: %1").arg(outcome.failure);
                break;
            }
        }
        status = result.startsWith(QLatin1String("failed")) ? 1 : status;
        print(out, {game.name(), ref ? ref->saveFolder : game.saveFolder, result});
    }
    return status;
}

int printHistory(const snapshots::SnapshotStore& store, const QString& prefix, std::FILE* out) {
    QList<HistoryLine> lines;
    for (const snapshots::GameHistory& history : store.histories()) {
        const std::optional<snapshots::GameHistory::Latest> latest = history.latest();
        if (!prefix.isEmpty() && (!latest || latest->manifest.game.prefix != prefix))
            continue;
        historyLines(history, lines);
    }
    std::stable_sort(lines.begin(), lines.end(),
                     [](const HistoryLine& a, const HistoryLine& b) { return a.taken > b.taken; });
    for (const HistoryLine& line : lines)
        print(out, line.fields);
    return 0;
}

int verifyHistory(const snapshots::SnapshotStore& store, std::FILE* out) {
    const snapshots::VerifyOutcome outcome = store.verify();
    for (const QString& record : outcome.damagedRecords)
        print(out, {HistoryText::tr("damaged record"), record});
    for (const snapshots::DamagedContent& content : outcome.damaged)
        print(out, {content.missing ? HistoryText::tr("missing") : HistoryText::tr("damaged"),
                    QString::fromLatin1(content.sha256), content.files.join(QStringLiteral(", "))});
    const qsizetype bad = outcome.damaged.size() + outcome.damagedRecords.size();
    print(out, {HistoryText::tr("%1 contents checked, %2 damaged or missing").arg(outcome.contentsChecked).arg(bad)});
    return bad == 0 ? 0 : 1;
}

} // namespace quillmere::app
