// Test helpers for the shot list: a temporary shot directory whose files
// get last-write times chosen by the test, a text box that records what is
// written into it, a file dialog that answers at once, and a tiny GIF
// file for shots with known pixels.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <thread>
#include <string>
#include <utility>
#include <vector>

#include "app/framework/file_open_dialog.h"
#include "app/framework/text_box.h"
#include "tests/support/gif_writer.h"
#include "tests/support/test_paths.h"

namespace shots_test {

// A temporary directory, removed with everything in it at the end.
class ShotDir {
public:
    ShotDir() : m_path(kestrel::test::MakeTempDir("kestrel-shots")) {}
    // In base instead of the usual temporary folder; Dir() is "/" when base
    // has no room for one.
    explicit ShotDir(const std::string& base)
    {
        std::string pattern = base + "/kestrel-shots-XXXXXX";
        if (mkdtemp(pattern.data())) m_path = pattern;
    }
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

    // A FIFO named name (no writer ever opens it) with the given time.
    std::string AddFifo(const std::string& name, long long seconds)
    {
        const std::string path = Path(name);
        mkfifo(path.c_str(), 0644);
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

// Runs call and tells whether it came back without waiting on fifo. Should
// it still be running after timeout, fifo is opened for writing and closed
// again until it comes back, so a reader stuck on it sees an end of file
// and the test fails instead of hanging.
inline bool ReturnsWithoutBlockingOn(const std::string& fifo, const std::function<void()>& call,
                                     std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool blocked = false;
    std::thread rescue([&] {
        std::unique_lock<std::mutex> lock(mutex);
        if (done.wait_for(lock, timeout, [&] { return finished; })) return;
        blocked = true;
        while (!finished) {
            lock.unlock();
            const int fd = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
            lock.lock();
            done.wait_for(lock, std::chrono::milliseconds(20), [&] { return finished; });
        }
    });
    call();
    {
        std::lock_guard<std::mutex> lock(mutex);
        finished = true;
    }
    done.notify_all();
    rescue.join();
    return !blocked;
}

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
// given colour indices (row by row from the top). transparentIndex >= 0 adds
// a graphic control extension that names it.
inline std::string TinyGif(int width, int height, std::array<Rgb, 4> palette,
                           const std::vector<std::uint8_t>& indices, int transparentIndex = -1)
{
    kestrel::test::GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.pixels.assign(indices.begin(), indices.end());
    for (const Rgb& colour : palette) picture.palette.push_back({colour[0], colour[1], colour[2]});
    picture.transparentIndex = transparentIndex;
    const kestrel::test::GifBytes bytes = kestrel::test::EncodeGif(picture);
    return std::string(bytes.begin(), bytes.end());
}

// A width x height GIF of one colour.
inline std::string SolidGif(int width, int height, Rgb colour)
{
    return TinyGif(width, height, {colour, Rgb{0, 0, 0}, Rgb{0, 0, 0}, Rgb{0, 0, 0}},
                   std::vector<std::uint8_t>(std::size_t(width) * std::size_t(height), 0));
}

}  // namespace shots_test
