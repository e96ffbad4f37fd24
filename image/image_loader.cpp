// Loading by format code: a reader object of the named format decodes the
// open file into itself, and only a complete result replaces this picture.
#include <cstring>
#include <new>

#include "formats/bmp_image.h"
#include "formats/gif_image.h"
#include "formats/ico_image.h"
#include "formats/jpeg_image.h"
#include "formats/pcx_image.h"
#include "formats/png_image.h"
#include "formats/tga_image.h"
#include "formats/tiff_image.h"
#include "image/dib_image.h"

// Readers report through their result and lastError; the guard around them
// is a last one, so that nothing (an allocation failure inside a library,
// say) leaves the image layer.
template <typename Reader>
bool CDibImage::DecodeWith(FILE* file, ImageFormat format, bool passFrameIndex)
{
    Reader reader(format);
    CDibImage& result = reader;
    if (passFrameIndex) reader.SetFrameIndex(m_info.frameIndex);
    if (result.DecodeGuarded([&] { return reader.Decode(file); })) {
        Transfer(reader);
        return true;
    }
    SetLastError(result.m_info.lastError);
    return false;
}

bool CDibImage::DecodeFailure()
{
    try {
        throw;
    } catch (const char* message) {
        SetLastError(message);
    } catch (const std::bad_alloc&) {
        SetLastError(OUT_OF_MEMORY_TEXT);
    } catch (...) {
        SetLastError(UNEXPECTED_FAILURE_TEXT);
    }
    return false;
}

bool CDibImage::Load(const char* path, ImageFormat format)
{
    if (!path) return false;
    FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    const bool ok = Decode(file, format);
    std::fclose(file);
    return ok;
}

bool CDibImage::Decode(FILE* file, ImageFormat format)
{
    switch (format) {
    case ImageFormat::Bmp: return DecodeWith<CBmpImage>(file, format, false);
    case ImageFormat::Gif: return DecodeWith<CGifImage>(file, format, false);
    case ImageFormat::Jpeg: return DecodeWith<CJpegImage>(file, format, false);
    case ImageFormat::Png: return DecodeWith<CPngImage>(file, format, false);
    case ImageFormat::Ico: return DecodeWith<CIcoImage>(file, format, true);
    case ImageFormat::Tiff: return DecodeWith<CTiffImage>(file, format, true);
    case ImageFormat::Tga: return DecodeWith<CTgaImage>(file, format, false);
    case ImageFormat::Pcx: return DecodeWith<CPcxImage>(file, format, false);
    }
    SetLastError("Unsupported operation for this format");
    return false;
}
