#include "copy/content_hash.h"

#include <new>

#include <xxhash.h>
#if defined(__x86_64__) || defined(__i386__)
// The library's own choice of SSE2, AVX2 or AVX-512 for the processor at hand: twice as fast as
// its SSE2 baseline where AVX2 is there, with the same hash.
#include <xxh_x86dispatch.h>
#endif

namespace quillmere::copy {

ContentHash::ContentHash()
    : m_state(XXH3_createState()) {
    if (!m_state)
        throw std::bad_alloc();
    reset();
}

ContentHash::~ContentHash() {
    XXH3_freeState(m_state);
}

void ContentHash::add(const void* data, std::size_t size) {
    XXH3_64bits_update(m_state, data, size);
}

quint64 ContentHash::result() const {
    return XXH3_64bits_digest(m_state);
}

void ContentHash::reset() {
    XXH3_64bits_reset(m_state);
}

quint64 contentHashOf(const void* data, std::size_t size, quint64 seed) {
    return seed == 0 ? XXH3_64bits(data, size) : XXH3_64bits_withSeed(data, size, seed);
}

} // namespace quillmere::copy
