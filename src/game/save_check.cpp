#include "game/save_check.h"

#include "game/character_file.h"

#include <QtEndian>

#include <algorithm>
#include <array>

namespace quillmere::game {

namespace {

constexpr qsizetype kVersionOffset = 4;
constexpr qsizetype kSizeOffset = 8;
constexpr qsizetype kChecksumOffset = 12;

// Every version the game has written: 1.00-1.06, 1.07, 1.08, 1.09-1.14d, Resurrected's four and its
// 3.0 layout.
constexpr std::array<quint32, 9> kKnownVersions = {71, 87, 89, 92, 96, 97, 98, 99, 105};

quint32 wordAt(const QByteArray& bytes, qsizetype offset) {
    return qFromLittleEndian<quint32>(bytes.constData() + offset);
}

bool isKnownVersion(quint32 version) {
    return std::find(kKnownVersions.begin(), kKnownVersions.end(), version) != kKnownVersions.end();
}

// Eight steps at once: with no carry into bit 31 along the way, eight rotate-and-add steps are one
// rotation by eight plus the bytes weighted 128, 64, ..., 1. The weights stay below 2^16, so no step
// carries into bit 31 while bits 8 to 23 of the sum hold a zero; the rare sum without one takes the
// eight steps one by one.
quint32 eightSteps(quint32 sum, const uchar* bytes) {
    constexpr quint32 kCarryRisk = 0x00FFFF00;
    if ((sum & kCarryRisk) == kCarryRisk) {
        for (int i = 0; i < 8; ++i)
            sum = ((sum << 1) | (sum >> 31)) + bytes[i];
        return sum;
    }
    // Pairs, then fours, then all eight, each lane weighing its earlier half double per step.
    const quint64 x = qFromLittleEndian<quint64>(bytes);
    const quint64 pairs = ((x & 0x00FF00FF00FF00FFULL) << 1) + ((x >> 8) & 0x00FF00FF00FF00FFULL);
    const quint64 fours = ((pairs & 0x0000FFFF0000FFFFULL) << 2) + ((pairs >> 16) & 0x0000FFFF0000FFFFULL);
    const auto weighted = quint32(((fours & 0xFFFFFFFFULL) << 4) + (fours >> 32));
    return ((sum << 8) | (sum >> 24)) + weighted;
}

} // namespace

void SaveChecksum::add(const char* data, qsizetype size) {
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    const auto step = [this](uchar byte) { m_sum = ((m_sum << 1) | (m_sum >> 31)) + byte; };
    qsizetype i = 0;
    // The stored checksum's four bytes count as zero.
    for (; i < size && m_offset + i < kChecksumOffset + 4; ++i)
        step(m_offset + i >= kChecksumOffset ? 0 : bytes[i]);
    for (; i + 8 <= size; i += 8)
        m_sum = eightSteps(m_sum, bytes + i);
    for (; i < size; ++i)
        step(bytes[i]);
    m_offset += size;
}

SaveCheck checkSaveHeader(const QByteArray& head, qint64 realSize) {
    SaveCheck check;
    check.realSize = realSize;
    if (head.size() < kVersionOffset + 4) {
        check.fault = SaveFault::TooShort;
        return check;
    }
    if (wordAt(head, 0) != kSignature) {
        check.fault = SaveFault::NoSignature;
        return check;
    }
    check.version = wordAt(head, kVersionOffset);
    if (!isKnownVersion(check.version)) {
        check.fault = SaveFault::UnknownVersion;
        return check;
    }
    if (check.version < kFirstExpansionLayoutVersion)
        return check;
    if (head.size() < kSaveHeaderBytes) {
        check.fault = SaveFault::TooShort;
        return check;
    }
    check.storedSize = wordAt(head, kSizeOffset);
    if (check.storedSize != realSize)
        check.fault = SaveFault::SizeMismatch;
    return check;
}

bool needsChecksum(const SaveCheck& headerCheck) {
    return headerCheck.passed() && headerCheck.version >= kFirstExpansionLayoutVersion;
}

quint32 storedChecksum(const QByteArray& head) {
    return wordAt(head, kChecksumOffset);
}

SaveCheck checkSave(const QByteArray& bytes) {
    SaveCheck check = checkSaveHeader(bytes.left(kSaveHeaderBytes), bytes.size());
    if (!needsChecksum(check))
        return check;
    SaveChecksum sum;
    sum.add(bytes.constData(), bytes.size());
    if (sum.value() != storedChecksum(bytes))
        check.fault = SaveFault::ChecksumMismatch;
    return check;
}

QString describeSaveCheck(const QString& fileName, const SaveCheck& check) {
    switch (check.fault) {
    case SaveFault::None:
        break;
    case SaveFault::Unreadable:
        return SaveCheckText::tr("%1 could not be read, so it could not be checked.").arg(fileName);
    case SaveFault::TooShort:
        return SaveCheckText::tr("%1 is damaged: at %2 bytes it is too short to hold a character.")
            .arg(fileName)
            .arg(check.realSize);
    case SaveFault::NoSignature:
        return SaveCheckText::tr("%1 is damaged: it does not begin as a character file does.").arg(fileName);
    case SaveFault::UnknownVersion:
        return SaveCheckText::tr("%1 is of version %2, which this program does not know, so it could not be checked.")
            .arg(fileName)
            .arg(check.version);
    case SaveFault::SizeMismatch:
        return SaveCheckText::tr("%1 is damaged: it should be %2 bytes long but is %3 bytes long.")
            .arg(fileName)
            .arg(check.storedSize)
            .arg(check.realSize);
    case SaveFault::ChecksumMismatch:
        return SaveCheckText::tr("%1 is damaged: its checksum does not match its contents.").arg(fileName);
    }
    return {};
}

} // namespace quillmere::game
