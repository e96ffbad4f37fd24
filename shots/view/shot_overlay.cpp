#include "shots/view/shot_overlay.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shots/shot_list_document.h"
#include "shots/list/shot_report.h"

namespace {

std::string Format(const char* format, auto... values)
{
    char text[160];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// A factor as a percentage, without decimals from 1 % up.
std::string Percent(double factor)
{
    const double percent = factor * 100;
    if (percent >= 1 && std::abs(percent - std::round(percent)) < 0.05) return Format("%.0f %%", percent);
    return Format("%.2f %%", percent);
}

}  // namespace

std::optional<ShotFacts> FactsOfShotOnDisplay(const CKESTRELDoc& document)
{
    const std::int64_t index = document.DisplayedIndex();
    if (index < 0) return std::nullopt;
    const ShotRecord& record = document.Shot(std::size_t(index));
    ShotFacts facts;
    const std::string path = record.Path();
    const std::size_t slash = path.find_last_of('/');
    facts.fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    facts.shotNumber = document.ShotNumber(std::size_t(index));
    facts.position = int(index + 1);
    facts.count = int(document.ShotCount());
    facts.lastWriteTime = record.lastWriteTime;
    const CDibImage* image = document.m_pImage.get();
    if (image && !image->IsEmpty()) {
        facts.hasPicture = true;
        facts.width = image->Width();
        facts.height = image->Height();
        facts.bitCount = image->BitCount();
        facts.colours = image->BitCount() <= 8 ? int(image->Header().biClrUsed) : 0;
        facts.transparentIndex = image->Info().transparentIndex;
        facts.frameDelay = image->Info().frameDelay;
    }
    return facts;
}

std::optional<PixelReadout> ReadPixel(const CDibImage& image, PicturePixel at)
{
    if (image.IsEmpty() || at.x < 0 || at.y < 0 || at.x >= image.Width() || at.y >= image.Height()) {
        return std::nullopt;
    }
    const int row = image.Height() - 1 - at.y;  // storage rows count from the bottom
    PixelReadout readout;
    readout.at = at;
    if (image.BitCount() <= 8) {
        const BYTE index = image.GetPixelIndex(at.x, row);
        const RGBQUAD colour = image.GetPaletteColour(index);
        readout.index = index;
        readout.red = colour.rgbRed;
        readout.green = colour.rgbGreen;
        readout.blue = colour.rgbBlue;
    } else {
        const BYTE* pixel = image.Info().pixels + std::int64_t(row) * image.Info().stride + 3 * std::int64_t(at.x);
        readout.blue = pixel[0];
        readout.green = pixel[1];
        readout.red = pixel[2];
    }
    return readout;
}

std::string ZoomText(const ViewLayout& layout, ViewSize image, bool fitOn, FitMode fit)
{
    const double x = double(layout.picture.width) / std::max(1, image.width);
    const double y = double(layout.picture.height) / std::max(1, image.height);
    if (!fitOn) return Percent(x);
    if (fit == FitMode::Aspect) return "fit, aspect " + Percent(std::min(x, y));
    return "fit, stretched " + Percent(x) + " x " + Percent(y);
}

std::vector<std::string> OverlayLines(const std::optional<ShotFacts>& facts, const std::string& zoom,
                                      const std::optional<PixelReadout>& pointer)
{
    std::vector<std::string> lines;
    if (!facts) {
        lines.push_back("no shot");
    } else {
        lines.push_back(facts->fileName);
        lines.push_back(Format("shot %d, %d of %d", facts->shotNumber, facts->position, facts->count));
        lines.push_back("written " + FormatFileTimeIso8601(facts->lastWriteTime));
    }
    if (facts && !facts->hasPicture) {
        lines.push_back("no picture: the file could not be read");
    } else if (facts) {
        if (facts->colours > 0) {
            lines.push_back(Format("%d x %d, %d bits, %d colours", facts->width, facts->height, facts->bitCount,
                                   facts->colours));
        } else {
            lines.push_back(Format("%d x %d, %d bits, true colour", facts->width, facts->height, facts->bitCount));
        }
        const std::string transparent =
            facts->transparentIndex >= 0 ? Format("transparent index %d", facts->transparentIndex)
                                         : std::string("no transparent index");
        lines.push_back(transparent + Format(", delay %d ms", facts->frameDelay * 10));
    }
    if (!zoom.empty()) lines.push_back("zoom " + zoom);
    if (pointer) {
        std::string line = Format("x %d, y %d", pointer->at.x, pointer->at.y);
        if (pointer->index) line += Format(", index %d", *pointer->index);
        line += Format(", RGB %d %d %d", pointer->red, pointer->green, pointer->blue);
        lines.push_back(line);
    }
    return lines;
}

std::optional<ViewRect> PlaceOverlay(ViewSize box, ViewSize client, std::optional<ViewPoint> pointer, int margin)
{
    for (const ViewRect& corner : CornerRects(box, client, margin)) {
        if (!pointer || !corner.Contains(*pointer)) return corner;
    }
    return std::nullopt;
}
