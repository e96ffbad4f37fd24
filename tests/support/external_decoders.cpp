#include "tests/support/external_decoders.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/reader_bytes.h"

namespace kestrel::test {

namespace {

bool IsExecutable(const std::string& path) { return RunQuiet("test -x " + ShellQuote(path)); }

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir()
    {
        std::error_code error;
        std::string pattern = (std::filesystem::temp_directory_path(error) / "kestrel-test-XXXXXX").string();
        if (!error && mkdtemp(pattern.data())) m_path = pattern;
    }
    ~ScratchDir()
    {
        std::error_code error;
        if (!m_path.empty()) std::filesystem::remove_all(m_path, error);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool Made() const { return !m_path.empty(); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteWholeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

bool WriteWithTool(const ToolFile& file, const ScratchDir& dir, const std::string& output)
{
    const ReferenceImage picture = ColourfulPicture(file.alphaPicture);
    if (file.tool == Tool::ImageMagick) {
        const std::string input = dir.File("picture.pam");
        return WritePam(input, picture) &&
               RunQuiet(ImageMagickConvert() + " " + ShellQuote(input) + " " + file.write + ShellQuote(output));
    }
    const std::string raw = dir.File("picture.rgba");
    const std::string script = dir.File("write.py");
    std::ostringstream program;
    program << "import sys\nfrom PIL import Image\n"
            << "im = Image.frombytes('RGBA', (" << picture.width << ", " << picture.height
            << "), open(sys.argv[1], 'rb').read())\n"
            << (file.alphaPicture ? "" : "im = im.convert('RGB')\n") << "out = sys.argv[2]\n"
            << file.write << "\n";
    return WriteWholeFile(raw, std::string(picture.rgba.begin(), picture.rgba.end())) &&
           WriteWholeFile(script, program.str()) &&
           RunQuiet(PillowPython() + " " + ShellQuote(script) + " " + ShellQuote(raw) + " " + ShellQuote(output));
}

std::string CheckToolFile(const ToolFile& file, ImageFormat format)
{
    ScratchDir dir;
    if (!dir.Made()) return "no scratch directory";
    // ImageMagick knows files without a signature (TGA, icons) by their extension.
    const char* extension = format == ImageFormat::Tga ? ".tga" : format == ImageFormat::Ico ? ".ico" : "";
    const std::string path = dir.File(std::string("written") + extension);
    if (!WriteWithTool(file, dir, path)) return "the tool could not write it";
    const std::string bytes = ReadWholeFile(path);
    for (const auto& [at, expected] : file.expect)
        if (bytes.compare(at, expected.size(), expected) != 0)
            return "the tool wrote another variant (bytes at " + std::to_string(at) + " differ)";

    ReferenceImage reference;
    const std::string pam = dir.File("reference.pam");
    const bool decoded = file.tool == Tool::ImageMagick
                             ? DecodeWithImageMagick(path + "[" + std::to_string(file.frame) + "]", pam, reference)
                             : DecodeWithPillow(path, pam, reference);
    if (!decoded) return "the tool could not decode its own file";

    CDibImage image(format);
    image.SetFrameIndex(file.frame);
    if (!image.Load(path.c_str(), format)) return std::string("Kestrel could not read it: ") + image.LastError();
    return DifferenceFromReference(image, reference, file.colourBits, file.compareAlpha);
}

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
            if (RunQuiet(candidate + " -version | grep -q '^Version: ImageMagick'")) return candidate;
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
    // -auto-orient: ImageMagick keeps a TGA file's origin as a tag and leaves
    // the rows as stored unless asked to turn them.
    if (!RunQuiet(convert + " " + ShellQuote(input) + " -auto-orient -depth 8 -type TrueColorAlpha PAM:" +
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

bool DecodeWithPillow(const std::string& input, const std::string& pamPath, ReferenceImage& image)
{
    const std::string& python = PillowPython();
    if (python.empty()) return false;
    const std::string program =
        "import sys\nfrom PIL import Image\n"
        "im = Image.open(sys.argv[1]).convert('RGBA')\n"
        "header = 'P7\\nWIDTH %d\\nHEIGHT %d\\nDEPTH 4\\nMAXVAL 255\\nTUPLTYPE RGB_ALPHA\\nENDHDR\\n' % im.size\n"
        "open(sys.argv[2], 'wb').write(header.encode() + im.tobytes())\n";
    return RunQuiet(python + " -c " + ShellQuote(program) + " " + ShellQuote(input) + " " + ShellQuote(pamPath)) &&
           ReadPam(pamPath, image);
}

bool ToolInstalled(Tool tool)
{
    return !(tool == Tool::ImageMagick ? ImageMagickConvert() : PillowPython()).empty();
}

ToolFileOutcome CheckToolFiles(const std::vector<ToolFile>& files, ImageFormat format)
{
    ToolFileOutcome outcome;
    for (const ToolFile& file : files) {
        if (!ToolInstalled(file.tool)) {
            outcome.skipped.push_back(file.variant);
            continue;
        }
        const std::string why = CheckToolFile(file, format);
        if (!why.empty()) outcome.failures.push_back(file.variant + ": " + why);
    }
    return outcome;
}

ConvertRun RunConvert(const std::string& convertPath, const std::string& arguments, const std::string& bytes)
{
    ConvertRun run;
    ScratchDir dir;
    const std::string input = dir.File("input");
    if (!dir.Made() || !WriteWholeFile(input, bytes)) return run;
    FILE* pipe = popen((ShellQuote(convertPath) + " " + arguments + " " + ShellQuote(input) + " 2>/dev/null").c_str(), "r");
    if (!pipe) return run;
    char buffer[512];
    std::size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kestrel::test
