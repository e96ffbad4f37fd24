// OffscreenSection: a 24-bit bottom-up bitmap in memory whose rows the caller
// writes directly. Row 0 is the first row in memory and the bottom line of
// the picture; each pixel is three bytes, blue, green, red, and every row is
// padded to a multiple of 4 bytes, as in a DIB.
//
// A section that could not be made (no memory, a size of 0, or more bytes
// than the limit it was made with) has null Bits() and owns nothing.
#pragma once

#include <cstdint>

#include "image/dib_view.h"
#include "image/win_types.h"

class OffscreenSection {
public:
    OffscreenSection() = default;
    OffscreenSection(int width, int height, std::uint64_t byteLimit);
    ~OffscreenSection();

    OffscreenSection(OffscreenSection&& other) noexcept;
    OffscreenSection& operator=(OffscreenSection&& other) noexcept;
    OffscreenSection(const OffscreenSection&) = delete;
    OffscreenSection& operator=(const OffscreenSection&) = delete;

    // Bytes per row of a section width pixels wide.
    static std::int64_t StrideFor(int width) { return ((std::int64_t(width) * 24 + 31) / 32) * 4; }

    BYTE* Bits() const { return m_bits; }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    std::int64_t Stride() const { return m_stride; }
    BYTE* Row(int k) const { return m_bits + k * m_stride; }

    // The first `rows` rows as a DIB (clamped to the section's height).
    DibView View(int rows) const;

private:
    void Release();

    BYTE* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::int64_t m_stride = 0;
};
