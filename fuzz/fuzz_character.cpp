// Feeds arbitrary bytes to the character file reader as a save file and checks that what it reports
// agrees with the bytes: fields present exactly when the file reaches them, and the buffer bounded.
#include "game/character_file.h"
#include "game/save_layout.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

using namespace quillmere::game;

// One Wine-style prefix for the whole run: c: is drive_c, the save file lives in C:\Saves.
struct Prefix {
    QTemporaryDir dir;
    QString savePath;

    Prefix() {
        const QString prefix = dir.path() + QStringLiteral("/prefix");
        if (!dir.isValid() || !QDir().mkpath(prefix + QStringLiteral("/dosdevices")) ||
            !QDir().mkpath(prefix + QStringLiteral("/drive_c/Saves")) ||
            !QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:")))
            std::abort();
        qputenv("WINEPREFIX", QFile::encodeName(prefix));
        savePath = prefix + QStringLiteral("/drive_c/Saves/Hero.d2s");
    }
};

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkField(const std::optional<quint8>& field, const QByteArray& bytes, qsizetype offset) {
    check(field.has_value() == (bytes.size() > offset));
    if (field)
        check(*field == static_cast<quint8>(bytes.at(offset)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Prefix prefix;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(prefix.savePath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
            std::abort();
    }

    HEXengine hex;
    const CharacterSummary summary = ReadCharacterFile(QStringLiteral("C:\\Saves"), QStringLiteral("Hero.d2s"), hex);

    check(hex.fileLength() == bytes.size());
    check(hex.fileBytes() == bytes.left(HEXengine::kKeptBytes));
    const SaveLayout layout = saveLayoutFor(summary.version);
    check(summary.layout == layout.layout);
    check(summary.layout == Layout::Classic || (summary.version && *summary.version >= kFirstExpansionLayoutVersion));
    checkField(summary.classCode, bytes, layout.classCode);
    checkField(summary.level, bytes, layout.level);
    if (layout.status >= 0)
        checkField(summary.status, bytes, layout.status);
    else
        check(!summary.status);
    check(summary.status.has_value() || stateDescription(summary).isEmpty());
    if (const std::optional<CharacterClass> cls = characterClass(summary))
        check(!className(*cls).isEmpty());
    return 0;
}
