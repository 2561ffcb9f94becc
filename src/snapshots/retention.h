#pragma once

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace quillmere::snapshots {

// What the retention rule needs of a snapshot.
struct RetentionItem {
    QString id;
    QDateTime taken;
    bool pinned = false;
    QStringList holds; // its characters (and the stash entry), by group
};

// The snapshots the rule keeps at now: every one of the last 48 hours; the newest of each day for
// 30 days; the newest of each week for a year; the newest of each month before that; every pinned
// one; and, for each character, the newest snapshot that holds it, so that a character deleted in
// the game stays restorable. Days, weeks and months are the local calendar's.
QSet<QString> keptByRetention(const QList<RetentionItem>& items, const QDateTime& now);

} // namespace quillmere::snapshots
