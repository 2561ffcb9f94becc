#pragma once

#include <QtGlobal>

#include <cstddef>

namespace quillmere::copy {

// XXH64, fed in pieces of any size: the check that a copy on disk holds what was read. Fast enough
// to run over every byte twice without slowing the copy down much.
class Xxh64 final {
public:
    void add(const void* data, std::size_t size);
    quint64 result() const;

private:
    void consumeStripe(const unsigned char* stripe);

    // Seed 0: the reference's starting values.
    quint64 m_lanes[4] = {0x60ea27eeadc0b5d6ULL, 0xc2b2ae3d27d4eb4fULL, 0, 0x61c8864e7a143579ULL};
    unsigned char m_pending[32] = {};
    std::size_t m_pendingSize = 0;
    quint64 m_total = 0;
};

} // namespace quillmere::copy
