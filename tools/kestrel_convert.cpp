// kestrel-convert: loads one file with a chosen reader and writes what the
// image object holds, so the readers can be checked from outside; with
// --draw it draws the image onto a surface and writes the surface, so the
// renderer can be checked the same way.
//
//   kestrel-convert [--format FMT] [--frame N] [--info] [--alpha FILE] INPUT [OUTPUT.bmp|OUTPUT.png|OUTPUT.ppm]
//   kestrel-convert [--format FMT] [--opacity N] --draw SW,SH,X,Y,W,H[,RRGGBB] INPUT OUTPUT.ppm
//
// OUTPUT's extension (any case) names what is written; any other is a usage
// error, so a name such as out.jpg never receives a file of another format.
//
// Exit status: 0 the load succeeded, 1 it failed (or, when drawing, the image
// is empty), 2 usage error.
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/device_context.h"
#include "image/dib_image.h"
#include "tools/json_text.h"
#include "tools/png_writer.h"

namespace {

constexpr const char* USAGE =
    "usage: kestrel-convert [--format FMT] [--frame N] [--info] [--alpha FILE] INPUT\n"
    "                       [OUTPUT.bmp|OUTPUT.png|OUTPUT.ppm]\n"
    "  FMT: bmp, gif, jpeg, png, ico, tiff, tga, pcx or a format code (default gif)\n"
    "  --frame N     image of a multi-image file to read (icon entry, TIFF page)\n"
    "  --info        print what was read as one JSON line\n"
    "  --alpha FILE  write the alpha plane (width x height bytes) when there is one\n"
    "  OUTPUT.bmp    write the image as a BMP file\n"
    "  OUTPUT.png    write the image as a PNG file (palette, RGB, or RGBA with the alpha plane)\n"
    "  OUTPUT.ppm    write the image drawn at its own size on white as a binary PPM file\n"
    "   or: kestrel-convert [--format FMT] [--opacity N] --draw SW,SH,X,Y,W,H[,RRGGBB] INPUT OUTPUT.ppm\n"
    "  --opacity N   opacity (0 to 255) set after the load\n"
    "  --draw ...    fill an SW x SH surface with RRGGBB (default FFFFFF), draw the image\n"
    "                at X,Y in W x H (negative: own size) and write the surface as a binary PPM\n";

// Largest surface --draw makes, in pixels.
constexpr std::int64_t MAX_SURFACE_PIXELS = std::int64_t(1) << 28;

struct DrawRequest {
    int surfaceWidth = 0;
    int surfaceHeight = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    COLORREF fill = RGB(255, 255, 255);
};

enum class OutputKind { Bmp, Png, Ppm };

// The kind OUTPUT's extension names, in any case; none for another.
std::optional<OutputKind> OutputKindOf(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return std::nullopt;
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == "bmp") return OutputKind::Bmp;
    if (extension == "png") return OutputKind::Png;
    if (extension == "ppm") return OutputKind::Ppm;
    return std::nullopt;
}

struct Options {
    ImageFormat format = ImageFormat::Gif;
    int frame = 0;
    bool info = false;
    std::string alphaPath;
    std::optional<int> opacity;
    std::optional<DrawRequest> draw;
    OutputKind outputKind = OutputKind::Bmp;
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

// SW,SH,X,Y,W,H[,RRGGBB]; the surface must have at least one pixel.
std::optional<DrawRequest> ParseDraw(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = text.find(',', start);
        fields.push_back(text.substr(start, comma == std::string_view::npos ? comma : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (fields.size() != 6 && fields.size() != 7) return std::nullopt;
    int numbers[6];
    for (int i = 0; i < 6; ++i) {
        const auto value = ParseInt(fields[std::size_t(i)]);
        if (!value) return std::nullopt;
        numbers[i] = *value;
    }
    DrawRequest request{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]};
    if (request.surfaceWidth <= 0 || request.surfaceHeight <= 0 ||
        std::int64_t(request.surfaceWidth) * request.surfaceHeight > MAX_SURFACE_PIXELS)
        return std::nullopt;
    if (fields.size() == 7) {
        const std::string colour(fields[6]);
        if (colour.size() != 6 || colour.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos)
            return std::nullopt;
        const unsigned long rgb = std::strtoul(colour.c_str(), nullptr, 16);
        request.fill = RGB(BYTE(rgb >> 16), BYTE(rgb >> 8), BYTE(rgb));
    }
    return request;
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
        } else if (arg == "--opacity" && hasValue) {
            const auto opacity = ParseInt(argv[++i]);
            if (!opacity || *opacity < 0 || *opacity > 255) {
                std::fprintf(stderr, "kestrel-convert: --opacity takes a number from 0 to 255\n");
                return std::nullopt;
            }
            options.opacity = *opacity;
        } else if (arg == "--draw" && hasValue) {
            options.draw = ParseDraw(argv[++i]);
            if (!options.draw) {
                std::fprintf(stderr, "kestrel-convert: --draw takes SW,SH,X,Y,W,H[,RRGGBB] with a surface of "
                                     "1 to 2^28 pixels\n");
                return std::nullopt;
            }
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
    if (options.draw && options.output.empty()) {
        std::fprintf(stderr, "kestrel-convert: --draw needs an output file\n");
        return std::nullopt;
    }
    if (!options.output.empty()) {
        const std::optional<OutputKind> kind = OutputKindOf(options.output);
        if (!kind) {
            std::fprintf(stderr, "kestrel-convert: the output must end in .bmp, .png or .ppm: %s\n",
                         options.output.c_str());
            return std::nullopt;
        }
        if (options.draw && *kind != OutputKind::Ppm) {
            std::fprintf(stderr, "kestrel-convert: --draw writes a PPM file, so the output must end in .ppm: %s\n",
                         options.output.c_str());
            return std::nullopt;
        }
        options.outputKind = *kind;
    }
    return options;
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

// Fills a surface, draws the image on it with the whole surface as the clip
// box, and writes it as a binary PPM (P6): red, green, blue per pixel.
bool DrawToPpm(CDibImage& image, const DrawRequest& request, const std::string& path)
{
    std::vector<std::uint32_t> surface(std::size_t(request.surfaceWidth) * std::size_t(request.surfaceHeight));
    DeviceContext dc(surface.data(), request.surfaceWidth, request.surfaceHeight, request.surfaceWidth * 4);
    dc.FillSolid(DeviceRect{0, 0, request.surfaceWidth, request.surfaceHeight}, request.fill);
    image.Draw(&dc, request.x, request.y, request.width, request.height);

    std::vector<unsigned char> bytes;
    bytes.reserve(surface.size() * 3);
    for (const std::uint32_t pixel : surface) {
        bytes.push_back(static_cast<unsigned char>(pixel >> 16));
        bytes.push_back(static_cast<unsigned char>(pixel >> 8));
        bytes.push_back(static_cast<unsigned char>(pixel));
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fprintf(out, "P6\n%d %d\n255\n", request.surfaceWidth, request.surfaceHeight) > 0 &&
              std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
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
    image.SetFrameIndex(options.frame);
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
    if (options.opacity) image.SetOpacity(std::uint8_t(*options.opacity));
    if (options.draw) {
        if (image.IsEmpty()) {
            std::fprintf(stderr, "kestrel-convert: %s: the image is empty\n", options.input.c_str());
            return 1;
        }
        if (!DrawToPpm(image, *options.draw, options.output)) {
            std::fprintf(stderr, "kestrel-convert: cannot write %s\n", options.output.c_str());
            return 1;
        }
    } else if (!options.output.empty() && !image.IsEmpty()) {
        std::string error;
        bool written = false;
        switch (options.outputKind) {
        case OutputKind::Bmp:
            written = WriteBmp(image, options.output);
            break;
        case OutputKind::Png:
            written = WritePngFile(image, options.output, error);
            break;
        case OutputKind::Ppm: {
            DrawRequest ownSize;
            ownSize.surfaceWidth = ownSize.width = image.Width();
            ownSize.surfaceHeight = ownSize.height = image.Height();
            written = DrawToPpm(image, ownSize, options.output);
            break;
        }
        }
        if (!written) {
            std::fprintf(stderr, "kestrel-convert: cannot write %s%s%s\n", options.output.c_str(),
                         error.empty() ? "" : ": ", error.c_str());
            return 1;
        }
    }
    if (!options.alphaPath.empty() && image.AlphaPlane() && !WriteAlpha(image, options.alphaPath)) {
        std::fprintf(stderr, "kestrel-convert: cannot write %s\n", options.alphaPath.c_str());
        return 1;
    }
    return 0;
}
