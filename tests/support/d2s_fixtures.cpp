#include "d2s_fixtures.h"

namespace quillmere::test::d2s {

namespace {

void putLittleEndian32(QByteArray& bytes, int offset, quint32 value) {
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xff);
}

void putByte(QByteArray& bytes, int offset, quint8 value) {
    if (offset < bytes.size())
        bytes[offset] = static_cast<char>(value);
}

void putName(QByteArray& bytes, int offset, const QByteArray& name) {
    for (int i = 0; i < name.size() && i < 15 && offset + i < bytes.size(); ++i)
        bytes[offset + i] = name.at(i);
}

} // namespace

QByteArray unsignedFile(quint8 classCode, quint8 level, int length) {
    QByteArray bytes(length, '\0');
    putByte(bytes, 34, classCode);
    putByte(bytes, 36, level);
    return bytes;
}

QByteArray signedFile(quint32 version, quint8 classCode, quint8 level, int length, const QByteArray& name) {
    const bool expansionLayout = version >= 92;
    if (length <= 0)
        length = expansionLayout ? kExpansionLength : kClassicLength;
    QByteArray bytes(qMax(length, 16), '\0');
    putLittleEndian32(bytes, 0, 0xAA55AA55);
    putLittleEndian32(bytes, 4, version);
    if (!expansionLayout) {
        putName(bytes, 8, name);
        putByte(bytes, 34, classCode);
        putByte(bytes, 36, level);
        return bytes.left(length);
    }
    putLittleEndian32(bytes, 8, static_cast<quint32>(length));
    putName(bytes, version >= 98 ? 267 : 20, name);
    putByte(bytes, 36, 0x20); // expansion character
    putByte(bytes, 40, classCode);
    putByte(bytes, 43, level);
    putLittleEndian32(bytes, 12, checksum(bytes));
    return bytes.left(length);
}

QByteArray stateFile(quint32 version, quint8 classCode, quint8 level, quint8 status, int length,
                     const QByteArray& name) {
    const bool layout105 = version >= 105;
    QByteArray bytes(qMax(length, 16), '\0');
    putLittleEndian32(bytes, 0, 0xAA55AA55);
    putLittleEndian32(bytes, 4, version);
    putLittleEndian32(bytes, 8, static_cast<quint32>(length));
    putName(bytes, layout105 ? 299 : version >= 98 ? 267 : 20, name);
    putByte(bytes, layout105 ? 20 : 36, status);
    putByte(bytes, layout105 ? 24 : 40, classCode);
    putByte(bytes, layout105 ? 27 : 43, level);
    putLittleEndian32(bytes, 12, checksum(bytes.left(length)));
    return bytes.left(length);
}

quint32 checksum(const QByteArray& bytes) {
    quint32 sum = 0;
    for (int i = 0; i < bytes.size(); ++i) {
        const quint32 byte = (i >= 12 && i < 16) ? 0 : static_cast<quint8>(bytes.at(i));
        sum = ((sum << 1) | (sum >> 31)) + byte;
    }
    return sum;
}

} // namespace quillmere::test::d2s
