// ByteCursor: reads bytes already in memory front to back and never past
// their end. Every read says whether the bytes were there; a failed read
// moves nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "formats/byte_reads.h"

class ByteCursor {
public:
    ByteCursor(const BYTE* bytes, std::size_t size) : m_bytes(bytes), m_size(bytes ? size : 0) {}

    std::size_t Position() const { return m_at; }
    std::size_t Left() const { return m_size - m_at; }
    const BYTE* Here() const { return m_bytes + m_at; }

    bool Skip(std::size_t count)
    {
        if (count > Left()) return false;
        m_at += count;
        return true;
    }
    bool Byte(std::uint8_t& value)
    {
        if (Left() < 1) return false;
        value = m_bytes[m_at++];
        return true;
    }
    bool U16(std::uint16_t& value)
    {
        if (Left() < 2) return false;
        value = Le16(Here());
        m_at += 2;
        return true;
    }
    bool U32(std::uint32_t& value)
    {
        if (Left() < 4) return false;
        value = Le32(Here());
        m_at += 4;
        return true;
    }
    bool Bytes(void* to, std::size_t count)
    {
        if (count > Left()) return false;
        if (count) std::memcpy(to, Here(), count);
        m_at += count;
        return true;
    }

private:
    const BYTE* m_bytes;
    std::size_t m_size;
    std::size_t m_at = 0;
};
