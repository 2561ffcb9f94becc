#pragma once

#include "crash_scenario.h"

#include <QList>
#include <QString>

namespace quillmere::crash {

// One operation whose crash states are checked: it sets its scenario up, then records itself in
// it. False, with the scenario's failure set, when it could not.
struct Operation {
    QString name;
    bool (*record)(CrashScenario& scenario, Fault fault);
};

// A backup of a character over an older backup of it (five files, one of them new), also as on a
// medium without unnamed files; a restore over existing files, with the snapshot and the kept
// restore before it; Undo Last Restore; a snapshot of a changed save folder; a retention pass that
// prunes.
QList<Operation> operations();

// The backup alone, for the seeded faults of the copy.
bool recordBackup(CrashScenario& scenario, Fault fault);

} // namespace quillmere::crash
