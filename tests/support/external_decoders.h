// ImageMagick and Pillow as independent writers and decoders of real files:
// a test writes a file with the tool, decodes it with the same tool and with
// Kestrel, and compares the pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/dib_image.h"

namespace kestrel::test {

// ImageMagick's convert, or an empty string when it is not installed.
const std::string& ImageMagickConvert();
// A python3 that can import PIL, or an empty string.
const std::string& PillowPython();

// Runs a shell command with its output thrown away; true on exit status 0.
bool RunQuiet(const std::string& command);
// Single quotes text for the shell.
std::string ShellQuote(const std::string& text);

// A decoded picture, top row first, red, green, blue, alpha per pixel.
struct ReferenceImage {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};

// Writes and reads 8-bit PAM files (depth 1 to 4), the form both tools give.
bool WritePam(const std::string& path, const ReferenceImage& image);
bool ReadPam(const std::string& path, ReferenceImage& image);

// ImageMagick's decode of input (e.g. "file.ico[1]") as RGBA.
bool DecodeWithImageMagick(const std::string& input, const std::string& pamPath, ReferenceImage& image);

// Compares an image with a reference: empty when they agree, else the first
// difference. colourBits keeps only the top bits of each channel (5 for
// 5-bit channels); alpha is compared only when compareAlpha.
std::string DifferenceFromReference(const CDibImage& image, const ReferenceImage& reference,
                                    int colourBits = 8, bool compareAlpha = false);

// A 13 x 7 test picture with many colours, for the tools to quantise.
ReferenceImage ColourfulPicture(bool withAlpha = false);

}  // namespace kestrel::test
