#include "game/character_file.h"

#include "game/save_layout.h"
#include "host/drive_map.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <array>

namespace quillmere::game {

namespace {

// The class names, translated under the reader's name.
class ClassNames {
    Q_DECLARE_TR_FUNCTIONS(CharacterFile)

public:
    static QString of(CharacterClass cls) {
        static constexpr std::array<const char*, 8> kNames = {
            QT_TR_NOOP("Amazon"),    QT_TR_NOOP("Sorceress"), QT_TR_NOOP("Necromancer"), QT_TR_NOOP("Paladin"),
            QT_TR_NOOP("Barbarian"), QT_TR_NOOP("Druid"),     QT_TR_NOOP("Assassin"),    QT_TR_NOOP("Warlock"),
        };
        return tr(kNames.at(static_cast<std::size_t>(cls)));
    }
};

std::optional<quint8> byteAt(const QByteArray& bytes, qsizetype offset) {
    if (offset < 0 || offset >= bytes.size())
        return std::nullopt;
    return static_cast<quint8>(bytes.at(offset));
}

} // namespace

bool HEXengine::load(const QString& hostPath) {
    m_bytes = QByteArray();
    m_length = 0;
    if (!QFileInfo(hostPath).isFile())
        return false;
    QFile file(hostPath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return false;
    m_bytes = file.read(kKeptBytes);
    // Some files report no size yet have bytes to give.
    m_length = qMax(file.size(), qint64(m_bytes.size()));
    return true;
}

CharacterSummary ReadCharacterFile(const QString& folder, const QString& fileName, HEXengine& buffer) {
    const host::ResolvedPath resolved = host::resolve(folder + QLatin1Char('\\') + fileName);
    if (resolved.status != host::PathStatus::Ok) {
        buffer = HEXengine();
        return {};
    }
    return readCharacterHostFile(resolved.hostPath, buffer);
}

CharacterSummary readCharacterHostFile(const QString& hostPath, HEXengine& buffer) {
    CharacterSummary summary;
    if (!buffer.load(hostPath)) {
        buffer = HEXengine();
        return summary;
    }
    return summarizeCharacterHead(buffer.fileBytes());
}

CharacterSummary summarizeCharacterHead(const QByteArray& head) {
    CharacterSummary summary;
    if (head.size() >= 8 && qFromLittleEndian<quint32>(head.constData()) == kSignature)
        summary.version = qFromLittleEndian<quint32>(head.constData() + 4);

    const SaveLayout layout = saveLayoutFor(summary.version);
    summary.layout = layout.layout;
    summary.classCode = byteAt(head, layout.classCode);
    summary.level = byteAt(head, layout.level);
    summary.status = byteAt(head, layout.status);
    return summary;
}

CharacterSummary ReadCharacterFile(const QString& folder, const QString& fileName) {
    HEXengine buffer;
    return ReadCharacterFile(folder, fileName, buffer);
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
    return ClassNames::of(cls);
}

} // namespace quillmere::game
