#include "image/offscreen_section.h"

#include <cstdlib>
#include <utility>

OffscreenSection::OffscreenSection(int width, int height, std::uint64_t byteLimit)
{
    if (width <= 0 || height <= 0) return;
    const std::int64_t stride = StrideFor(width);
    const std::uint64_t bytes = std::uint64_t(stride) * std::uint64_t(height);
    if (bytes > byteLimit || bytes > SIZE_MAX) return;
    m_bits = static_cast<BYTE*>(std::malloc(std::size_t(bytes)));
    if (!m_bits) return;
    m_width = width;
    m_height = height;
    m_stride = stride;
}

OffscreenSection::~OffscreenSection() { Release(); }

OffscreenSection::OffscreenSection(OffscreenSection&& other) noexcept
    : m_bits(std::exchange(other.m_bits, nullptr)),
      m_width(std::exchange(other.m_width, 0)),
      m_height(std::exchange(other.m_height, 0)),
      m_stride(std::exchange(other.m_stride, 0))
{
}

OffscreenSection& OffscreenSection::operator=(OffscreenSection&& other) noexcept
{
    if (this != &other) {
        Release();
        m_bits = std::exchange(other.m_bits, nullptr);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_stride = std::exchange(other.m_stride, 0);
    }
    return *this;
}

void OffscreenSection::Release()
{
    std::free(m_bits);
    m_bits = nullptr;
    m_width = m_height = 0;
    m_stride = 0;
}

DibView OffscreenSection::View(int rows) const
{
    DibView view;
    if (!m_bits) return view;
    view.width = m_width;
    view.height = rows < 0 ? 0 : (rows > m_height ? m_height : rows);
    view.bitCount = 24;
    view.stride = m_stride;
    view.bits = m_bits;
    return view;
}
