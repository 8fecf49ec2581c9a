// Bounds-checked little-endian reading for the readers of our own: every read past the end of
// the data fails with the reader's "truncated" message instead of reading beyond the buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "common/error.h"

namespace vexaris::imaging::detail {

class ByteReader
{
public:
    ByteReader(const uint8_t *bytes, size_t size, std::string truncatedMessage)
        : m_bytes(bytes)
        , m_size(size)
        , m_truncated(std::move(truncatedMessage))
    {
    }

    size_t offset() const { return m_offset; }
    size_t size() const { return m_size; }
    size_t remaining() const { return m_size - m_offset; }
    bool atEnd() const { return m_offset >= m_size; }

    const uint8_t *take(size_t count)
    {
        need(count);
        const uint8_t *start = m_bytes + m_offset;
        m_offset += count;
        return start;
    }
    void skip(size_t count) { take(count); }
    void seek(size_t offset)
    {
        if (offset > m_size)
            fail();
        m_offset = offset;
    }

    uint8_t u8() { return *take(1); }
    uint16_t u16()
    {
        const uint8_t *b = take(2);
        return static_cast<uint16_t>(b[0] | b[1] << 8);
    }
    uint32_t u32()
    {
        const uint8_t *b = take(4);
        return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
    }
    int32_t i32() { return static_cast<int32_t>(u32()); }

    [[noreturn]] void fail() const { throw Error(m_truncated); }

private:
    void need(size_t count) const
    {
        if (count > m_size - m_offset)
            fail();
    }

    const uint8_t *m_bytes;
    size_t m_size;
    size_t m_offset = 0;
    std::string m_truncated;
};

} // namespace vexaris::imaging::detail
