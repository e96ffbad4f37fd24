// ImageMagick and Pillow as independent writers and decoders of real files:
// a test writes a file with the tool, decodes it with the same tool and with
// Kestrel, and compares the pixels. Also runs kestrel-convert on test bytes.
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

// Pillow's decode of frame 0 of input as RGBA.
bool DecodeWithPillow(const std::string& input, const std::string& pamPath, ReferenceImage& image);

enum class Tool { ImageMagick, Pillow };
bool ToolInstalled(Tool tool);

// One variant of a format as a tool writes it from the colourful picture.
struct ToolFile {
    std::string variant;  // for messages
    Tool tool;
    // ImageMagick: what follows the input on the command line, ending in the
    // output's format prefix ("-type palette BMP3:"). Pillow: Python
    // statements that save the picture `im` (mode RGB, or RGBA with
    // alphaPicture) to the path `out`.
    std::string write;
    // Bytes the written file must hold at these offsets, to show the tool
    // really wrote that variant.
    std::vector<std::pair<std::size_t, std::string>> expect;
    bool alphaPicture = false;
    int frame = 0;
    int colourBits = 8;
    bool compareAlpha = false;
};

// Checks each file whose tool is installed: written by the tool, decoded by
// the same tool and by Kestrel's reader for format (through Load), compared.
struct ToolFileOutcome {
    std::vector<std::string> failures;  // variant: why
    std::vector<std::string> skipped;   // variants whose tool is missing
};
ToolFileOutcome CheckToolFiles(const std::vector<ToolFile>& files, ImageFormat format);

// Runs kestrel-convert with arguments followed by the path of a scratch file
// holding bytes; gives its standard output and exit status.
struct ConvertRun {
    int status = -1;
    std::string output;
};
ConvertRun RunConvert(const std::string& convertPath, const std::string& arguments, const std::string& bytes);

}  // namespace kestrel::test
