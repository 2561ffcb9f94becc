#pragma once

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>
#include <functional>

namespace quillmere::host {

// Called on the starting thread when a watched program ends with a failure while it is watched;
// the reason is the last line the program printed, or its exit status in words.
using FailedSoon = std::function<void(const QString& reason)>;

// Starts a host program in a session of its own, its output kept aside in an unnamed file, and
// watches it for `watch` without blocking: a failure in that time reaches `failedSoon`. The
// program is never our child for longer than the watch, so it is neither waited on afterwards nor
// ended when this program ends. Without an event loop to watch from, nothing is watched. Returns
// false with `error` set when the program could not be started at all.
//
// A host command in `afterExit` (the program first) runs once the program has ended, however it
// ended, with the same environment and its output discarded: it is run by the process that waits
// for the program, in the program's session, so it runs whether this program is still there or not.
bool startWatched(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                  std::chrono::milliseconds watch, FailedSoon failedSoon, QString* error,
                  const QStringList& afterExit = {});

} // namespace quillmere::host
