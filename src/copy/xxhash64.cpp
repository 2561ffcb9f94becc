#include "copy/xxhash64.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace quillmere::copy {

namespace {

constexpr quint64 Prime1 = 0x9E3779B185EBCA87ULL;
constexpr quint64 Prime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr quint64 Prime3 = 0x165667B19E3779F9ULL;
constexpr quint64 Prime4 = 0x85EBCA77C2B2AE63ULL;
constexpr quint64 Prime5 = 0x27D4EB2F165667C5ULL;

quint64 rotateLeft(quint64 value, int bits) {
    return (value << bits) | (value >> (64 - bits));
}

quint64 load64(const unsigned char* p) {
    quint64 value;
    std::memcpy(&value, p, sizeof value);
    return qFromLittleEndian(value);
}

quint32 load32(const unsigned char* p) {
    quint32 value;
    std::memcpy(&value, p, sizeof value);
    return qFromLittleEndian(value);
}

quint64 round(quint64 lane, quint64 input) {
    return rotateLeft(lane + input * Prime2, 31) * Prime1;
}

quint64 mergeLane(quint64 hash, quint64 lane) {
    return (hash ^ round(0, lane)) * Prime1 + Prime4;
}

} // namespace

void Xxh64::consumeStripe(const unsigned char* stripe) {
    for (std::size_t i = 0; i < 4; ++i)
        m_lanes[i] = round(m_lanes[i], load64(stripe + 8 * i));
}

void Xxh64::add(const void* data, std::size_t size) {
    const auto* p = static_cast<const unsigned char*>(data);
    m_total += size;
    if (m_pendingSize > 0) {
        const std::size_t take = std::min(size, sizeof m_pending - m_pendingSize);
        std::memcpy(m_pending + m_pendingSize, p, take);
        m_pendingSize += take;
        p += take;
        size -= take;
        if (m_pendingSize < sizeof m_pending)
            return;
        consumeStripe(m_pending);
        m_pendingSize = 0;
    }
    for (; size >= 32; p += 32, size -= 32)
        consumeStripe(p);
    std::memcpy(m_pending, p, size);
    m_pendingSize = size;
}

quint64 Xxh64::result() const {
    quint64 hash;
    if (m_total >= 32) {
        hash = rotateLeft(m_lanes[0], 1) + rotateLeft(m_lanes[1], 7) + rotateLeft(m_lanes[2], 12) +
               rotateLeft(m_lanes[3], 18);
        for (const quint64 lane : m_lanes)
            hash = mergeLane(hash, lane);
    } else {
        hash = Prime5;
    }
    hash += m_total;

    const unsigned char* p = m_pending;
    std::size_t left = m_pendingSize;
    for (; left >= 8; p += 8, left -= 8)
        hash = rotateLeft(hash ^ round(0, load64(p)), 27) * Prime1 + Prime4;
    if (left >= 4) {
        hash = rotateLeft(hash ^ (quint64(load32(p)) * Prime1), 23) * Prime2 + Prime3;
        p += 4;
        left -= 4;
    }
    for (; left > 0; ++p, --left)
        hash = rotateLeft(hash ^ (*p * Prime5), 11) * Prime1;

    hash ^= hash >> 33;
    hash *= Prime2;
    hash ^= hash >> 29;
    hash *= Prime3;
    hash ^= hash >> 32;
    return hash;
}

} // namespace quillmere::copy
