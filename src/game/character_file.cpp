#include "game/character_file.h"

#include "game/save_layout.h"
#include "host/drive_map.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <array>

namespace quillmere::game {

namespace {

QByteArray s_fileBytes;
qint64 s_fileLength = 0;

quint32 readLittleEndian32(const QByteArray& bytes, qsizetype offset) {
    quint32 value = 0;
    for (int i = 3; i >= 0; --i)
        value = (value << 8) | static_cast<quint8>(bytes.at(offset + i));
    return value;
}

std::optional<quint8> byteAt(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset >= bytes.size())
        return std::nullopt;
    return static_cast<quint8>(bytes.at(offset));
}

// Loads the head of the file and its true length into the shared buffer; false when the file
// cannot be read at all. Only ordinary files are opened: a pipe or device in the save folder would
// block or never end.
bool loadHead(const QString& hostPath) {
    if (!QFileInfo(hostPath).isFile())
        return false;
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    s_fileBytes = file.read(HEXengine::kKeptBytes);
    // Some files report no size yet have bytes to give.
    s_fileLength = qMax(file.size(), qint64(s_fileBytes.size()));
    return true;
}

} // namespace

CharacterSummary ReadCharacterFile(const QString& folder, const QString& fileName) {
    s_fileBytes = QByteArray();
    s_fileLength = 0;

    CharacterSummary summary;
    const host::ResolvedPath resolved = host::resolve(folder + QLatin1Char('\\') + fileName);
    if (resolved.status != host::PathStatus::Ok || !loadHead(resolved.hostPath))
        return summary;

    const QByteArray& bytes = s_fileBytes;
    if (bytes.size() >= 8 && readLittleEndian32(bytes, 0) == kSignature)
        summary.version = readLittleEndian32(bytes, 4);

    const SaveLayout layout = saveLayoutFor(summary.version);
    summary.layout = layout.layout;
    summary.classCode = byteAt(bytes, layout.classCode);
    summary.level = byteAt(bytes, layout.level);
    summary.status = byteAt(bytes, layout.status);
    return summary;
}

std::optional<CharacterClass> characterClass(const CharacterSummary& summary) {
    if (!summary.classCode)
        return std::nullopt;
    const quint8 code = *summary.classCode;
    if (code <= 4)
        return static_cast<CharacterClass>(code);
    const quint32 version = summary.version.value_or(0);
    if ((code == 5 || code == 6) && version >= kFirstDruidAssassinVersion)
        return static_cast<CharacterClass>(code);
    if (code == 7 && version >= kFirstWarlockVersion)
        return CharacterClass::Warlock;
    return std::nullopt;
}

QString className(CharacterClass cls) {
    static constexpr std::array<const char*, 8> kNames = {
        QT_TRANSLATE_NOOP("quillmere::character", "Amazon"),
        QT_TRANSLATE_NOOP("quillmere::character", "Sorceress"),
        QT_TRANSLATE_NOOP("quillmere::character", "Necromancer"),
        QT_TRANSLATE_NOOP("quillmere::character", "Paladin"),
        QT_TRANSLATE_NOOP("quillmere::character", "Barbarian"),
        QT_TRANSLATE_NOOP("quillmere::character", "Druid"),
        QT_TRANSLATE_NOOP("quillmere::character", "Assassin"),
        QT_TRANSLATE_NOOP("quillmere::character", "Warlock"),
    };
    return QCoreApplication::translate("quillmere::character", kNames.at(static_cast<std::size_t>(cls)));
}

const QByteArray& HEXengine::fileBytes() {
    return s_fileBytes;
}

qint64 HEXengine::fileLength() {
    return s_fileLength;
}

} // namespace quillmere::game
