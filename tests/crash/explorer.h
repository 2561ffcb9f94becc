#pragma once

#include "crash_scenario.h"
#include "invariants.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace quillmere::crash {

// What the crash states of one recorded operation showed.
struct Exploration {
    qsizetype points = 0;        // cut points: before each step, and after the last
    qsizetype sampledPoints = 0; // those with more states than the limit
    quint64 states = 0;          // distinct states checked
    quint64 broken = 0;          // states that broke an invariant
    QSet<Violation::Kind> kinds;
    QStringList examples; // the first broken states: where, what was kept, what broke
    QString failure;      // why nothing could be checked: the builder refused the log, or a state could not be written
};

// Builds every state a cut at each point of the scenario's log may leave (at most limit a point,
// sampled with a fixed seed beyond it), writes each out at the scenario's root and checks it.
Exploration explore(const CrashScenario& scenario, quint64 limit);

} // namespace quillmere::crash
