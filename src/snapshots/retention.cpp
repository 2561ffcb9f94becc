#include "snapshots/retention.h"

#include <QHash>

namespace quillmere::snapshots {

namespace {

constexpr qint64 kEveryOneSecs = qint64(48) * 3600;
constexpr qint64 kDailyDays = 30;
constexpr qint64 kWeeklyDays = 365;

// The calendar period a snapshot falls in, by how old it is: a day, a week or a month.
QString periodOf(const QDateTime& taken, const QDateTime& now) {
    const QDate day = taken.toLocalTime().date();
    const qint64 ageDays = taken.daysTo(now);
    if (ageDays <= kDailyDays)
        return QStringLiteral("d") + day.toString(Qt::ISODate);
    if (ageDays <= kWeeklyDays) {
        int weekYear = 0;
        const int week = day.weekNumber(&weekYear);
        return QStringLiteral("w%1-%2").arg(weekYear).arg(week);
    }
    return QStringLiteral("m%1-%2").arg(day.year()).arg(day.month());
}

// Keeps in `best` the newest item for each key.
void keepNewest(QHash<QString, const RetentionItem*>& best, const QString& key, const RetentionItem& item) {
    const RetentionItem*& held = best[key];
    if (!held || held->taken < item.taken || (held->taken == item.taken && held->id < item.id))
        held = &item;
}

} // namespace

QSet<QString> keptByRetention(const QList<RetentionItem>& items, const QDateTime& now) {
    QSet<QString> kept;
    QHash<QString, const RetentionItem*> newestOfPeriod;
    QHash<QString, const RetentionItem*> newestHolding;
    for (const RetentionItem& item : items) {
        if (item.pinned || item.taken.secsTo(now) <= kEveryOneSecs)
            kept.insert(item.id);
        keepNewest(newestOfPeriod, periodOf(item.taken, now), item);
        for (const QString& group : item.holds)
            keepNewest(newestHolding, group, item);
    }
    for (const RetentionItem* item : std::as_const(newestOfPeriod))
        kept.insert(item->id);
    for (const RetentionItem* item : std::as_const(newestHolding))
        kept.insert(item->id);
    return kept;
}

} // namespace quillmere::snapshots
