// Real-world and hand-crafted GIF files from the shared test data: the first
// frame of each, as the reader and kestrel-convert give it, against giflib.
// Skipped when the shared test data is absent.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "tests/gif_test_helpers.h"
#include "tests/support/external_decoders.h"
#include "tests/support/giflib_memory_reader.h"
#include "tests/support/test_paths.h"

namespace kestrel::test {
namespace {

namespace fs = std::filesystem;

// giflib's view of the first image: its size, colour table and the rows it
// could decode (rows from the top; a row giflib failed on is left out).
struct GiflibFrame {
    bool opened = false;
    int width = 0;
    int height = 0;
    std::vector<GifColour> colours;
    std::vector<bool> rowDecoded;
    GifBytes pixels;
};

GiflibFrame GiflibFirstFrame(const GifBytes& bytes)
{
    GiflibFrame frame;
    MemoryReader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif) return frame;
    frame.opened = true;
    GifRecordType record;
    while (DGifGetRecordType(gif, &record) == GIF_OK && record != TERMINATE_RECORD_TYPE) {
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif, &code, &extension) != GIF_OK) break;
            while (extension)
                if (DGifGetExtensionNext(gif, &extension) != GIF_OK) break;
            if (extension) break;
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK) break;
        frame.width = gif->Image.Width;
        frame.height = gif->Image.Height;
        const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
        if (map)
            for (int i = 0; i < map->ColorCount; ++i)
                frame.colours.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
        frame.pixels.assign(std::size_t(frame.width) * std::size_t(frame.height), 0);
        frame.rowDecoded.assign(std::size_t(frame.height), false);
        const std::vector<int> order = gif->Image.Interlace ? GifInterlacedRowOrder(frame.height) : [&] {
            std::vector<int> rows(std::size_t(frame.height));
            for (int y = 0; y < frame.height; ++y) rows[std::size_t(y)] = y;
            return rows;
        }();
        for (const int row : order) {
            GifPixelType* line = frame.pixels.data() + std::size_t(row) * std::size_t(frame.width);
            if (DGifGetLine(gif, line, frame.width) != GIF_OK) {
                std::fill(line, line + frame.width, 0);
                break;
            }
            frame.rowDecoded[std::size_t(row)] = true;
        }
        break;
    }
    DGifCloseFile(gif, &error);
    return frame;
}

std::vector<fs::path> SharedGifFiles()
{
    std::vector<fs::path> files;
    const std::string root = SharedTestDataDir();
    if (root.empty() || !fs::is_directory(root + "/gif")) return files;
    for (const auto& entry : fs::recursive_directory_iterator(root + "/gif"))
        if (entry.is_regular_file() && entry.path().extension() == ".gif") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

GifBytes FileBytes(const fs::path& path)
{
    const std::string content = ReadFileBytes(path.string());
    return GifBytes(content.begin(), content.end());
}

class GifSharedFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        files_ = SharedGifFiles();
        if (files_.empty()) GTEST_SKIP() << "../shared/testdata/gif is absent: real-world GIF checks skipped";
    }
    std::vector<fs::path> files_;
};

TEST_F(GifSharedFiles, FirstFrameMatchesGiflib)
{
    int compared = 0;
    for (const fs::path& path : files_) {
        SCOPED_TRACE(path.filename().string());
        const GifBytes bytes = FileBytes(path);
        CDibImage image(path.string().c_str(), ImageFormat::Gif);
        const GiflibFrame frame = GiflibFirstFrame(bytes);
        if (!frame.opened || frame.rowDecoded.empty()) continue;  // nothing giflib can vouch for
        ++compared;
        ASSERT_FALSE(image.IsEmpty());
        ASSERT_EQ(image.Width(), frame.width);
        ASSERT_EQ(image.Height(), frame.height);

        const int mask = (1 << image.BitCount()) - 1;
        for (int row = 0; row < frame.height; ++row) {
            if (!frame.rowDecoded[std::size_t(row)]) continue;
            const GifBytes ours = PictureRow(image, row);
            for (int x = 0; x < frame.width; ++x)
                ASSERT_EQ(ours[std::size_t(x)], frame.pixels[std::size_t(row) * std::size_t(frame.width) + std::size_t(x)] & mask)
                    << "row " << row << " column " << x;
        }

        const int stored = std::min<int>(int(frame.colours.size()), int(image.Header().biClrUsed));
        for (int i = 0; i < stored; ++i) {
            const GifColour expected = frame.colours[std::size_t(i)];
            const RGBQUAD entry = image.GetPaletteColour(BYTE(i));
            EXPECT_EQ(entry.rgbRed, expected.red) << "entry " << i;
            EXPECT_EQ(entry.rgbGreen, expected.green) << "entry " << i;
            EXPECT_EQ(entry.rgbBlue, expected.blue) << "entry " << i;
        }
    }
    EXPECT_GT(compared, 10);
}

TEST_F(GifSharedFiles, ReaderAgreesWithThePlainDecoder)
{
    for (const fs::path& path : files_) ExpectSameAsReference(FileBytes(path), path.filename().c_str());
}

TEST_F(GifSharedFiles, EveryTruncationOfTheSmallFilesMatchesThePlainDecoder)
{
    for (const fs::path& path : files_) {
        const GifBytes bytes = FileBytes(path);
        if (bytes.size() > 4096) continue;
        for (std::size_t length = 0; length < bytes.size(); length += 1 + length / 64) {
            ExpectSameAsReference(GifBytes(bytes.begin(), bytes.begin() + long(length)), path.filename().c_str());
            if (HasFatalFailure()) return;
        }
    }
}

// Runs kestrel-convert under a time limit; its exit status, or -1 when it
// crashed or was stopped.
int RunConvert(const std::string& arguments)
{
    const std::string command = "timeout 60 '" KESTREL_CONVERT_PATH "' " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (status == -1 || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

TEST_F(GifSharedFiles, ConvertToolWritesTheSameDibWithoutCrashingOrHanging)
{
    const std::string dir = MakeTempDir("kestrel-gif-convert");
    ASSERT_FALSE(dir.empty());
    for (const fs::path& path : files_) {
        SCOPED_TRACE(path.filename().string());
        const std::string output = dir + "/out.bmp";
        fs::remove(output);
        const int status = RunConvert("--format gif --info " + ShellQuote(path.string()) + " " + ShellQuote(output));
        ASSERT_EQ(status, 0);
        CDibImage image(path.string().c_str(), ImageFormat::Gif);
        if (image.IsEmpty()) {
            EXPECT_FALSE(fs::exists(output));
            continue;
        }
        const std::string written = ReadFileBytes(output);
        ASSERT_EQ(written.size(), 14 + std::size_t(image.GetDibSize()));
        EXPECT_EQ(written.substr(0, 2), "BM");
        EXPECT_EQ(0, std::memcmp(written.data() + 14, image.Dib(), image.GetDibSize()));
    }
    fs::remove_all(dir);
}

}  // namespace
}  // namespace kestrel::test
