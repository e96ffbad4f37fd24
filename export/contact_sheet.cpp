// Contact sheets: thumbnails made on workers, placed in order on pages of
// columns x rows cells, each captioned "NNNN  YYYY-MM-DD HH:MM:SSZ" in the
// built-in font; each page written as PNG or JPEG when it is full.
#include <algorithm>
#include <cstdio>

#include "export/export_parts.h"
#include "export/ordered_pipeline.h"
#include "image/bitmap_font.h"
#include "tools/png_writer.h"

namespace {

constexpr const char* CAPTION_SAMPLE = "0000  2026-12-07 11:02:03Z";
constexpr int MIN_CELL_WIDTH = 16;
constexpr int JPEG_QUALITY = 90;

struct Thumbnail {
    std::vector<std::uint8_t> rgb;
    int width = 0;
    int height = 0;
    bool failed = false;
};

std::string PagePath(const std::string& out, int page, int pages)
{
    if (pages == 1) return out;
    const std::size_t slash = out.find_last_of('/');
    const std::size_t dot = out.find_last_of('.');
    const std::size_t cut = (dot == std::string::npos || (slash != std::string::npos && dot < slash)) ? out.size() : dot;
    char number[16];
    std::snprintf(number, sizeof number, "-%03d", page + 1);
    return out.substr(0, cut) + number + out.substr(cut);
}

void Blit(CDibImage& page, int left, int top, const Thumbnail& thumbnail)
{
    const int stride = page.Info().stride;
    for (int y = 0; y < thumbnail.height; ++y) {
        const int row = page.Height() - 1 - (top + y);
        if (row < 0 || row >= page.Height()) continue;
        BYTE* to = page.GetPixels() + std::size_t(row) * std::size_t(stride) + std::size_t(left) * 3;
        const std::uint8_t* from = thumbnail.rgb.data() + std::size_t(y) * std::size_t(thumbnail.width) * 3;
        for (int x = 0; x < thumbnail.width && left + x < page.Width(); ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
}

void ClearPage(CDibImage& page)
{
    std::fill(page.GetPixels(), page.GetPixels() + std::size_t(page.Info().stride) * std::size_t(page.Height()),
              BYTE(255));
}

}  // namespace

bool ComputeSheetGeometry(const SheetLayout& layout, int sheetWidth, int screenWidth, int screenHeight,
                          SheetGeometry& geometry, std::string& reason)
{
    if (layout.columns < 1 || layout.rows < 1 || screenWidth < 1 || screenHeight < 1) {
        reason = "the contact sheet needs at least one column and one row";
        return false;
    }
    SheetGeometry g;
    g.pageWidth = sheetWidth;
    g.cellWidth = sheetWidth / layout.columns;
    if (g.cellWidth < MIN_CELL_WIDTH) {
        reason = "a contact sheet " + std::to_string(sheetWidth) + " pixels wide leaves too little room for " +
                 std::to_string(layout.columns) + " columns";
        return false;
    }
    g.margin = std::max(2, g.cellWidth / 40);
    g.boxWidth = g.cellWidth - 2 * g.margin;
    g.boxHeight = std::max(1, int(std::int64_t(g.boxWidth) * screenHeight / screenWidth));
    g.captionScale = 1;
    while (g.captionScale < 4 && BitmapTextWidth(CAPTION_SAMPLE, g.captionScale + 1) <= g.boxWidth) ++g.captionScale;
    g.captionTop = g.margin + g.boxHeight + g.margin / 2 + 1;
    g.cellHeight = g.captionTop + FONT_GLYPH_HEIGHT * g.captionScale + g.margin;
    g.pageHeight = g.cellHeight * layout.rows;
    if (std::uint64_t(g.pageWidth) * std::uint64_t(g.pageHeight) * 3 > CDibImage::MAX_DIB_BYTES) {
        reason = "a contact sheet page of " + std::to_string(g.pageWidth) + " x " + std::to_string(g.pageHeight) +
                 " pixels is too large";
        return false;
    }
    geometry = g;
    return true;
}

void ScaleRgbToFit(const std::vector<std::uint8_t>& rgb, int width, int height, int boxWidth, int boxHeight,
                   std::vector<std::uint8_t>& scaled, int& scaledWidth, int& scaledHeight)
{
    // The larger of the two scales that fit, at least one pixel each way.
    if (std::int64_t(boxWidth) * height <= std::int64_t(boxHeight) * width) {
        scaledWidth = boxWidth;
        scaledHeight = int(std::max<std::int64_t>(1, std::int64_t(boxWidth) * height / width));
    } else {
        scaledHeight = boxHeight;
        scaledWidth = int(std::max<std::int64_t>(1, std::int64_t(boxHeight) * width / height));
    }
    scaled.assign(std::size_t(scaledWidth) * std::size_t(scaledHeight) * 3, 0);
    // Source columns of each target column: [columnStart[x], columnStart[x + 1]), never empty.
    std::vector<int> columnStart(std::size_t(scaledWidth) + 1);
    for (int x = 0; x <= scaledWidth; ++x) columnStart[std::size_t(x)] = int(std::int64_t(x) * width / scaledWidth);
    std::vector<std::uint32_t> sums(std::size_t(scaledWidth) * 3);
    for (int y = 0; y < scaledHeight; ++y) {
        const int rowFrom = int(std::int64_t(y) * height / scaledHeight);
        const int rowTo = std::max(rowFrom + 1, int(std::int64_t(y + 1) * height / scaledHeight));
        std::fill(sums.begin(), sums.end(), 0);
        for (int sy = rowFrom; sy < rowTo; ++sy) {
            const std::uint8_t* row = rgb.data() + std::size_t(sy) * std::size_t(width) * 3;
            for (int x = 0; x < scaledWidth; ++x) {
                const int from = columnStart[std::size_t(x)];
                const int to = std::max(from + 1, columnStart[std::size_t(x) + 1]);
                std::uint32_t r = 0, g = 0, b = 0;
                for (int sx = from; sx < to; ++sx) {
                    r += row[3 * sx];
                    g += row[3 * sx + 1];
                    b += row[3 * sx + 2];
                }
                sums[3 * std::size_t(x)] += r;
                sums[3 * std::size_t(x) + 1] += g;
                sums[3 * std::size_t(x) + 2] += b;
            }
        }
        std::uint8_t* out = scaled.data() + std::size_t(y) * std::size_t(scaledWidth) * 3;
        for (int x = 0; x < scaledWidth; ++x) {
            const int from = columnStart[std::size_t(x)];
            const std::uint32_t count =
                std::uint32_t(std::max(from + 1, columnStart[std::size_t(x) + 1]) - from) * std::uint32_t(rowTo - rowFrom);
            for (int c = 0; c < 3; ++c) out[3 * x + c] = std::uint8_t((sums[3 * std::size_t(x) + std::size_t(c)] + count / 2) / count);
        }
    }
}

bool WriteSheetExport(const ExportJob& job)
{
    const std::vector<ExportShot>& shots = *job.shots;
    const SheetLayout layout = *job.settings->sheet;
    SheetGeometry g;
    std::string reason;
    if (!ComputeSheetGeometry(layout, job.settings->sheetWidth, job.screenWidth, job.screenHeight, g, reason))
        return ExportFailure(job, reason);
    const std::size_t cells = std::size_t(layout.columns) * std::size_t(layout.rows);
    const int pages = int((shots.size() + cells - 1) / cells);
    if (pages > EXPORT_SHEET_PAGES_MAX)
        return ExportFailure(job, std::to_string(shots.size()) + " shots make more than " +
                                      std::to_string(EXPORT_SHEET_PAGES_MAX) + " pages; give --sheet more cells");

    CDibImage page(ImageFormat::Png);
    if (!page.Create(g.pageWidth, g.pageHeight, 24, ImageFormat::Png))
        return ExportFailure(job, "not enough memory for a contact sheet page");
    ClearPage(page);
    RGBQUAD black{};

    bool failed = false;
    const bool completed = RunOrdered<Thumbnail>(
        shots.size(), job.workers,
        [&](std::size_t i) {
            Thumbnail thumbnail;
            LoadedShot shot = LoadShotForExport(shots[i].path, job.screenWidth, job.screenHeight);
            thumbnail.failed = shot.failed;
            if (!shot.image) return thumbnail;
            std::vector<std::uint8_t> rgb;
            ComposeRgb(*shot.image, shot.image->Width(), shot.image->Height(), rgb);
            ScaleRgbToFit(rgb, shot.image->Width(), shot.image->Height(), g.boxWidth, g.boxHeight, thumbnail.rgb,
                          thumbnail.width, thumbnail.height);
            return thumbnail;
        },
        [&](std::size_t i, Thumbnail& thumbnail) {
            const std::size_t cell = i % cells;
            const int left = int(cell % std::size_t(layout.columns)) * g.cellWidth;
            const int top = int(cell / std::size_t(layout.columns)) * g.cellHeight;
            Blit(page, left + g.margin + (g.boxWidth - thumbnail.width) / 2,
                 top + g.margin + (g.boxHeight - thumbnail.height) / 2, thumbnail);
            job.outcome->placeholders += thumbnail.failed ? 1 : 0;
            const std::string caption = FitBitmapText(
                shots[i].numberText + "  " + FormatShotTime(shots[i].lastWriteTime), g.captionScale, g.boxWidth);
            DrawBitmapText(page, left + (g.cellWidth - BitmapTextWidth(caption, g.captionScale)) / 2,
                           top + g.captionTop, caption, g.captionScale, black);

            if (cell + 1 == cells || i + 1 == shots.size()) {
                const std::string out = PagePath(job.settings->out, int(i / cells), pages);
                std::string tempPath;
                std::string why;
                const bool written =
                    job.files->CreatePath(out, tempPath, why) &&
                    (job.kind == ExportKind::SheetPng ? WritePngFile(page, tempPath, why)
                                                      : WriteJpegFile(page, tempPath, JPEG_QUALITY, why));
                if (!written) {
                    failed = true;
                    reason = why;
                    return false;
                }
                ClearPage(page);
            }
            return job.Report(i + 1);
        });
    if (failed) return ExportFailure(job, reason);
    if (!completed) return ExportCancelled(job);
    return true;
}
