#include "export/shot_export.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>

#include "export/export_parts.h"
#include "shots/cache/shot_reader.h"
#include "formats/gif_structure.h"
#include "image/shot_placeholder.h"
#include "shots/list/file_status.h"
#include "shots/list/shot_types.h"

namespace {

// A placeholder's size when no shot of the run has one to give.
constexpr int FALLBACK_WIDTH = 640;
constexpr int FALLBACK_HEIGHT = 480;

std::string LowerExtension(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

}  // namespace

bool ExportKindFor(const ExportSettings& settings, ExportKind& kind, std::string& reason)
{
    const std::string extension = LowerExtension(settings.out);
    const bool sheet = settings.sheet.has_value();
    if (extension == "png" || extension == "jpg" || extension == "jpeg") {
        if (!sheet) {
            reason = "a ." + extension + " file is a contact sheet: give --sheet COLSxROWS";
            return false;
        }
        kind = extension == "png" ? ExportKind::SheetPng : ExportKind::SheetJpeg;
        return true;
    }
    if (extension == "gif") {
        kind = ExportKind::Gif;
    } else if (extension == "mp4") {
        kind = ExportKind::Mp4;
    } else if (extension == "webm") {
        kind = ExportKind::WebM;
    } else if (extension == "mkv") {
        kind = ExportKind::Mkv;
    } else {
        reason = "cannot tell what to write from the name '" + settings.out +
                 "': it must end in .gif, .mp4, .webm, .mkv, .png or .jpg";
        return false;
    }
    if (sheet) {
        reason = "--sheet makes a .png or .jpg file, not a ." + extension + " one";
        return false;
    }
    return true;
}

bool ParseSheetLayout(const std::string& text, SheetLayout& layout)
{
    int columns = 0;
    int rows = 0;
    char tail = 0;
    // Digits only on either side of one 'x'.
    if (text.empty() || text.find_first_not_of("0123456789x") != std::string::npos) return false;
    if (std::sscanf(text.c_str(), "%4dx%4d%c", &columns, &rows, &tail) != 2) return false;
    if (columns < 1 || rows < 1 || columns * rows > EXPORT_SHEET_CELLS_MAX) return false;
    layout = {columns, rows};
    return true;
}

bool ProbeGifImageSize(const std::string& path, int& width, int& height)
{
    FILE* file = OpenRegularFile(path);
    if (!file) return false;
    BYTE header[13];
    bool found = false;
    if (std::fread(header, 1, 13, file) == 13 && IsGifSignature(header) &&
        std::fseek(file, long(GifColourTableBytes(header[10])), SEEK_CUR) == 0) {
        // Extensions are skipped sub-block by sub-block up to the first image.
        for (int blocks = 0; blocks < 4096 && !found; ++blocks) {
            const int introducer = std::fgetc(file);
            if (introducer == 0x2C) {
                BYTE descriptor[9];
                if (std::fread(descriptor, 1, 9, file) == 9) {
                    width = descriptor[4] | descriptor[5] << 8;
                    height = descriptor[6] | descriptor[7] << 8;
                    found = width > 0 && height > 0;
                }
                break;
            }
            if (introducer != 0x21 || std::fgetc(file) == EOF) break;
            int length = 0;
            while ((length = std::fgetc(file)) > 0) {
                if (std::fseek(file, length, SEEK_CUR) != 0) break;
            }
            if (length != 0) break;
        }
    }
    std::fclose(file);
    return found;
}

namespace {

std::uint32_t Be32At(const BYTE* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

// PNG: the IHDR chunk comes first, right after the signature.
bool ProbePngImageSize(FILE* file, int& width, int& height)
{
    BYTE header[24];
    if (std::fread(header, 1, sizeof header, file) != sizeof header) return false;
    if (std::memcmp(header, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(header + 12, "IHDR", 4) != 0) return false;
    const std::uint32_t w = Be32At(header + 16);
    const std::uint32_t h = Be32At(header + 20);
    if (w == 0 || h == 0 || w > 0x7FFFFFFF || h > 0x7FFFFFFF) return false;
    width = int(w);
    height = int(h);
    return true;
}

// JPEG: markers segment by segment up to the first start of frame.
bool ProbeJpegImageSize(FILE* file, int& width, int& height)
{
    if (std::fgetc(file) != 0xFF || std::fgetc(file) != 0xD8) return false;
    for (int segments = 0; segments < 4096; ++segments) {
        int marker = std::fgetc(file);
        if (marker != 0xFF) return false;
        while (marker == 0xFF) marker = std::fgetc(file);  // fill bytes
        if (marker == EOF || marker == 0xD9 || marker == 0xDA) return false;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
        BYTE length[2];
        if (std::fread(length, 1, 2, file) != 2) return false;
        const int size = length[0] << 8 | length[1];
        if (size < 2) return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            BYTE fields[5];
            if (size < 7 || std::fread(fields, 1, 5, file) != 5) return false;
            height = fields[1] << 8 | fields[2];
            width = fields[3] << 8 | fields[4];
            return width > 0 && height > 0;
        }
        if (std::fseek(file, size - 2, SEEK_CUR) != 0) return false;
    }
    return false;
}

}  // namespace

bool ProbeShotImageSize(const std::string& path, int& width, int& height)
{
    const ImageFormat format = ShotFormatForPath(path);
    if (format == ImageFormat::Gif) return ProbeGifImageSize(path, width, height);
    if (format == ImageFormat::Png || format == ImageFormat::Jpeg) {
        FILE* file = OpenRegularFile(path);
        if (!file) return false;
        const bool found = format == ImageFormat::Png ? ProbePngImageSize(file, width, height)
                                                      : ProbeJpegImageSize(file, width, height);
        std::fclose(file);
        return found;
    }
    // The rarer types are read whole.
    const DecodedShot decoded = ReadShotFile(path);
    if (!decoded.image || decoded.image->IsEmpty()) return false;
    width = decoded.image->Width();
    height = decoded.image->Height();
    return true;
}

LoadedShot LoadShotForExport(const std::string& path, int placeholderWidth, int placeholderHeight)
{
    // The reader the extension names, as the viewer reads the shot.
    LoadedShot shot;
    DecodedShot decoded = ReadShotFile(path);
    if (decoded.image && !decoded.image->IsEmpty()) {
        shot.image = std::move(decoded.image);
        return shot;
    }
    shot.failed = true;
    shot.image = MakeShotPlaceholder(placeholderWidth, placeholderHeight,
                                     ShotPlaceholderText(path, ShotFailureReason(path, decoded.image.get())));
    return shot;
}

std::string FormatShotTime(std::int64_t fileTime)
{
    const std::int64_t seconds = fileTime / 10000000 - kFileTimeUnixEpoch / 10000000;
    const std::time_t whole = std::time_t(seconds);
    std::tm parts {};
    char text[64] = "unknown time";
    if (gmtime_r(&whole, &parts)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%SZ", &parts);
    return text;
}

void ComposeRgb(const CDibImage& image, int width, int height, std::vector<std::uint8_t>& rgb)
{
    rgb.assign(std::size_t(width) * std::size_t(height) * 3, 255);
    if (image.IsEmpty()) return;
    const int w = std::min(width, image.Width());
    const int h = std::min(height, image.Height());
    const int bitCount = image.BitCount();
    const int transparent = image.Info().transparentIndex;
    const RGBQUAD* palette = image.GetPalette();
    const BYTE* pixels = image.GetPixels();
    for (int y = 0; y < h; ++y) {
        const BYTE* row = pixels + std::size_t(image.Height() - 1 - y) * std::size_t(image.Info().stride);
        std::uint8_t* to = rgb.data() + std::size_t(y) * std::size_t(width) * 3;
        for (int x = 0; x < w; ++x, to += 3) {
            if (bitCount == 24) {
                to[0] = row[3 * x + 2];
                to[1] = row[3 * x + 1];
                to[2] = row[3 * x];
                continue;
            }
            int index = 0;
            if (bitCount == 8) {
                index = row[x];
            } else if (bitCount == 4) {
                index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
            } else {
                index = (row[x >> 3] >> (7 - (x & 7))) & 1;
            }
            if (index == transparent || !palette || DWORD(index) >= image.Header().biClrUsed) continue;
            to[0] = palette[index].rgbRed;
            to[1] = palette[index].rgbGreen;
            to[2] = palette[index].rgbBlue;
        }
    }
}

bool ExportFailure(const ExportJob& job, const std::string& message)
{
    job.outcome->status = ExportOutcome::Status::Failed;
    job.outcome->message = message;
    return false;
}

bool ExportCancelled(const ExportJob& job)
{
    job.outcome->status = ExportOutcome::Status::Cancelled;
    job.outcome->message = "cancelled";
    return false;
}

ExportOutcome ExportShots(const std::vector<ExportShot>& shots, const ExportSettings& settings,
                          const ExportProgress& progress)
{
    ExportOutcome outcome;
    ExportKind kind = ExportKind::Gif;
    if (!ExportKindFor(settings, kind, outcome.message)) return outcome;
    if (shots.empty()) {
        outcome.message = "no shots to export";
        return outcome;
    }
    if (settings.intervalMs < 1) {
        outcome.message = "the interval must be at least 1 ms";
        return outcome;
    }

    // The screen: the largest shot, read from the files' headers where the
    // format puts the size there.
    int screenWidth = 0;
    int screenHeight = 0;
    for (const ExportShot& shot : shots) {
        int width = 0;
        int height = 0;
        if (ProbeShotImageSize(shot.path, width, height)) {
            screenWidth = std::max(screenWidth, width);
            screenHeight = std::max(screenHeight, height);
        }
    }
    if (screenWidth == 0 || screenHeight == 0) {
        screenWidth = FALLBACK_WIDTH;
        screenHeight = FALLBACK_HEIGHT;
    }

    int workers = settings.workers;
    if (workers < 0) workers = int(std::max(1u, std::thread::hardware_concurrency()));

    ExportFiles files;
    ExportJob job{&shots, &settings, kind, screenWidth, screenHeight, workers, &files, &progress, &outcome};
    bool written = false;
    switch (kind) {
    case ExportKind::Gif:
        written = WriteGifExport(job);
        break;
    case ExportKind::Mp4:
    case ExportKind::WebM:
    case ExportKind::Mkv:
        written = WriteVideoExport(job);
        break;
    case ExportKind::SheetPng:
    case ExportKind::SheetJpeg:
        written = WriteSheetExport(job);
        break;
    }
    if (!written) {
        files.Discard();
        outcome.shots = 0;
        return outcome;
    }
    const std::vector<std::string> finals = files.FinalPaths();
    if (!files.Commit(outcome.message)) {
        outcome.status = ExportOutcome::Status::Failed;
        return outcome;
    }
    outcome.status = ExportOutcome::Status::Done;
    outcome.files = finals;
    outcome.shots = shots.size();
    return outcome;
}

std::string ExportSummary(const ExportOutcome& outcome)
{
    if (outcome.status != ExportOutcome::Status::Done) return outcome.message;
    std::string text = "exported " + std::to_string(outcome.shots) + (outcome.shots == 1 ? " shot" : " shots") + " to ";
    if (outcome.files.size() == 1) {
        text += outcome.files.front();
    } else {
        text += std::to_string(outcome.files.size()) + " pages, " + outcome.files.front() + " to " + outcome.files.back();
    }
    if (outcome.placeholders > 0) {
        text += ", " + std::to_string(outcome.placeholders) +
                (outcome.placeholders == 1 ? " as a placeholder" : " as placeholders") + " (failed to load)";
    }
    return text;
}
