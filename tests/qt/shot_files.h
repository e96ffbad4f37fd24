// Test helpers for the shot list: a temporary shot directory whose files
// get last-write times chosen by the test, a text box that records what is
// written into it, a file dialog that answers at once, and a tiny GIF
// builder for shots with known pixels.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/framework/file_open_dialog.h"
#include "app/framework/text_box.h"
#include "tests/support/test_paths.h"

namespace shots_test {

// A temporary directory, removed with everything in it at the end.
class ShotDir {
public:
    ShotDir() : m_path(kestrel::test::MakeTempDir("kestrel-shots")) {}
    ~ShotDir()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ShotDir(const ShotDir&) = delete;
    ShotDir& operator=(const ShotDir&) = delete;

    // The directory with its trailing separator, as the document keeps it.
    std::string Dir() const { return m_path + "/"; }
    std::string Path(const std::string& name) const { return Dir() + name; }

    // Writes a file and sets its last-write time to seconds + nanoseconds
    // after 1970-01-01.
    std::string AddFile(const std::string& name, long long seconds, long nanoseconds = 0,
                        const std::string& bytes = "GIF89a")
    {
        const std::string path = Path(name);
        kestrel::test::WriteFileBytes(path, bytes);
        SetTime(path, seconds, nanoseconds);
        return path;
    }

    std::string AddDirectory(const std::string& name, long long seconds)
    {
        const std::string path = Path(name);
        std::filesystem::create_directories(path);
        SetTime(path, seconds, 0);
        return path;
    }

    static void SetTime(const std::string& path, long long seconds, long nanoseconds)
    {
        struct timespec times[2];
        times[0].tv_sec = time_t(seconds);
        times[0].tv_nsec = nanoseconds;
        times[1] = times[0];
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }

private:
    std::string m_path;
};

class RecordingTextBox : public ITextBox {
public:
    void SetWindowText(const std::string& text) override
    {
        m_text = text;
        ++m_writes;
    }
    std::string GetWindowText() const override { return m_text; }

    std::string m_text;
    int m_writes = 0;
};

// Installs a dialog that chooses path (or cancels when path is empty) and
// remembers the request; puts the previous dialog back at the end.
class ScopedFileDialog {
public:
    explicit ScopedFileDialog(std::string path)
    {
        m_previous = SetFileOpenDialog([this, path](const FileOpenRequest& request, FileOpenChoice& choice) {
            m_request = request;
            ++m_calls;
            if (path.empty()) return false;
            choice.path = path;
            choice.fileName = std::filesystem::path(path).filename().string();
            return true;
        });
    }
    ~ScopedFileDialog() { SetFileOpenDialog(std::move(m_previous)); }
    ScopedFileDialog(const ScopedFileDialog&) = delete;
    ScopedFileDialog& operator=(const ScopedFileDialog&) = delete;

    FileOpenRequest m_request;
    int m_calls = 0;

private:
    FileOpenDialog m_previous;
};

using Rgb = std::array<std::uint8_t, 3>;

// A GIF89a file of one image with a 4-entry global colour table and the
// given colour indices (row by row from the top). The LZW data holds only
// literal codes, with a clear code after every two, so the code width stays
// at 3 bits. transparentIndex >= 0 adds a graphic control extension.
inline std::string TinyGif(int width, int height, std::array<Rgb, 4> palette,
                           const std::vector<std::uint8_t>& indices, int transparentIndex = -1)
{
    std::string out = "GIF89a";
    auto put16 = [&out](int value) {
        out += char(value & 0xFF);
        out += char((value >> 8) & 0xFF);
    };
    put16(width);
    put16(height);
    out += char(0x91);  // global table, 2 bits of colour resolution, 4 entries
    out += char(0);
    out += char(0);
    for (const Rgb& colour : palette) {
        for (std::uint8_t byte : colour) out += char(byte);
    }
    if (transparentIndex >= 0) {
        out += "\x21\xF9\x04";
        out += char(0x01);
        put16(0);
        out += char(transparentIndex);
        out += char(0);
    }
    out += char(0x2C);
    put16(0);
    put16(0);
    put16(width);
    put16(height);
    out += char(0);

    std::vector<int> codes{4};
    int sinceClear = 0;
    for (std::uint8_t index : indices) {
        if (sinceClear == 2) {
            codes.push_back(4);
            sinceClear = 0;
        }
        codes.push_back(index & 3);
        ++sinceClear;
    }
    codes.push_back(5);
    std::string data;
    unsigned bits = 0;
    int count = 0;
    for (int code : codes) {
        bits |= unsigned(code) << count;
        count += 3;
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    }
    if (count > 0) data += char(bits & 0xFF);

    out += char(2);  // minimum code size
    for (std::size_t at = 0; at < data.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, data.size() - at);
        out += char(length);
        out += data.substr(at, length);
    }
    out += char(0);
    out += char(0x3B);
    return out;
}

// A width x height GIF of one colour.
inline std::string SolidGif(int width, int height, Rgb colour)
{
    return TinyGif(width, height, {colour, Rgb{0, 0, 0}, Rgb{0, 0, 0}, Rgb{0, 0, 0}},
                   std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), 0));
}

}  // namespace shots_test
