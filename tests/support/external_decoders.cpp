#include "tests/support/external_decoders.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/support/reader_bytes.h"

namespace kestrel::test {

namespace {

bool IsExecutable(const std::string& path) { return RunQuiet("test -x " + ShellQuote(path)); }

}  // namespace

bool RunQuiet(const std::string& command)
{
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

const std::string& ImageMagickConvert()
{
    static const std::string path = [] {
        for (const std::string candidate : {"/usr/bin/convert", "convert"}) {
            if (candidate[0] == '/' && !IsExecutable(candidate)) continue;
            if (RunQuiet(candidate + " -version | grep -q ImageMagick")) return candidate;
        }
        return std::string();
    }();
    return path;
}

const std::string& PillowPython()
{
    static const std::string path = [] {
        for (const std::string candidate : {"/usr/bin/python3", "python3"})
            if (RunQuiet(candidate + " -c 'import PIL.Image'")) return candidate;
        return std::string();
    }();
    return path;
}

bool WritePam(const std::string& path, const ReferenceImage& image)
{
    std::ofstream out(path, std::ios::binary);
    out << "P7\nWIDTH " << image.width << "\nHEIGHT " << image.height
        << "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    out.write(reinterpret_cast<const char*>(image.rgba.data()), std::streamsize(image.rgba.size()));
    return bool(out);
}

bool ReadPam(const std::string& path, ReferenceImage& image)
{
    std::ifstream in(path, std::ios::binary);
    std::string line;
    if (!std::getline(in, line) || line != "P7") return false;
    int depth = 0, maxval = 0;
    while (std::getline(in, line) && line != "ENDHDR") {
        std::istringstream fields(line);
        std::string key;
        fields >> key;
        if (key == "WIDTH") fields >> image.width;
        else if (key == "HEIGHT") fields >> image.height;
        else if (key == "DEPTH") fields >> depth;
        else if (key == "MAXVAL") fields >> maxval;
    }
    if (maxval != 255 || depth < 1 || depth > 4 || image.width <= 0 || image.height <= 0) return false;
    const std::size_t n = std::size_t(image.width) * std::size_t(image.height);
    std::vector<std::uint8_t> raw(n * std::size_t(depth));
    if (!in.read(reinterpret_cast<char*>(raw.data()), std::streamsize(raw.size()))) return false;
    image.rgba.assign(n * 4, 255);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t* p = &raw[i * std::size_t(depth)];
        std::uint8_t* q = &image.rgba[i * 4];
        if (depth <= 2) {
            q[0] = q[1] = q[2] = p[0];
            if (depth == 2) q[3] = p[1];
        } else {
            q[0] = p[0];
            q[1] = p[1];
            q[2] = p[2];
            if (depth == 4) q[3] = p[3];
        }
    }
    return true;
}

bool DecodeWithImageMagick(const std::string& input, const std::string& pamPath, ReferenceImage& image)
{
    const std::string& convert = ImageMagickConvert();
    if (convert.empty()) return false;
    if (!RunQuiet(convert + " " + ShellQuote(input) + " -depth 8 -type TrueColorAlpha PAM:" +
                  ShellQuote(pamPath)))
        return false;
    return ReadPam(pamPath, image);
}

std::string DifferenceFromReference(const CDibImage& image, const ReferenceImage& reference,
                                    int colourBits, bool compareAlpha)
{
    std::ostringstream why;
    if (image.Width() != reference.width || image.Height() != reference.height) {
        why << "size " << image.Width() << "x" << image.Height() << ", reference " << reference.width
            << "x" << reference.height;
        return why.str();
    }
    const int drop = 8 - colourBits;
    for (int row = 0; row < reference.height; ++row) {
        for (int x = 0; x < reference.width; ++x) {
            const Rgba ours = SeenPixel(image, x, row);
            const std::uint8_t* ref = &reference.rgba[(std::size_t(row) * reference.width + x) * 4];
            const bool same = (ours.r >> drop) == (ref[0] >> drop) && (ours.g >> drop) == (ref[1] >> drop) &&
                              (ours.b >> drop) == (ref[2] >> drop) && (!compareAlpha || ours.a == ref[3]);
            if (!same) {
                why << "pixel (" << x << ", row " << row << " from the top): ours " << int(ours.r) << ","
                    << int(ours.g) << "," << int(ours.b) << "," << int(ours.a) << " reference "
                    << int(ref[0]) << "," << int(ref[1]) << "," << int(ref[2]) << "," << int(ref[3]);
                return why.str();
            }
        }
    }
    return std::string();
}

ReferenceImage ColourfulPicture(bool withAlpha)
{
    ReferenceImage picture;
    picture.width = 13;
    picture.height = 7;
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            picture.rgba.push_back(std::uint8_t(x * 19 + y * 3));
            picture.rgba.push_back(std::uint8_t(y * 36));
            picture.rgba.push_back(std::uint8_t(255 - x * 17));
            picture.rgba.push_back(withAlpha ? std::uint8_t(40 + (x + y) * 15) : 255);
        }
    }
    return picture;
}

}  // namespace kestrel::test
