// Exporting a run of shots into one file for someone else: an animated GIF,
// a video, or contact sheets. The kind follows OUT's extension:
//   .gif               animated GIF (formats/gif_writer.h): each frame the
//                      shot's own indices, colours and transparent index,
//                      delay the interval in hundredths (at least 2), looping
//                      forever, the screen the largest shot's size;
//   .mp4, .mkv         H.264; .webm VP9 (video_export.cpp): frame rate
//                      1000 / interval, yuv420p, odd sizes padded to even;
//   .png, .jpg, .jpeg  with a sheet layout: contact sheets of thumbnails in
//                      the order given, each captioned with its shot number
//                      and last-write time; more shots than cells make more
//                      pages, NAME-001.png, NAME-002.png, ...
// A shot that fails to load goes in as its placeholder
// (image/shot_placeholder.h) and is counted. Every file is written under a
// temporary name beside OUT and renamed at the end (temp_output.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "image/dib_image.h"

enum class ExportKind { Gif, Mp4, WebM, Mkv, SheetPng, SheetJpeg };

struct ExportShot {
    std::string path;
    std::string numberText;       // as the shot-number box shows it
    std::int64_t lastWriteTime = 0;  // file time (shots/file_status.h)
};

struct SheetLayout {
    int columns = 0;
    int rows = 0;
};

struct ExportSettings {
    std::string out;
    int intervalMs = 1000;
    std::optional<int> crf;            // video quality; the encoder's default when none
    std::optional<SheetLayout> sheet;  // contact sheets
    int sheetWidth = 2480;             // pixels
    int workers = -1;                  // decoding and encoding threads; -1: one per core
};

constexpr int EXPORT_CRF_MAX = 63;
constexpr int EXPORT_SHEET_WIDTH_MIN = 64;
constexpr int EXPORT_SHEET_WIDTH_MAX = 32768;
constexpr int EXPORT_SHEET_CELLS_MAX = 1000;
constexpr int EXPORT_SHEET_PAGES_MAX = 999;

// Called after each shot; answering false stops the export (a cancel).
using ExportProgress = std::function<bool(std::size_t done, std::size_t total)>;

struct ExportOutcome {
    enum class Status { Done, Failed, Cancelled };
    Status status = Status::Failed;
    std::string message;              // for Failed: what went wrong
    std::size_t shots = 0;            // exported
    std::size_t placeholders = 0;     // of them, shots that failed to load
    std::vector<std::string> files;   // written, for Done
};

// The kind OUT's extension and the sheet layout ask for; false with a
// one-line reason when they do not make one.
bool ExportKindFor(const ExportSettings& settings, ExportKind& kind, std::string& reason);

// "4x3" -> 4 columns, 3 rows (1 to EXPORT_SHEET_CELLS_MAX cells).
bool ParseSheetLayout(const std::string& text, SheetLayout& layout);

ExportOutcome ExportShots(const std::vector<ExportShot>& shots, const ExportSettings& settings,
                          const ExportProgress& progress = nullptr);

// The closing line: "exported 12 shots to out.gif" with ", 1 as a
// placeholder (failed to load)" when any failed.
std::string ExportSummary(const ExportOutcome& outcome);

// A shot as export puts it in: its picture, or its placeholder of
// placeholderWidth x placeholderHeight when it fails to load (failed set).
struct LoadedShot {
    std::unique_ptr<CDibImage> image;
    bool failed = false;
};
LoadedShot LoadShotForExport(const std::string& path, int placeholderWidth, int placeholderHeight);

// Width and height of the first image of the GIF file at path, read from
// its header and blocks without decoding; false when there is none.
bool ProbeGifImageSize(const std::string& path, int& width, int& height);
// The same for a shot of any type, by its extension: GIF, PNG and JPEG from
// their headers, the others by reading them.
bool ProbeShotImageSize(const std::string& path, int& width, int& height);

// A file time in UTC to the second: "2026-12-07 11:02:03Z".
std::string FormatShotTime(std::int64_t fileTime);
