// A GIF writer for tests, benchmarks and the demo shots. It writes well-formed
// files with a standard LZW encoder, and, piece by piece, the damaged and odd
// files a reader must survive: any code at any point, deferred clears, codes
// above the next free slot, a missing end code, short or missing terminators,
// bytes cut off anywhere.
//
//   GifWriter gif;
//   gif.Header(2, 2, {{0, 0, 0}, {255, 255, 255}})
//      .GraphicControl(10, 1)
//      .ImageDescriptor(0, 0, 2, 2)
//      .Raster(2, LzwCodeWriter(2).Clear().Code(0).Code(1).Code(6).End().Finish())
//      .Trailer();
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::test {

using GifBytes = std::vector<std::uint8_t>;

struct GifColour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// Packs codes least significant bit first, at the width a GIF decoder reads
// them: minCodeSize + 1 bits after a clear code, one bit more each time the
// decoder's next free slot reaches a power of two, at most 12. Every code but
// the first after a clear makes the decoder add a table entry (until it holds
// 4096), whether or not the code is valid, and the width follows that count.
// A writer starts as after a clear code, as the decoder does.
class LzwCodeWriter {
public:
    explicit LzwCodeWriter(int minCodeSize);

    LzwCodeWriter& Clear();        // the clear code, then the width and table start over
    LzwCodeWriter& End();          // the end code
    LzwCodeWriter& Code(int code); // any value at the current width
    LzwCodeWriter& Codes(const std::vector<int>& codes);
    // Raw bits, outside the decoder's table bookkeeping.
    LzwCodeWriter& Bits(std::uint32_t value, int count);
    // The width and table start over as after a clear code, but no code is
    // written (how a standard decoder begins a stream without a clear code).
    LzwCodeWriter& ForgetTable();

    int ClearCode() const { return 1 << minCodeSize_; }
    int EndCode() const { return ClearCode() + 1; }
    int NextSlot() const { return nextSlot_; }
    int CodeSize() const { return codeSize_; }

    // The packed bytes, the last one padded with zero bits.
    GifBytes Finish() const;

private:
    int minCodeSize_;
    int codeSize_;
    int nextSlot_;
    bool afterClear_;
    GifBytes bytes_;
    std::uint32_t pending_ = 0;
    int pendingBits_ = 0;
};

// What a standard encoder does when its table holds 4096 codes: send a clear
// code, or keep on with the table as it is (a deferred clear).
enum class GifTableFull { Clear, Defer };

struct LzwOptions {
    int minCodeSize = 8;
    bool leadingClear = true;  // a standard stream starts with a clear code
    bool endCode = true;
    GifTableFull whenFull = GifTableFull::Clear;
};

// A standard greedy LZW encoder. Pixel values must be below 1 << minCodeSize.
GifBytes LzwEncode(const std::uint8_t* pixels, std::size_t count, const LzwOptions& options);
GifBytes LzwEncode(const GifBytes& pixels, const LzwOptions& options);

// The minimum code size an encoder chooses for a table of this many colours
// (at least 2, as GIF requires).
int GifMinCodeSize(int colourCount);

// The picture rows (0 = top) in the order an interlaced GIF stores them:
// passes from rows 0, 4, 2, 1 with steps 8, 8, 4, 2.
std::vector<int> GifInterlacedRowOrder(int height);
// Pixels (rows from the top) rearranged into that order.
GifBytes GifInterlaceRows(const GifBytes& pixels, int width, int height);

class GifWriter {
public:
    // "GIF89a" (or the given signature) and the screen descriptor. A colour
    // table is written as the global table, padded with black to a power of
    // two of at least 2 entries; an empty one sets no flag.
    GifWriter& Header(int screenWidth, int screenHeight, const std::vector<GifColour>& globalTable = {},
                      const char* signature = "GIF89a");
    // The screen descriptor's packed byte as given (flag and size code), with
    // no table after it.
    GifWriter& HeaderPacked(int screenWidth, int screenHeight, std::uint8_t packed,
                            const char* signature = "GIF89a");
    // A graphic control extension (block size 4). transparentIndex -1 leaves
    // the transparency flag clear.
    GifWriter& GraphicControl(int delay, int transparentIndex = -1, int disposal = 0);
    // Any extension: introducer 0x21, the label, the sub-blocks and a terminator.
    GifWriter& Extension(int label, const std::vector<GifBytes>& subBlocks);
    GifWriter& Comment(const std::string& text);
    // Image descriptor and, when given, the local colour table (padded as above).
    GifWriter& ImageDescriptor(int left, int top, int width, int height, bool interlaced = false,
                               const std::vector<GifColour>& localTable = {});
    // Minimum code size, the data cut into sub-blocks of blockSize bytes, and
    // the zero-length terminator when asked.
    GifWriter& Raster(int minCodeSize, const GifBytes& data, int blockSize = 255, bool terminator = true);
    GifWriter& Byte(std::uint8_t value);
    GifWriter& Raw(const GifBytes& bytes);
    GifWriter& Trailer();

    const GifBytes& Data() const { return data_; }
    std::size_t Size() const { return data_.size(); }
    // The first `length` bytes, as a file cut short there.
    GifBytes Truncated(std::size_t length) const;

private:
    void Word(int value);
    void Table(const std::vector<GifColour>& table);
    GifBytes data_;
};

// The padded size code (0..7) for a colour table of this many entries.
int GifTableSizeCode(std::size_t entries);

// One picture as a whole file: header, optional graphic control, one image.
struct GifPicture {
    int width = 0;
    int height = 0;
    GifBytes pixels;               // indices, rows from the top
    std::vector<GifColour> palette;
    bool localTable = false;       // palette as the image's table, none global
    bool interlaced = false;
    int transparentIndex = -1;
    int delay = -1;                // -1 and no transparency: no graphic control
    LzwOptions lzw = {0};          // minCodeSize 0: chosen from the palette
    int blockSize = 255;
};
GifBytes EncodeGif(const GifPicture& picture);

}  // namespace kestrel::test
