// Shots written in code for the export tests, and the oracles that read
// what an export wrote: giflib for GIF files, FFmpeg's libraries for video.
#pragma once

#include <sys/stat.h>

#include <gif_lib.h>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "tests/support/gif_writer.h"
#include "tests/support/test_paths.h"

namespace export_test {

using kestrel::test::GifColour;
using kestrel::test::GifPicture;

// A shot: its picture and its last-write time in whole seconds.
struct ShotSpec {
    std::string name;
    GifPicture picture;
    std::int64_t seconds;
};

// A picture of width x height whose pixel at (x, y) is (x * 7 + y * 3 + seed)
// modulo colours, over a table of distinct colours.
GifPicture PatternPicture(int width, int height, int colours, int seed, int transparentIndex = -1);
// A picture of one colour.
GifPicture SolidPicture(int width, int height, GifColour colour);

// Writes the shots into dir with their times; returns their paths in the
// order given.
std::vector<std::string> WriteShots(const std::string& dir, const std::vector<ShotSpec>& shots);

// The files of dir, names only, sorted.
std::vector<std::string> FilesIn(const std::string& dir);

// giflib's reading of a whole file; null when it fails.
struct GifCloser {
    void operator()(GifFileType* gif) const
    {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GiflibFile = std::unique_ptr<GifFileType, GifCloser>;
GiflibFile SlurpWithGiflib(const std::string& path);

// The colour of entry i of a table of count RGB triples; past the table,
// white with a transparent index, else black (what our reader fills in).
GifColour EntryOrFill(const GifColorType* table, int count, int i, bool transparent);
GifColour PaletteEntryOrFill(const CDibImage& image, int i);

// What FFmpeg's decoders make of a video file.
struct DecodedVideo {
    bool opened = false;
    int frames = 0;
    int width = 0;
    int height = 0;
    double rate = 0;            // frames a second
    double firstMean[3] = {};   // red, green, blue of the first frame
};
DecodedVideo DecodeVideo(const std::string& path);

}  // namespace export_test
