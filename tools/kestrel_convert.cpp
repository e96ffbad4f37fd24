// kestrel-convert: loads one file with a chosen reader and writes what the
// image object holds, so the readers can be checked from outside.
//
//   kestrel-convert [--format FMT] [--frame N] [--info] [--alpha FILE] INPUT [OUTPUT.bmp]
//
// Exit status: 0 the load succeeded, 1 it failed, 2 usage error.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "image/dib_image.h"

namespace {

constexpr const char* USAGE =
    "usage: kestrel-convert [--format FMT] [--frame N] [--info] [--alpha FILE] INPUT [OUTPUT.bmp]\n"
    "  FMT: bmp, gif, jpeg, png, ico, tiff, tga, pcx or a format code (default gif)\n"
    "  --frame N     image of a multi-image file to read (icon entry, TIFF page)\n"
    "  --info        print what was read as one JSON line\n"
    "  --alpha FILE  write the alpha plane (width x height bytes) when there is one\n"
    "  OUTPUT.bmp    write the image as a BMP file\n";

struct Options {
    ImageFormat format = ImageFormat::Gif;
    int frame = 0;
    bool info = false;
    std::string alphaPath;
    std::string input;
    std::string output;
};

std::optional<int> ParseInt(std::string_view text)
{
    if (text.empty()) return std::nullopt;
    const std::string copy(text);
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(copy.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return int(value);
}

std::optional<ImageFormat> ParseFormat(std::string_view name)
{
    static constexpr std::pair<std::string_view, ImageFormat> NAMES[] = {
        {"bmp", ImageFormat::Bmp}, {"gif", ImageFormat::Gif},   {"jpeg", ImageFormat::Jpeg},
        {"jpg", ImageFormat::Jpeg}, {"png", ImageFormat::Png},  {"ico", ImageFormat::Ico},
        {"tiff", ImageFormat::Tiff}, {"tif", ImageFormat::Tiff}, {"tga", ImageFormat::Tga},
        {"pcx", ImageFormat::Pcx},
    };
    for (const auto& [text, format] : NAMES)
        if (text == name) return format;
    if (const auto code = ParseInt(name)) return ImageFormat(*code);
    return std::nullopt;
}

// Returns the options, or nothing after printing why they are wrong.
std::optional<Options> ParseArguments(int argc, char** argv, bool& helpAsked)
{
    Options options;
    int positional = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            helpAsked = true;
            return std::nullopt;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--format" && hasValue) {
            const auto format = ParseFormat(argv[++i]);
            if (!format) {
                std::fprintf(stderr, "kestrel-convert: unknown format '%s'\n", argv[i]);
                return std::nullopt;
            }
            options.format = *format;
        } else if (arg == "--frame" && hasValue) {
            const auto frame = ParseInt(argv[++i]);
            if (!frame) {
                std::fprintf(stderr, "kestrel-convert: --frame takes a number\n");
                return std::nullopt;
            }
            options.frame = *frame;
        } else if (arg == "--alpha" && hasValue) {
            options.alphaPath = argv[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "kestrel-convert: unknown or incomplete option '%s'\n", argv[i]);
            return std::nullopt;
        } else if (positional == 0) {
            options.input = arg;
            ++positional;
        } else if (positional == 1) {
            options.output = arg;
            ++positional;
        } else {
            std::fprintf(stderr, "kestrel-convert: too many arguments\n");
            return std::nullopt;
        }
    }
    if (options.input.empty()) {
        std::fprintf(stderr, "kestrel-convert: no input file\n");
        return std::nullopt;
    }
    return options;
}

std::string JsonEscaped(const char* text)
{
    std::string out;
    for (const unsigned char c : std::string_view(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else {
            out += char(c);
        }
    }
    return out;
}

void PrintInfo(const CDibImage& image, bool ok)
{
    const bool empty = image.IsEmpty();
    const BITMAPINFOHEADER& header = image.Header();
    const DibImageInfo& info = image.Info();
    std::printf(
        "{\"ok\":%s,\"width\":%d,\"height\":%d,\"bitCount\":%d,\"colours\":%u,"
        "\"transparentIndex\":%d,\"frameCount\":%d,\"frameDelay\":%d,\"xDpi\":%d,\"yDpi\":%d,"
        "\"paletteHasAlpha\":%s,\"hasAlpha\":%s,\"lastError\":\"%s\"}\n",
        ok ? "true" : "false", empty ? 0 : int(header.biWidth), empty ? 0 : int(header.biHeight),
        empty ? 0 : int(header.biBitCount), empty ? 0u : unsigned(header.biClrUsed),
        info.transparentIndex, info.frameCount, info.frameDelay, info.xDpi, info.yDpi,
        info.paletteHasAlpha ? "true" : "false", image.AlphaPlane() ? "true" : "false",
        JsonEscaped(info.lastError).c_str());
}

void PutLittleEndian(unsigned char* at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A 14-byte file header followed by the DIB block exactly as held in memory.
bool WriteBmp(const CDibImage& image, const std::string& path)
{
    const std::uint32_t dibBytes = image.GetDibSize();
    unsigned char fileHeader[14] = {'B', 'M'};
    PutLittleEndian(fileHeader + 2, 14 + dibBytes, 4);
    PutLittleEndian(fileHeader + 10, 54 + 4 * image.Header().biClrUsed, 4);
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(fileHeader, 1, sizeof fileHeader, out) == sizeof fileHeader &&
              std::fwrite(image.Dib(), 1, dibBytes, out) == dibBytes;
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

bool WriteAlpha(const CDibImage& image, const std::string& path)
{
    const std::size_t bytes = std::size_t(image.Width()) * std::size_t(image.Height());
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(image.AlphaPlane(), 1, bytes, out) == bytes;
    ok = std::fclose(out) == 0 && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    bool helpAsked = false;
    const std::optional<Options> parsed = ParseArguments(argc, argv, helpAsked);
    if (!parsed) {
        std::fputs(USAGE, helpAsked ? stdout : stderr);
        return helpAsked ? 0 : 2;
    }
    const Options& options = *parsed;

    CDibImage image(options.format);
    image.Info().frameIndex = options.frame;
    FILE* probe = std::fopen(options.input.c_str(), "rb");
    const int openError = probe ? 0 : errno;
    if (probe) std::fclose(probe);
    const bool ok = probe && image.Load(options.input.c_str(), options.format);

    if (options.info) PrintInfo(image, ok);
    if (!ok) {
        if (openError)
            std::fprintf(stderr, "kestrel-convert: cannot open %s: %s\n", options.input.c_str(),
                         std::strerror(openError));
        else
            std::fprintf(stderr, "kestrel-convert: %s: %s\n", options.input.c_str(),
                         image.LastError()[0] ? image.LastError() : "the file could not be read");
        return 1;
    }
    if (!options.output.empty() && !image.IsEmpty() && !WriteBmp(image, options.output)) {
        std::fprintf(stderr, "kestrel-convert: cannot write %s\n", options.output.c_str());
        return 1;
    }
    if (!options.alphaPath.empty() && image.AlphaPlane() && !WriteAlpha(image, options.alphaPath)) {
        std::fprintf(stderr, "kestrel-convert: cannot write %s\n", options.alphaPath.c_str());
        return 1;
    }
    return 0;
}
