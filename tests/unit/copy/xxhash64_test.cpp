#include "copy/xxhash64.h"

#include <QByteArray>

#include <gtest/gtest.h>

using quillmere::copy::Xxh64;

namespace {

// Reference values from the xxHash library's XXH64 with seed 0, over bytes i * 7 % 251.
const struct {
    int length;
    quint64 hash;
} References[] = {
    {0, 0xef46db3751d8e999ULL},    {1, 0xe934a84adb052768ULL},  {3, 0x9ff70a635a6209abULL},
    {4, 0xae5acdc00a55ac41ULL},    {8, 0x87116b3365b924ebULL},  {31, 0x0f187c62b1e722b7ULL},
    {32, 0x91b0cb0931a8c629ULL},   {33, 0x931b043cf8d65b94ULL}, {100, 0xb7fe1d84b2f23a05ULL},
    {1000, 0x023fd2ed1ff957d5ULL},
};

QByteArray sample() {
    QByteArray bytes(1000, '\0');
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7 % 251);
    return bytes;
}

// A copy hands the hash pieces of whatever size a read returned.
TEST(Xxh64, MatchesTheReferenceWhateverPiecesItIsFed) {
    const QByteArray bytes = sample();
    for (const auto& reference : References) {
        for (const int piece : {1, 5, 8, 31, 32, 33, 1000}) {
            Xxh64 hash;
            for (int offset = 0; offset < reference.length; offset += piece)
                hash.add(bytes.constData() + offset, std::size_t(std::min(piece, reference.length - offset)));
            EXPECT_EQ(hash.result(), reference.hash) << reference.length << " bytes in pieces of " << piece;
        }
    }
}

} // namespace
