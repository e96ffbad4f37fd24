#include "tests/support/gif_writer.h"

#include <algorithm>
#include <cstring>

namespace kestrel::test {

namespace {

constexpr int MAX_CODES = 4096;
constexpr int MAX_CODE_BITS = 12;

// The encoder's string table: (prefix code, next pixel) -> code, open
// addressing with linear probing. Twice the largest table keeps probes short.
class LzwDictionary {
public:
    LzwDictionary() : keys_(SIZE, EMPTY), codes_(SIZE, 0) {}

    void Reset() { std::fill(keys_.begin(), keys_.end(), EMPTY); }

    // The code for the key, or -1.
    int Find(std::uint32_t key) const
    {
        for (std::uint32_t at = Hash(key);; at = (at + 1) & (SIZE - 1)) {
            if (keys_[at] == key) return codes_[at];
            if (keys_[at] == EMPTY) return -1;
        }
    }

    void Add(std::uint32_t key, int code)
    {
        std::uint32_t at = Hash(key);
        while (keys_[at] != EMPTY) at = (at + 1) & (SIZE - 1);
        keys_[at] = key;
        codes_[at] = std::uint16_t(code);
    }

    static std::uint32_t Key(int prefixCode, int pixel) { return (std::uint32_t(prefixCode) << 8) | std::uint32_t(pixel); }

private:
    static constexpr std::uint32_t SIZE = 2 * MAX_CODES;
    static constexpr std::uint32_t EMPTY = 0xFFFFFFFFu;
    static std::uint32_t Hash(std::uint32_t key) { return (key * 2654435761u) >> 19; }  // 13 bits

    std::vector<std::uint32_t> keys_;
    std::vector<std::uint16_t> codes_;
};

}  // namespace

LzwCodeWriter::LzwCodeWriter(int minCodeSize)
    : minCodeSize_(minCodeSize), codeSize_(minCodeSize + 1), nextSlot_(ClearCode() + 2), afterClear_(true)
{
}

LzwCodeWriter& LzwCodeWriter::Clear()
{
    Bits(std::uint32_t(ClearCode()), codeSize_);
    return ForgetTable();
}

LzwCodeWriter& LzwCodeWriter::ForgetTable()
{
    codeSize_ = minCodeSize_ + 1;
    nextSlot_ = ClearCode() + 2;
    afterClear_ = true;
    return *this;
}

LzwCodeWriter& LzwCodeWriter::End()
{
    return Bits(std::uint32_t(EndCode()), codeSize_);
}

LzwCodeWriter& LzwCodeWriter::Code(int code)
{
    Bits(std::uint32_t(code), codeSize_);
    if (afterClear_) {
        afterClear_ = false;
    } else if (nextSlot_ < MAX_CODES) {
        ++nextSlot_;
        if (nextSlot_ >= (1 << codeSize_) && codeSize_ < MAX_CODE_BITS) ++codeSize_;
    }
    return *this;
}

LzwCodeWriter& LzwCodeWriter::Codes(const std::vector<int>& codes)
{
    for (const int code : codes) Code(code);
    return *this;
}

LzwCodeWriter& LzwCodeWriter::Bits(std::uint32_t value, int count)
{
    pending_ |= (value & ((std::uint32_t(1) << count) - 1)) << pendingBits_;
    pendingBits_ += count;
    while (pendingBits_ >= 8) {
        bytes_.push_back(std::uint8_t(pending_));
        pending_ >>= 8;
        pendingBits_ -= 8;
    }
    return *this;
}

GifBytes LzwCodeWriter::Finish() const
{
    GifBytes out = bytes_;
    if (pendingBits_ > 0) out.push_back(std::uint8_t(pending_));
    return out;
}

GifBytes LzwEncode(const std::uint8_t* pixels, std::size_t count, const LzwOptions& options)
{
    const int firstFree = (1 << options.minCodeSize) + 2;
    LzwCodeWriter writer(options.minCodeSize);
    if (options.leadingClear)
        writer.Clear();
    else
        writer.ForgetTable();
    if (count > 0) {
        LzwDictionary dictionary;
        int nextCode = firstFree;
        int prefix = pixels[0];
        for (std::size_t i = 1; i < count; ++i) {
            const int pixel = pixels[i];
            const std::uint32_t key = LzwDictionary::Key(prefix, pixel);
            const int known = dictionary.Find(key);
            if (known >= 0) {
                prefix = known;
                continue;
            }
            writer.Code(prefix);
            if (nextCode < MAX_CODES) {
                dictionary.Add(key, nextCode++);
            } else if (options.whenFull == GifTableFull::Clear) {
                writer.Clear();
                dictionary.Reset();
                nextCode = firstFree;
            }
            prefix = pixel;
        }
        writer.Code(prefix);
    }
    if (options.endCode) writer.End();
    return writer.Finish();
}

GifBytes LzwEncode(const GifBytes& pixels, const LzwOptions& options)
{
    return LzwEncode(pixels.data(), pixels.size(), options);
}

int GifMinCodeSize(int colourCount)
{
    int bits = 2;
    while (bits < 8 && (1 << bits) < colourCount) ++bits;
    return bits;
}

std::vector<int> GifInterlacedRowOrder(int height)
{
    std::vector<int> order;
    static constexpr int START[] = {0, 4, 2, 1};
    static constexpr int STEP[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int row = START[pass]; row < height; row += STEP[pass]) order.push_back(row);
    return order;
}

GifBytes GifInterlaceRows(const GifBytes& pixels, int width, int height)
{
    GifBytes out;
    out.reserve(pixels.size());
    for (const int row : GifInterlacedRowOrder(height)) {
        const auto start = pixels.begin() + std::ptrdiff_t(row) * width;
        out.insert(out.end(), start, start + width);
    }
    return out;
}

int GifTableSizeCode(std::size_t entries)
{
    int code = 0;
    while (code < 7 && (std::size_t(2) << code) < entries) ++code;
    return code;
}

void GifWriter::Word(int value)
{
    data_.push_back(std::uint8_t(value));
    data_.push_back(std::uint8_t(value >> 8));
}

void GifWriter::Table(const std::vector<GifColour>& table)
{
    const std::size_t entries = std::size_t(2) << GifTableSizeCode(table.size());
    for (std::size_t i = 0; i < entries; ++i) {
        const GifColour colour = i < table.size() ? table[i] : GifColour{0, 0, 0};
        data_.insert(data_.end(), {colour.red, colour.green, colour.blue});
    }
}

GifWriter& GifWriter::Header(int screenWidth, int screenHeight, const std::vector<GifColour>& globalTable,
                             const char* signature)
{
    const std::uint8_t packed =
        globalTable.empty() ? 0 : std::uint8_t(0x80 | 0x70 | GifTableSizeCode(globalTable.size()));
    HeaderPacked(screenWidth, screenHeight, packed, signature);
    if (!globalTable.empty()) Table(globalTable);
    return *this;
}

GifWriter& GifWriter::HeaderPacked(int screenWidth, int screenHeight, std::uint8_t packed, const char* signature)
{
    data_.insert(data_.end(), signature, signature + std::strlen(signature));
    Word(screenWidth);
    Word(screenHeight);
    data_.insert(data_.end(), {packed, 0, 0});  // background index, aspect ratio
    return *this;
}

GifWriter& GifWriter::GraphicControl(int delay, int transparentIndex, int disposal)
{
    data_.insert(data_.end(), {0x21, 0xF9, 0x04});
    data_.push_back(std::uint8_t(((disposal & 7) << 2) | (transparentIndex >= 0 ? 1 : 0)));
    Word(delay);
    data_.push_back(std::uint8_t(transparentIndex >= 0 ? transparentIndex : 0));
    data_.push_back(0);
    return *this;
}

GifWriter& GifWriter::Extension(int label, const std::vector<GifBytes>& subBlocks)
{
    data_.push_back(0x21);
    data_.push_back(std::uint8_t(label));
    for (const GifBytes& block : subBlocks) {
        data_.push_back(std::uint8_t(block.size()));
        data_.insert(data_.end(), block.begin(), block.end());
    }
    data_.push_back(0);
    return *this;
}

GifWriter& GifWriter::Comment(const std::string& text)
{
    std::vector<GifBytes> blocks;
    for (std::size_t at = 0; at < text.size(); at += 255) {
        const std::string part = text.substr(at, 255);
        blocks.emplace_back(part.begin(), part.end());
    }
    return Extension(0xFE, blocks);
}

GifWriter& GifWriter::ImageDescriptor(int left, int top, int width, int height, bool interlaced,
                                      const std::vector<GifColour>& localTable)
{
    data_.push_back(0x2C);
    Word(left);
    Word(top);
    Word(width);
    Word(height);
    std::uint8_t packed = interlaced ? 0x40 : 0;
    if (!localTable.empty()) packed |= std::uint8_t(0x80 | GifTableSizeCode(localTable.size()));
    data_.push_back(packed);
    if (!localTable.empty()) Table(localTable);
    return *this;
}

GifWriter& GifWriter::Raster(int minCodeSize, const GifBytes& data, int blockSize, bool terminator)
{
    blockSize = std::clamp(blockSize, 1, 255);
    data_.push_back(std::uint8_t(minCodeSize));
    for (std::size_t at = 0; at < data.size(); at += std::size_t(blockSize)) {
        const std::size_t length = std::min(data.size() - at, std::size_t(blockSize));
        data_.push_back(std::uint8_t(length));
        data_.insert(data_.end(), data.begin() + std::ptrdiff_t(at), data.begin() + std::ptrdiff_t(at + length));
    }
    if (terminator) data_.push_back(0);
    return *this;
}

GifWriter& GifWriter::Byte(std::uint8_t value)
{
    data_.push_back(value);
    return *this;
}

GifWriter& GifWriter::Raw(const GifBytes& bytes)
{
    data_.insert(data_.end(), bytes.begin(), bytes.end());
    return *this;
}

GifWriter& GifWriter::Trailer() { return Byte(0x3B); }

GifBytes GifWriter::Truncated(std::size_t length) const
{
    return GifBytes(data_.begin(), data_.begin() + std::ptrdiff_t(std::min(length, data_.size())));
}

GifBytes EncodeGif(const GifPicture& picture)
{
    LzwOptions lzw = picture.lzw;
    if (lzw.minCodeSize == 0) lzw.minCodeSize = GifMinCodeSize(int(picture.palette.size()));
    const GifBytes pixels =
        picture.interlaced ? GifInterlaceRows(picture.pixels, picture.width, picture.height) : picture.pixels;

    GifWriter gif;
    gif.Header(picture.width, picture.height, picture.localTable ? std::vector<GifColour>{} : picture.palette);
    if (picture.delay >= 0 || picture.transparentIndex >= 0)
        gif.GraphicControl(std::max(picture.delay, 0), picture.transparentIndex);
    gif.ImageDescriptor(0, 0, picture.width, picture.height, picture.interlaced,
                        picture.localTable ? picture.palette : std::vector<GifColour>{});
    gif.Raster(lzw.minCodeSize, LzwEncode(pixels, lzw), picture.blockSize);
    gif.Trailer();
    return gif.Data();
}

}  // namespace kestrel::test
