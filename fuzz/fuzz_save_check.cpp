// Feeds arbitrary bytes to the save check: the checksum taken in pieces of any size agrees with the
// game's byte-by-byte rule, and the check's verdict agrees with the header and that checksum.
#include "game/save_check.h"

#include <QtEndian>

#include <cstdint>
#include <cstdlib>

namespace {

quint32 byteByByte(const QByteArray& bytes) {
    quint32 sum = 0;
    for (qsizetype i = 0; i < bytes.size(); ++i)
        sum = ((sum << 1) | (sum >> 31)) + (i >= 12 && i < 16 ? 0 : uchar(bytes[i]));
    return sum;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace quillmere::game;
    if (size < 1)
        return 0;
    // The first byte chooses the piece size, the rest is the file.
    const qsizetype piece = data[0] % 32 + 1;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    const quint32 expected = byteByByte(bytes);
    SaveChecksum sum;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        sum.add(bytes.constData() + at, std::min(piece, bytes.size() - at));
    if (sum.value() != expected)
        std::abort();

    const SaveCheck check = checkSave(bytes);
    if (check.fault == SaveFault::ChecksumMismatch &&
        (bytes.size() < kSaveHeaderBytes || storedChecksum(bytes) == expected))
        std::abort();
    if (check.passed() && check.version >= 92 && storedChecksum(bytes) != expected)
        std::abort();
    if (!describeSaveCheck(QStringLiteral("Hero.d2s"), check).isEmpty() == check.passed())
        std::abort();
    return 0;
}
