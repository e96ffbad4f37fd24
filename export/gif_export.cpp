// The animated GIF of an export: the first shot's colour table is the
// global one, every frame is encoded on a worker (decode, then LZW) and the
// frames are written in order, so the file is the same for any number of
// workers.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "export/export_parts.h"
#include "export/ordered_pipeline.h"
#include "formats/gif_writer.h"

namespace {

struct EncodedFrame {
    GifByteString bytes;
    bool failed = false;
};

// Hundredths of a second, rounded, at least 2: most viewers play shorter
// delays as 10.
int GifDelay(int intervalMs) { return std::max(2, (intervalMs + 5) / 10); }

bool MakeFrame(const ExportJob& job, std::size_t index, GifFrame& frame, bool& failed)
{
    LoadedShot shot = LoadShotForExport((*job.shots)[index].path, job.screenWidth, job.screenHeight);
    failed = shot.failed;
    if (!shot.image) return false;
    const int delay = GifDelay(job.settings->intervalMs);
    if (shot.image->BitCount() > 8) {
        // True colour (PNG, JPEG, TIFF shots): the drawn colours, to a fixed table.
        std::vector<std::uint8_t> rgb;
        ComposeRgb(*shot.image, shot.image->Width(), shot.image->Height(), rgb);
        GifFrameFromRgb(rgb.data(), shot.image->Width(), shot.image->Height(), delay, frame);
    } else if (!GifFrameFromImage(*shot.image, delay, frame)) {
        return false;
    }
    // A frame that does not cover the screen, or shows through, is cleared
    // before the next one, as the viewer shows each shot on its own.
    const bool covers = frame.width >= job.screenWidth && frame.height >= job.screenHeight;
    frame.disposal = covers && frame.transparentIndex < 0 ? 1 : 2;
    return true;
}

}  // namespace

bool WriteGifExport(const ExportJob& job)
{
    const std::vector<ExportShot>& shots = *job.shots;
    std::string tempPath;
    std::string reason;
    FILE* file = job.files->Create(job.settings->out, tempPath, reason);
    if (!file) return ExportFailure(job, reason);
    bool writeFailed = false;
    auto write = [&](const GifByteString& bytes) {
        if (!writeFailed && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) writeFailed = true;
    };

    // The first frame decides the global table.
    GifFrame first;
    bool failed = false;
    if (!MakeFrame(job, 0, first, failed)) {
        std::fclose(file);
        return ExportFailure(job, "not enough memory for " + shots[0].path);
    }
    const GifColourTable global = first.table;
    write(GifScreenBytes(job.screenWidth, job.screenHeight, global));
    write(GifFrameBytes(first, global));
    job.outcome->placeholders += failed ? 1 : 0;
    first = GifFrame{};
    if (!job.Report(1)) {
        std::fclose(file);
        return ExportCancelled(job);
    }

    bool outOfMemory = false;
    const bool completed = RunOrdered<EncodedFrame>(
        shots.size() - 1, job.workers,
        [&](std::size_t i) {
            EncodedFrame encoded;
            GifFrame frame;
            if (MakeFrame(job, i + 1, frame, encoded.failed)) encoded.bytes = GifFrameBytes(frame, global);
            return encoded;
        },
        [&](std::size_t i, EncodedFrame& encoded) {
            if (encoded.bytes.empty()) {
                outOfMemory = true;
                return false;
            }
            write(encoded.bytes);
            job.outcome->placeholders += encoded.failed ? 1 : 0;
            return !writeFailed && job.Report(i + 2);
        });
    write(GifByteString{GIF_TRAILER});
    const int writeError = writeFailed ? errno : 0;
    const bool closed = std::fclose(file) == 0;
    if (writeFailed || !closed)
        return ExportFailure(job, "cannot write '" + tempPath + "': " + std::strerror(writeError ? writeError : errno));
    if (outOfMemory) return ExportFailure(job, "not enough memory to export the shots");
    if (!completed) return ExportCancelled(job);
    return true;
}
