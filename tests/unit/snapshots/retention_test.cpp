#include "d2s_fixtures.h"
#include "snapshots/retention.h"
#include "store_fixture.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QMap>
#include <QThread>

using namespace quillmere;
using snapshots::RetentionItem;

namespace {

const QDateTime kNow(QDate(2026, 12, 9), QTime(12, 0));

// A year of hourly snapshots up to now, all holding Hero; Ghost was deleted 100 days ago.
QList<RetentionItem> hourlyYear() {
    QList<RetentionItem> items;
    for (int hour = 365 * 24; hour >= 0; --hour) {
        const QDateTime taken = kNow.addSecs(-3600LL * hour);
        RetentionItem item{QString::number(hour), taken, false, {QStringLiteral("hero")}};
        if (hour >= 101 * 24 && hour <= 102 * 24)
            item.holds << QStringLiteral("ghost");
        item.pinned = hour == 200 * 24 + 9;
        items.append(item);
    }
    return items;
}

} // namespace

TEST(Retention, AYearOfHourlySnapshotsKeepsWhatTheRuleSays) {
    const QList<RetentionItem> items = hourlyYear();
    const QSet<QString> kept = snapshots::keptByRetention(items, kNow);
    QMap<QDate, int> perDay;
    QMap<QString, int> perWeek;
    for (const RetentionItem& item : items) {
        const qint64 age = item.taken.secsTo(kNow);
        const bool isKept = kept.contains(item.id);
        if (age <= 48 * 3600) {
            EXPECT_TRUE(isKept) << "every one of the last 48 hours";
            continue;
        }
        if (!isKept)
            continue;
        const QDate day = item.taken.date();
        ++perDay[day];
        if (item.taken.daysTo(kNow) <= 30) {
            EXPECT_EQ(item.taken.time(), QTime(23, 0)) << "the newest of its day: " << qPrintable(item.id);
        } else if (!item.pinned && !item.holds.contains(QStringLiteral("ghost"))) {
            int year = 0;
            const int week = day.weekNumber(&year);
            ++perWeek[QStringLiteral("%1-%2").arg(year).arg(week)];
            EXPECT_TRUE(item.taken.time() == QTime(23, 0) || day.dayOfWeek() == 7 || item.taken.daysTo(kNow) == 31)
                << qPrintable(item.id);
        }
    }
    for (auto it = perDay.cbegin(); it != perDay.cend(); ++it) {
        if (it.key().daysTo(kNow.date()) > 2 && it.key().daysTo(kNow.date()) <= 30) {
            EXPECT_EQ(it.value(), 1) << qPrintable(it.key().toString());
        }
    }
    for (auto it = perWeek.cbegin(); it != perWeek.cend(); ++it)
        EXPECT_EQ(it.value(), 1) << "week " << qPrintable(it.key());
    EXPECT_GE(perWeek.size(), 47);
    EXPECT_LE(perWeek.size(), 49);
    EXPECT_TRUE(kept.contains(QString::number(200 * 24 + 9))) << "a pinned one stays";
    EXPECT_TRUE(kept.contains(QString::number(101 * 24))) << "the newest holding a deleted character stays";
    EXPECT_EQ(kept.size(), 49 + 28 + perWeek.size() + 2);
}

TEST(Retention, OlderThanAYearTheNewestOfEachMonthStays) {
    QList<RetentionItem> items;
    for (int day = 400; day <= 700; ++day)
        items.append({QString::number(day), kNow.addDays(-day), false, {}});
    const QSet<QString> kept = snapshots::keptByRetention(items, kNow);
    QSet<QString> months;
    for (const RetentionItem& item : items) {
        if (!kept.contains(item.id))
            continue;
        const QDate date = item.taken.date();
        EXPECT_FALSE(months.contains(date.toString(QStringLiteral("yyyy-MM")))) << "one a month";
        months.insert(date.toString(QStringLiteral("yyyy-MM")));
        EXPECT_TRUE(date.day() == date.daysInMonth() || item.id == QStringLiteral("400")) << qPrintable(item.id);
    }
    EXPECT_EQ(kept.size(), months.size());
    EXPECT_GE(months.size(), 10);
}

namespace {

class PruneTest : public test::StoreTest {};

} // namespace

TEST_F(PruneTest, PruningKeepsEveryKeptSnapshotAsItWasTakenAndRemovesWhatNoneNames) {
    // Forty days of one snapshot every six hours, the character changing each time; each snapshot
    // prunes the history as it goes.
    const QDateTime now = QDateTime::currentDateTime();
    // Each day's save folder is written first: a save just written is read only once it is quiet.
    const auto folderOf = [this](int i) { return temp.path() + QStringLiteral("/day%1").arg(i); };
    for (int i = 160; i >= 0; --i) {
        test::writeBytes(folderOf(i) + QStringLiteral("/Stash.sss"), "stash");
        test::writeBytes(folderOf(i) + QStringLiteral("/Hero.d2s"),
                         test::d2s::stateFile(96, 3, quint8(1 + i % 90), 0x24, 1024 + i));
    }
    QThread::msleep(100);
    QMap<QString, QStringList> asTaken;
    const auto contentsOf = [](const snapshots::SaveState& state) {
        QStringList contents;
        for (const snapshots::FileEntry& file : state.files())
            contents << file.name + u' ' + QString::fromLatin1(file.sha256);
        contents.sort();
        return contents;
    };
    for (int i = 160; i >= 0; --i) {
        snapshots::GameRef day = game();
        day.saveFolderHost = folderOf(i);
        const auto taken = store.take(day, QStringLiteral("test"), now.addSecs(-6 * 3600LL * i));
        ASSERT_EQ(taken.status, snapshots::SnapshotOutcome::Status::Taken) << qPrintable(taken.failure);
        asTaken.insert(taken.id, contentsOf(store.history(game()).latest()->state));
    }
    QMap<QString, QStringList> left;
    store.history(game()).replay([&](const snapshots::Manifest& m, const snapshots::SaveState& s, const QStringList&) {
        left.insert(m.id, contentsOf(s));
    });
    EXPECT_GE(left.size(), 8 + 28);
    EXPECT_LE(left.size(), 9 + 28 + 3);
    for (auto it = left.cbegin(); it != left.cend(); ++it)
        EXPECT_EQ(it.value(), asTaken.value(it.key())) << qPrintable(it.key());
    EXPECT_EQ(contentCount(), left.size() + 1) << "one save per snapshot left, and the stash once";
    EXPECT_TRUE(store.verify().damaged.isEmpty());
    EXPECT_EQ(store.prune(now).snapshotsRemoved, 0) << "a second pass finds nothing more to prune";
}

// The pruning cut short after any of its steps, as a crash or a kill leaves it: several snapshots
// in a row that go, and the one after them that stays, must leave every snapshot still listed one
// that can be rebuilt, holding what it held.
TEST_F(PruneTest, APruningCutShortAtAnyStepLeavesEverySnapshotListedWhole) {
    put(QStringLiteral("Other.d2s"), test::d2s::stateFile(96, 1, 9, 0x20));
    const QDateTime first(QDate(2026, 11, 1), QTime(8, 0));
    QMap<QString, QStringList> asTaken;
    const auto contentsOf = [](const snapshots::SaveState& state) {
        QStringList contents;
        for (const snapshots::FileEntry& file : state.files())
            contents << file.name + u' ' + QString::fromLatin1(file.sha256);
        return contents;
    };
    for (const int hour : {0, 1, 2, 3, 6}) {
        put(QStringLiteral("Hero.d2s"), test::d2s::stateFile(96, 3, quint8(40 + hour), 0x24));
        QThread::msleep(80);
        const auto taken = store.take(game(), QStringLiteral("test"), first.addSecs(qint64(3600) * hour));
        ASSERT_EQ(taken.status, snapshots::SnapshotOutcome::Status::Taken) << qPrintable(taken.failure);
        asTaken.insert(taken.id, contentsOf(store.history(game()).latest()->state));
    }
    const QString kept = temp.path() + QStringLiteral("/kept");
    ASSERT_TRUE(QDir().rename(storeRoot(), kept));
    for (qint64 step = 0;; ++step) {
        SCOPED_TRACE(step);
        QDir(storeRoot()).removeRecursively();
        for (QDirIterator it(kept, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
            const QString to = storeRoot() + it.next().mid(kept.size());
            QDir().mkpath(QFileInfo(to).path());
            ASSERT_TRUE(QFile::copy(it.filePath(), to));
        }
        io.changes = 0;
        io.stopAfter = step;
        const int removed = store.prune(first.addDays(10)).snapshotsRemoved;
        io.stopAfter = -1;
        const snapshots::GameHistory history = snapshots::SnapshotStore(storeRoot()).history(game());
        EXPECT_TRUE(history.isSound());
        history.replay([&](const snapshots::Manifest& m, const snapshots::SaveState& state, const QStringList&) {
            EXPECT_EQ(contentsOf(state), asTaken.value(m.id)) << qPrintable(m.id);
        });
        if (removed == 3)
            break;
        ASSERT_LT(step, 100) << "the pruning never completed";
    }
}
