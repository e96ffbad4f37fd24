// ByteBuilder: little-endian bytes appended one field at a time, for test
// files written as readable recipes.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace kestrel::test {

class ByteBuilder {
public:
    ByteBuilder& U8(unsigned value)
    {
        m_bytes.push_back(char(value & 0xFF));
        return *this;
    }
    ByteBuilder& U16(unsigned value) { return U8(value).U8(value >> 8); }
    ByteBuilder& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
    ByteBuilder& I32(std::int32_t value) { return U32(std::uint32_t(value)); }
    ByteBuilder& Bytes(std::initializer_list<unsigned> values)
    {
        for (unsigned v : values) U8(v);
        return *this;
    }
    ByteBuilder& Append(const std::string& bytes)
    {
        m_bytes += bytes;
        return *this;
    }
    ByteBuilder& Fill(std::size_t count, unsigned value)
    {
        m_bytes.append(count, char(value & 0xFF));
        return *this;
    }
    // Pads with zeros up to a multiple of alignment.
    ByteBuilder& Align(std::size_t alignment)
    {
        while (m_bytes.size() % alignment != 0) U8(0);
        return *this;
    }
    void PatchU32(std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i) m_bytes[at + i] = char((value >> (8 * i)) & 0xFF);
    }

    std::size_t Size() const { return m_bytes.size(); }
    const std::string& Str() const { return m_bytes; }

private:
    std::string m_bytes;
};

}  // namespace kestrel::test
