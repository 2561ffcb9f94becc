#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace quillmere::host {

// The Wine prefix the program works in: the one chosen at run time (useWinePrefix), else
// $WINEPREFIX, else ~/.wine. Read afresh on every call, so that the registry, the drives and every
// started program follow a change at once. The folder need not exist.
QString winePrefixPath();

// Makes `hostPath` the prefix the program works in; an empty path goes back to the environment's.
void useWinePrefix(const QString& hostPath);

// Works in another prefix for as long as it lives, on the calling thread only, e.g. to look into a
// prefix not in use while other threads go on in theirs.
class ScopedWinePrefix final {
public:
    explicit ScopedWinePrefix(const QString& hostPath);
    ~ScopedWinePrefix();
    ScopedWinePrefix(const ScopedWinePrefix&) = delete;
    ScopedWinePrefix& operator=(const ScopedWinePrefix&) = delete;

private:
    std::optional<QString> m_previous;
};

// Wine's own test of a prefix: a folder holding system.reg and drive_c/.
bool isWinePrefix(const QString& folder);
// The same for a host path in the file system's bytes, which need not be a name Qt can decode.
bool isWinePrefixAt(const QByteArray& hostPath);

} // namespace quillmere::host
