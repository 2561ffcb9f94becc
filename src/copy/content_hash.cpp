#include "copy/content_hash.h"

#include <new>

#include <xxhash.h>

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

} // namespace quillmere::copy
