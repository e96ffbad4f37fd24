// The pieces ExportShots puts together, one file each: the GIF, video and
// contact-sheet writers. Internal to the export folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/shot_export.h"
#include "export/temp_output.h"

// What every writer needs besides the shots: the settings, the screen
// (largest shot, the size of a placeholder), the files to write under
// temporary names, and the progress to report.
struct ExportJob {
    const std::vector<ExportShot>* shots;
    const ExportSettings* settings;
    ExportKind kind;
    int screenWidth;
    int screenHeight;
    int workers;
    ExportFiles* files;
    const ExportProgress* progress;
    ExportOutcome* outcome;
    // Reports shot i done; false when the caller cancels.
    bool Report(std::size_t done) const
    {
        return !*progress || (*progress)(done, shots->size());
    }
};

// Each returns false with outcome->status and message set when it stops
// (failure or cancel); true once every file is written (not yet renamed).
bool WriteGifExport(const ExportJob& job);
bool WriteVideoExport(const ExportJob& job);
bool WriteSheetExport(const ExportJob& job);

// Fails the export with message.
bool ExportFailure(const ExportJob& job, const std::string& message);
bool ExportCancelled(const ExportJob& job);

// A shot's picture as top-down RGB (3 bytes a pixel) placed at 0,0 on a
// white canvas of width x height; transparent pixels show the white.
void ComposeRgb(const CDibImage& image, int width, int height, std::vector<std::uint8_t>& rgb);

// How contact sheet pages are laid out: cells of cellWidth x cellHeight in
// columns x rows, each a thumbnail box with a margin round it and the
// caption under it.
struct SheetGeometry {
    int pageWidth = 0;
    int pageHeight = 0;
    int cellWidth = 0;
    int cellHeight = 0;
    int margin = 0;
    int boxWidth = 0;   // the thumbnail fits in this box, aspect kept
    int boxHeight = 0;
    int captionScale = 1;
    int captionTop = 0;  // from the cell's top
};
// False with a reason when the cells would be too small to show anything.
bool ComputeSheetGeometry(const SheetLayout& layout, int sheetWidth, int screenWidth, int screenHeight,
                          SheetGeometry& geometry, std::string& reason);

// Scales top-down RGB of width x height to fit in boxWidth x boxHeight with
// its aspect kept: each target pixel the mean of the source pixels it
// covers (the nearest one when enlarging).
void ScaleRgbToFit(const std::vector<std::uint8_t>& rgb, int width, int height, int boxWidth, int boxHeight,
                   std::vector<std::uint8_t>& scaled, int& scaledWidth, int& scaledHeight);

// A 24-bit picture as a baseline JPEG of this quality (1 to 100).
bool WriteJpegFile(const CDibImage& image, const std::string& path, int quality, std::string& reason);
