#pragma once

#include <QtGlobal>

#include <cstddef>

struct XXH3_state_s;

namespace quillmere::copy {

// XXH3's 64-bit hash (the system's libxxhash), fed in pieces of any size: the check that a copy on
// disk holds what was read. It runs faster than the memory it reads, so that hashing the copy twice
// costs little beside moving the bytes.
class ContentHash final {
public:
    ContentHash();
    ~ContentHash();
    ContentHash(const ContentHash&) = delete;
    ContentHash& operator=(const ContentHash&) = delete;

    void add(const void* data, std::size_t size);
    quint64 result() const;
    // Starts again from no bytes.
    void reset();

private:
    XXH3_state_s* m_state;
};

// The same hash of bytes held whole, without a state to feed; seed chains pieces hashed one by one.
quint64 contentHashOf(const void* data, std::size_t size, quint64 seed = 0);

} // namespace quillmere::copy
