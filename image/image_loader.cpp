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

namespace {

// Runs one reader and moves its result into target. Readers report through
// their result and lastError; the catch is a last guard so that nothing (an
// allocation failure inside a library, say) leaves the image layer.
template <typename Reader>
bool DecodeWith(CDibImage& target, FILE* file, ImageFormat format, bool passFrameIndex)
{
    Reader reader(format);
    if (passFrameIndex) reader.Info().frameIndex = target.Info().frameIndex;
    bool ok = false;
    try {
        ok = reader.Decode(file);
    } catch (const std::bad_alloc&) {
        std::strcpy(reader.Info().lastError, CDibImage::OUT_OF_MEMORY_TEXT);
    } catch (...) {
        std::strcpy(reader.Info().lastError, CDibImage::UNEXPECTED_FAILURE_TEXT);
    }
    if (ok) {
        target.Transfer(reader);
        return true;
    }
    std::memcpy(target.Info().lastError, reader.Info().lastError, sizeof reader.Info().lastError);
    target.Info().lastError[sizeof target.Info().lastError - 1] = '\0';
    return false;
}

}  // namespace

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
    case ImageFormat::Bmp: return DecodeWith<CBmpImage>(*this, file, format, false);
    case ImageFormat::Gif: return DecodeWith<CGifImage>(*this, file, format, false);
    case ImageFormat::Jpeg: return DecodeWith<CJpegImage>(*this, file, format, false);
    case ImageFormat::Png: return DecodeWith<CPngImage>(*this, file, format, false);
    case ImageFormat::Ico: return DecodeWith<CIcoImage>(*this, file, format, true);
    case ImageFormat::Tiff: return DecodeWith<CTiffImage>(*this, file, format, true);
    case ImageFormat::Tga: return DecodeWith<CTgaImage>(*this, file, format, false);
    case ImageFormat::Pcx: return DecodeWith<CPcxImage>(*this, file, format, false);
    }
    SetLastError("Unsupported operation for this format");
    return false;
}
