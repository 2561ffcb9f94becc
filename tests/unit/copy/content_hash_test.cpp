#include "copy/content_hash.h"

#include <QByteArray>

#include <gtest/gtest.h>

using quillmere::copy::ContentHash;

namespace {

QByteArray sample() {
    QByteArray bytes(100'000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    return bytes;
}

quint64 hashInPieces(ContentHash& hash, const QByteArray& bytes, int piece) {
    hash.reset();
    for (qsizetype offset = 0; offset < bytes.size(); offset += piece)
        hash.add(bytes.constData() + offset, std::size_t(std::min<qsizetype>(piece, bytes.size() - offset)));
    return hash.result();
}

// A copy hands the hash pieces of whatever size a read returned; one wrong byte anywhere, or one
// byte too many or too few, must show.
TEST(ContentHash, EqualBytesHashAlikeInAnyPiecesAndOneChangedByteDoesNot) {
    const QByteArray bytes = sample();
    ContentHash hash;
    const quint64 whole = hashInPieces(hash, bytes, int(bytes.size()));
    for (const int piece : {1, 63, 64, 4096, 65'537})
        EXPECT_EQ(hashInPieces(hash, bytes, piece), whole) << "in pieces of " << piece;

    for (const qsizetype at : {qsizetype(0), qsizetype(1000), bytes.size() - 1}) {
        QByteArray changed = bytes;
        changed[at] = char(changed[at] ^ 0x10);
        EXPECT_NE(hashInPieces(hash, changed, 4096), whole) << "byte " << at;
    }
    EXPECT_NE(hashInPieces(hash, bytes.left(bytes.size() - 1), 4096), whole);
    EXPECT_NE(hashInPieces(hash, bytes + '\0', 4096), whole);
}

} // namespace
