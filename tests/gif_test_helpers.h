// Shared by the GIF tests: decoding built files and looking at the result in
// picture order.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "image/dib_image.h"
#include "tests/support/gif_reference.h"
#include "tests/support/gif_writer.h"
#include "tests/support/memory_file.h"

namespace kestrel::test {

struct GifResult {
    bool ok = false;
    std::unique_ptr<CDibImage> image = std::make_unique<CDibImage>(ImageFormat::Gif);
};

inline GifResult DecodeGif(const GifBytes& file)
{
    GifResult result;
    FILE* stream = OpenMemoryFile(file);
    if (!stream) return result;
    result.ok = result.image->Decode(stream, ImageFormat::Gif);
    std::fclose(stream);
    return result;
}

// The indices of the picture, rows from the top, one byte per pixel.
inline GifBytes PictureIndices(const CDibImage& image)
{
    GifBytes out;
    if (image.IsEmpty()) return out;
    for (int y = image.Height() - 1; y >= 0; --y)
        for (int x = 0; x < image.Width(); ++x) out.push_back(image.GetPixelIndex(x, y));
    return out;
}

// One picture row (0 = top).
inline GifBytes PictureRow(const CDibImage& image, int row)
{
    GifBytes out;
    for (int x = 0; x < image.Width(); ++x) out.push_back(image.GetPixelIndex(x, image.Height() - 1 - row));
    return out;
}

// A colour table of n distinct colours, none of them white.
inline std::vector<GifColour> TestPalette(int n)
{
    std::vector<GifColour> palette;
    for (int i = 0; i < n; ++i)
        palette.push_back({std::uint8_t(i), std::uint8_t(255 - i), std::uint8_t((i * 7) & 0x7F)});
    return palette;
}

// The file decoded by the reader (through the loader) and by the plain
// reference decoder give the same result, header and DIB block byte for byte.
inline void ExpectSameAsReference(const GifBytes& file, const char* what = "")
{
    const GifResult ours = DecodeGif(file);
    CDibImage reference(ImageFormat::Gif);
    const bool referenceOk = ReferenceDecodeGif(file, reference);
    ASSERT_EQ(ours.ok, referenceOk) << what;
    const CDibImage& image = *ours.image;
    ASSERT_EQ(image.IsEmpty(), reference.IsEmpty()) << what;
    EXPECT_EQ(image.Info().transparentIndex, reference.Info().transparentIndex) << what;
    EXPECT_EQ(image.Info().frameDelay, reference.Info().frameDelay) << what;
    EXPECT_EQ(image.Info().format, reference.Info().format) << what;
    if (image.IsEmpty()) return;
    ASSERT_EQ(0, std::memcmp(&image.Header(), &reference.Header(), sizeof(BITMAPINFOHEADER))) << what;
    ASSERT_EQ(image.GetDibSize(), reference.GetDibSize()) << what;
    const std::uint8_t* a = image.Dib();
    const std::uint8_t* b = reference.Dib();
    for (DWORD i = 0; i < image.GetDibSize(); ++i) {
        if (a[i] != b[i]) {
            const DWORD pixelStart = 40 + image.GetPaletteSize();
            const int stride = image.Info().stride;
            if (i < pixelStart)
                FAIL() << what << ": header or colour table byte " << i << " differs";
            else
                FAIL() << what << ": pixel byte differs in DIB row " << (i - pixelStart) / DWORD(stride)
                       << " at byte " << (i - pixelStart) % DWORD(stride) << ": " << int(a[i])
                       << " instead of " << int(b[i]);
        }
    }
}

}  // namespace kestrel::test
