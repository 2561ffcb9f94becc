#include "game/save_check.h"

#include "game/character_file.h"

#include <QtEndian>

#include <algorithm>
#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The eight bytes weighted 128, 64, ..., 1 in the order they come: pairs, then fours, then all
// eight, each lane weighing its earlier half double per step.
quint32 weightedEight(const uchar* bytes) {
    const quint64 x = qFromLittleEndian<quint64>(bytes);
    const quint64 pairs = ((x & 0x00FF00FF00FF00FFULL) << 1) + ((x >> 8) & 0x00FF00FF00FF00FFULL);
    const quint64 fours = ((pairs & 0x0000FFFF0000FFFFULL) << 2) + ((pairs >> 16) & 0x0000FFFF0000FFFFULL);
    return quint32(((fours & 0xFFFFFFFFULL) << 4) + (fours >> 32));
}

quint32 oneStep(quint32 sum, uchar byte) {
    return ((sum << 1) | (sum >> 31)) + byte;
}

// Eight steps at once: with no carry into bit 31 along the way, eight rotate-and-add steps are one
// rotation by eight plus the bytes weighted 128, 64, ..., 1. The weights stay below 2^16, so no step
// carries into bit 31 while bits 8 to 23 of the sum hold a zero; the rare sum without one takes the
// eight steps one by one.
quint32 eightSteps(quint32 sum, const uchar* bytes) {
    constexpr quint32 kCarryRisk = 0x00FFFF00;
    if ((sum & kCarryRisk) == kCarryRisk) {
        for (int i = 0; i < 8; ++i)
            sum = oneStep(sum, bytes[i]);
        return sum;
    }
    return ((sum << 8) | (sum >> 24)) + weightedEight(bytes);
}

#if defined(__SSE2__)
// Sixteen steps at once, the same way. After j of them the bytes weigh less than 2^(j+8), so none
// of the first fifteen carries into bit 31 while bits 8 to 15 of the sum hold a zero; the sum
// without one (one in 256) takes eight steps twice. The bytes are weighted by two multiply-adds of
// words, each half's weighted 128, 64, ..., 1 and summed in pairs, the first half then 256 times.
quint32 sixteenSteps(quint32 sum, const uchar* bytes) {
    constexpr quint32 kCarryRisk = 0x0000FF00;
    if ((sum & kCarryRisk) == kCarryRisk)
        return eightSteps(eightSteps(sum, bytes), bytes + 8);
    const __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_setr_epi16(128, 64, 32, 16, 8, 4, 2, 1);
    const __m128i first = _mm_madd_epi16(_mm_unpacklo_epi8(all, zero), weights);
    const __m128i second = _mm_madd_epi16(_mm_unpackhi_epi8(all, zero), weights);
    __m128i lanes = _mm_add_epi32(_mm_slli_epi32(first, 8), second);
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(1, 0, 3, 2)));
    lanes = _mm_add_epi32(lanes, _mm_shuffle_epi32(lanes, _MM_SHUFFLE(2, 3, 0, 1)));
    return ((sum << 16) | (sum >> 16)) + quint32(_mm_cvtsi128_si32(lanes));
}
#endif

} // namespace

void SaveChecksum::add(const char* data, qsizetype size) {
    const auto* bytes = reinterpret_cast<const uchar*>(data);
    quint32 sum = m_sum; // held apart: the bytes might alias the member, which forces a store a step
    qsizetype i = 0;
    // The stored checksum's four bytes count as zero.
    for (; i < size && m_offset + i < kChecksumOffset + 4; ++i)
        sum = oneStep(sum, m_offset + i >= kChecksumOffset ? 0 : bytes[i]);
#if defined(__SSE2__)
    for (; i + 16 <= size; i += 16)
        sum = sixteenSteps(sum, bytes + i);
#endif
    for (; i + 8 <= size; i += 8)
        sum = eightSteps(sum, bytes + i);
    for (; i < size; ++i)
        sum = oneStep(sum, bytes[i]);
    m_sum = sum;
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
