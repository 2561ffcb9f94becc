// Launchers' configuration files as anyone may have left them: Lutris YAML and Steam's
// libraryfolders.vdf read from arbitrary bytes. No crash, no hang, and only absolute, clean paths.
#include "host/prefix_sources.h"

#include <QDir>

#include <cstdint>
#include <cstdlib>

namespace {

void checkPaths(const QStringList& paths) {
    for (const QString& path : paths) {
        if (!QDir::isAbsolutePath(path) || QDir::cleanPath(path) != path)
            std::abort();
    }
    QStringList unique = paths;
    if (unique.removeDuplicates() != 0)
        std::abort(); // each path once
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    checkPaths(quillmere::host::lutrisPrefixes(bytes, QStringLiteral("/home/player")));
    checkPaths(quillmere::host::steamLibraryFolders(bytes));
    return 0;
}
