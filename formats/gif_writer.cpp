#include "formats/gif_writer.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

constexpr int MAX_CODE_BITS = 12;
// The code at which the table starts over: one below 4096, as the common
// encoders do, so a decoder never sees the table full.
constexpr int TABLE_RESET_CODE = 4095;

// The string table: (prefix code, pixel) -> code, open addressing. A slot
// holds the 20-bit key above the 12-bit code; all ones is empty. Four times
// the largest table keeps probes short, and 64 KiB clears quickly.
class LzwTable {
public:
    LzwTable() : slots_(new std::uint32_t[SIZE]) { Reset(); }

    void Reset() { std::memset(slots_.get(), 0xFF, SIZE * sizeof(std::uint32_t)); }

    // The code for key, or -1; at is left on the slot where key goes.
    int Find(std::uint32_t key, std::uint32_t& at) const
    {
        for (at = Hash(key);; at = (at + 1) & (SIZE - 1)) {
            const std::uint32_t slot = slots_[at];
            if (slot == EMPTY) return -1;
            if ((slot >> 12) == key) return int(slot & 0xFFF);
        }
    }
    void Put(std::uint32_t at, std::uint32_t key, int code) { slots_[at] = (key << 12) | std::uint32_t(code); }

private:
    static constexpr std::uint32_t SIZE = 1u << 14;
    static constexpr std::uint32_t EMPTY = 0xFFFFFFFFu;
    static std::uint32_t Hash(std::uint32_t key) { return (key * 2654435761u) >> (32 - 14); }
    std::unique_ptr<std::uint32_t[]> slots_;
};

// Codes least significant bit first into a buffer sized for the worst case.
class CodeSink {
public:
    explicit CodeSink(std::uint8_t* out) : out_(out), start_(out) {}
    void Put(int code, int width)
    {
        bits_ |= std::uint64_t(code) << count_;
        count_ += width;
        if (count_ >= 32) {
            const std::uint32_t word = std::uint32_t(bits_);
            out_[0] = std::uint8_t(word);
            out_[1] = std::uint8_t(word >> 8);
            out_[2] = std::uint8_t(word >> 16);
            out_[3] = std::uint8_t(word >> 24);
            out_ += 4;
            bits_ >>= 32;
            count_ -= 32;
        }
    }
    std::size_t Finish()
    {
        while (count_ > 0) {
            *out_++ = std::uint8_t(bits_);
            bits_ >>= 8;
            count_ -= 8;
        }
        count_ = 0;
        return std::size_t(out_ - start_);
    }

private:
    std::uint8_t* out_;
    std::uint8_t* start_;
    std::uint64_t bits_ = 0;
    int count_ = 0;
};

void PutWord(GifByteString& bytes, int value)
{
    bytes.push_back(std::uint8_t(value & 0xFF));
    bytes.push_back(std::uint8_t((value >> 8) & 0xFF));
}

int SizeCode(int tableSize)
{
    int code = 0;
    while ((2 << code) < tableSize) ++code;
    return code;
}

void PutTable(GifByteString& bytes, const GifColourTable& table)
{
    bytes.insert(bytes.end(), table.rgb.begin(), table.rgb.begin() + 3 * table.size);
}

}  // namespace

namespace {

constexpr int kReds = 6;
constexpr int kGreens = 7;
constexpr int kBlues = 6;

// The level of channel value v among count levels spread over 0..255.
constexpr std::uint8_t Level(int v, int count) { return std::uint8_t((v * (count - 1) + 127) / 255); }
constexpr std::uint8_t LevelValue(int level, int count) { return std::uint8_t((level * 255 + (count - 1) / 2) / (count - 1)); }

}  // namespace

void GifFrameFromRgb(const std::uint8_t* rgb, int width, int height, int delay, GifFrame& frame)
{
    frame.width = width;
    frame.height = height;
    frame.delay = delay;
    frame.transparentIndex = -1;
    frame.table = GifColourTable{};
    frame.table.size = 256;
    for (int r = 0; r < kReds; ++r) {
        for (int g = 0; g < kGreens; ++g) {
            for (int b = 0; b < kBlues; ++b) {
                const int index = (r * kGreens + g) * kBlues + b;
                frame.table.rgb[3 * index] = LevelValue(r, kReds);
                frame.table.rgb[3 * index + 1] = LevelValue(g, kGreens);
                frame.table.rgb[3 * index + 2] = LevelValue(b, kBlues);
            }
        }
    }
    // One table lookup a channel instead of a division a pixel.
    std::array<std::uint8_t, 256> red{}, green{}, blue{};
    for (int v = 0; v < 256; ++v) {
        red[v] = std::uint8_t(Level(v, kReds) * kGreens * kBlues);
        green[v] = std::uint8_t(Level(v, kGreens) * kBlues);
        blue[v] = Level(v, kBlues);
    }
    const std::size_t count = std::size_t(width) * std::size_t(height);
    frame.indices.resize(count);
    for (std::size_t i = 0; i < count; ++i, rgb += 3) frame.indices[i] = std::uint8_t(red[rgb[0]] + green[rgb[1]] + blue[rgb[2]]);
}

bool GifColourTable::operator==(const GifColourTable& other) const
{
    return size == other.size && std::equal(rgb.begin(), rgb.begin() + 3 * size, other.rgb.begin());
}

int GifMinimumCodeSize(int tableSize) { return std::max(2, SizeCode(tableSize) + 1); }

GifByteString GifLzwEncode(const std::uint8_t* pixels, std::size_t count, int minCodeSize)
{
    const int clearCode = 1 << minCodeSize;
    const int endCode = clearCode + 1;
    // At most 12 bits a pixel, a clear code every 4000-odd codes, and the
    // slack of a four-byte store.
    GifByteString out(count + count / 2 + count / 1024 + 64);
    CodeSink sink(out.data());
    LzwTable table;

    int codeSize = minCodeSize + 1;
    int nextCode = clearCode + 2;
    sink.Put(clearCode, codeSize);
    if (count == 0) {
        sink.Put(endCode, codeSize);
        out.resize(sink.Finish());
        return out;
    }

    int prefix = pixels[0];
    for (std::size_t i = 1; i < count; ++i) {
        const int pixel = pixels[i];
        const std::uint32_t key = (std::uint32_t(prefix) << 8) | std::uint32_t(pixel);
        std::uint32_t at = 0;
        const int code = table.Find(key, at);
        if (code >= 0) {
            prefix = code;
            continue;
        }
        sink.Put(prefix, codeSize);
        // The decoder widens its codes once its next entry needs the bit.
        if (nextCode >= (1 << codeSize) && codeSize < MAX_CODE_BITS) ++codeSize;
        if (nextCode >= TABLE_RESET_CODE) {
            sink.Put(clearCode, codeSize);
            table.Reset();
            codeSize = minCodeSize + 1;
            nextCode = clearCode + 2;
        } else {
            table.Put(at, key, nextCode++);
        }
        prefix = pixel;
    }
    sink.Put(prefix, codeSize);
    if (nextCode >= (1 << codeSize) && codeSize < MAX_CODE_BITS) ++codeSize;
    sink.Put(endCode, codeSize);
    out.resize(sink.Finish());
    return out;
}

bool GifFrameFromImage(const CDibImage& image, int delay, GifFrame& frame)
{
    const int bitCount = image.BitCount();
    if (image.IsEmpty() || bitCount > 8 || image.Width() <= 0 || image.Height() <= 0) return false;
    const int width = image.Width();
    const int height = image.Height();
    const int stride = image.Info().stride;
    const BYTE* pixels = image.GetPixels();

    frame.width = width;
    frame.height = height;
    frame.delay = delay;
    frame.transparentIndex = image.Info().transparentIndex >= 0 && image.Info().transparentIndex < 256
                                 ? image.Info().transparentIndex
                                 : -1;
    frame.indices.resize(std::size_t(width) * std::size_t(height));

    int highest = 0;
    for (int y = 0; y < height; ++y) {
        // Rows are stored bottom-up; a GIF's go from the top.
        const BYTE* row = pixels + std::size_t(height - 1 - y) * std::size_t(stride);
        std::uint8_t* to = frame.indices.data() + std::size_t(y) * std::size_t(width);
        if (bitCount == 8) {
            std::memcpy(to, row, std::size_t(width));
        } else if (bitCount == 4) {
            for (int x = 0; x < width; ++x) to[x] = std::uint8_t((row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F);
        } else {
            for (int x = 0; x < width; ++x) to[x] = std::uint8_t((row[x >> 3] >> (7 - (x & 7))) & 1);
        }
        highest = std::max(highest, int(*std::max_element(to, to + width)));
    }
    highest = std::max(highest, frame.transparentIndex);

    // Entries a file lacks come back black, or white with a transparent index.
    const int entries = int(image.Header().biClrUsed);
    const RGBQUAD* palette = image.GetPalette();
    const BYTE fill = frame.transparentIndex >= 0 ? 255 : 0;
    for (int i = entries - 1; i > highest; --i) {
        const RGBQUAD& entry = palette[i];
        if (entry.rgbRed != fill || entry.rgbGreen != fill || entry.rgbBlue != fill) {
            highest = i;
            break;
        }
    }
    frame.table = GifColourTable{};
    frame.table.size = 2;
    while (frame.table.size <= highest) frame.table.size *= 2;
    for (int i = 0; i < frame.table.size; ++i) {
        std::uint8_t* rgb = frame.table.rgb.data() + 3 * i;
        if (i < entries) {
            rgb[0] = palette[i].rgbRed;
            rgb[1] = palette[i].rgbGreen;
            rgb[2] = palette[i].rgbBlue;
        } else {
            rgb[0] = rgb[1] = rgb[2] = fill;
        }
    }
    return true;
}

GifByteString GifScreenBytes(int width, int height, const GifColourTable& global)
{
    GifByteString bytes = {'G', 'I', 'F', '8', '9', 'a'};
    PutWord(bytes, width);
    PutWord(bytes, height);
    const int sizeCode = SizeCode(global.size);
    // Global table flag, colour resolution as the table's, its size code.
    bytes.push_back(std::uint8_t(0x80 | (sizeCode << 4) | sizeCode));
    bytes.push_back(0);  // background colour index
    bytes.push_back(0);  // no aspect ratio
    PutTable(bytes, global);
    // The looping extension: sub-block 1, loop count 0 (forever).
    const std::uint8_t looping[] = {0x21, 0xFF, 11, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0',
                                    3,    1,    0,  0,   0};
    bytes.insert(bytes.end(), std::begin(looping), std::end(looping));
    return bytes;
}

GifByteString GifFrameBytes(const GifFrame& frame, const GifColourTable& global)
{
    const bool local = !(frame.table == global);
    const int minCodeSize = GifMinimumCodeSize(frame.table.size);
    const GifByteString codes = GifLzwEncode(frame.indices.data(), frame.indices.size(), minCodeSize);

    GifByteString bytes;
    bytes.reserve(codes.size() + codes.size() / 255 + 64 + (local ? 768 : 0));
    // Graphic control: disposal, transparency flag, delay, transparent index.
    bytes.insert(bytes.end(), {0x21, 0xF9, 4});
    bytes.push_back(std::uint8_t(((frame.disposal & 7) << 2) | (frame.transparentIndex >= 0 ? 1 : 0)));
    PutWord(bytes, frame.delay);
    bytes.push_back(std::uint8_t(frame.transparentIndex >= 0 ? frame.transparentIndex : 0));
    bytes.push_back(0);

    bytes.push_back(0x2C);
    PutWord(bytes, 0);
    PutWord(bytes, 0);
    PutWord(bytes, frame.width);
    PutWord(bytes, frame.height);
    bytes.push_back(local ? std::uint8_t(0x80 | SizeCode(frame.table.size)) : 0);
    if (local) PutTable(bytes, frame.table);

    bytes.push_back(std::uint8_t(minCodeSize));
    for (std::size_t at = 0; at < codes.size(); at += 255) {
        const std::size_t length = std::min<std::size_t>(255, codes.size() - at);
        bytes.push_back(std::uint8_t(length));
        bytes.insert(bytes.end(), codes.begin() + std::ptrdiff_t(at), codes.begin() + std::ptrdiff_t(at + length));
    }
    bytes.push_back(0);
    return bytes;
}
