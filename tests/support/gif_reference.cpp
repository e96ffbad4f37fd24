#include "tests/support/gif_reference.h"

#include <vector>

namespace kestrel::test {

namespace {

// Decodes into an image of its own, as a reader does, so it may set what only
// readers set (the frame delay).
class ReferenceGif : public CDibImage {
public:
    explicit ReferenceGif(const GifBytes& file) : CDibImage(ImageFormat::Gif), file_(file) {}

    bool Decode()
    {
        std::uint8_t header[13];
        const std::size_t got = Read(header, 13);
        if (got >= 4 && !(header[0] == 'G' && header[1] == 'I' && header[2] == 'F' && header[3] == '8'))
            return false;
        if (got < 13) return true;

        std::uint8_t table[3 * 256];
        int count = 2 << (header[10] & 7);
        bool hasTable = (header[10] & 0x80) != 0;
        if (hasTable && Read(table, std::size_t(3 * count)) != std::size_t(3 * count)) return true;

        for (;;) {
            const int introducer = Get();
            if (introducer == 0x21) {
                const int label = Get();
                if (label < 0) return true;
                if (label == 0xF9) {
                    const int size = Get();
                    if (size != 4) return true;
                    std::uint8_t block[4];
                    if (Read(block, 4) != 4) return true;
                    if (block[0] & 1) m_info.transparentIndex = block[3];
                    m_info.frameDelay = block[1] | (block[2] << 8);
                }
                for (;;) {
                    const int length = Get();
                    if (length <= 0) break;
                    pos_ += std::size_t(length);
                }
            } else if (introducer == 0x2C) {
                std::uint8_t descriptor[9];
                if (Read(descriptor, 9) != 9) return true;
                if (descriptor[8] & 0x80) {
                    count = 2 << (descriptor[8] & 7);
                    hasTable = true;
                    if (Read(table, std::size_t(3 * count)) != std::size_t(3 * count)) return true;
                }
                return DecodeImage(descriptor, table, count, hasTable);
            } else {
                return true;
            }
        }
    }

private:
    std::size_t Read(std::uint8_t* to, std::size_t count)
    {
        std::size_t done = 0;
        while (done < count && pos_ < file_.size()) to[done++] = file_[pos_++];
        return done;
    }

    int Get() { return pos_ < file_.size() ? file_[pos_++] : -1; }

    // False only when the image cannot be made.
    bool DecodeImage(const std::uint8_t* descriptor, const std::uint8_t* table, int count, bool hasTable)
    {
        const int width = descriptor[4] | (descriptor[5] << 8);
        const int height = descriptor[6] | (descriptor[7] << 8);
        const int bitCount = count <= 2 ? 1 : count <= 16 ? 4 : 8;
        if (!image_.Create(width, height, bitCount, ImageFormat(0))) return false;
        if (hasTable) {
            std::uint8_t red[256], green[256], blue[256];
            for (int i = 0; i < count; ++i) {
                red[i] = table[3 * i];
                green[i] = table[3 * i + 1];
                blue[i] = table[3 * i + 2];
            }
            // Entries a short table lacks are white under a transparent index.
            const bool transparent = image_.Info().transparentIndex != -1;
            for (int i = count; transparent && i < 256; ++i) red[i] = green[i] = blue[i] = 255;
            image_.SetPaletteFromPlanes(DWORD(transparent ? 256 : count), red, green, blue);
        }
        interlaced_ = (descriptor[8] & 0x40) != 0;
        passRow_ = 0;
        passStep_ = 8;
        passNumber_ = 0;
        imageHeight_ = height;
        row_ = height - 1;
        if (width > 0 && height > 0) DecodeLzw(width);
        return true;
    }

    // Returns 0 with a new sub-block, 1 at the terminator, -1 at the end of
    // the file (also inside the sub-block).
    int StartBlock()
    {
        const int length = Get();
        if (length < 0) return -1;
        if (length == 0) return 1;
        for (int i = 0; i < length; ++i) {
            const int next = Get();
            if (next < 0) return -1;
            block_[i] = std::uint8_t(next);
        }
        blockLeft_ = length;
        blockPos_ = 0;
        return 0;
    }

    int NextCode()
    {
        if (bitsLeft_ == 0) {
            if (blockLeft_ <= 0) {
                const int started = StartBlock();
                if (started != 0) return started < 0 ? -1 : endCode_;
            }
            bitByte_ = block_[blockPos_++];
            bitsLeft_ = 8;
            --blockLeft_;
        }
        int value = bitByte_ >> (8 - bitsLeft_);
        while (codeSize_ > bitsLeft_) {
            if (blockLeft_ <= 0) {
                const int started = StartBlock();
                if (started != 0) return started < 0 ? -1 : endCode_;
            }
            bitByte_ = block_[blockPos_++];
            value |= bitByte_ << bitsLeft_;
            bitsLeft_ += 8;
            --blockLeft_;
        }
        bitsLeft_ -= codeSize_;
        return value & ((1 << codeSize_) - 1);
    }

    int DecodeLzw(int lineWidth)
    {
        const int minCodeSize = Get();
        if (minCodeSize < 0) return minCodeSize;
        if (minCodeSize < 2 || minCodeSize > 9) return -20;
        codeSize_ = minCodeSize + 1;
        topSlot_ = 1 << codeSize_;
        clearCode_ = 1 << minCodeSize;
        endCode_ = clearCode_ + 1;
        firstFree_ = nextSlot_ = clearCode_ + 2;
        bitsLeft_ = 0;
        blockLeft_ = 0;
        std::vector<std::uint8_t> suffix(4096, 0), stack(4096, 0);
        std::vector<int> prefix(4096, 0);
        int oldCode = 0, firstByte = 0;
        line_.assign(std::size_t(lineWidth) + 1, 0);
        fill_ = 0;

        auto put = [&](int pixel) {
            line_[std::size_t(fill_++)] = std::uint8_t(pixel);
            if (fill_ == lineWidth) {
                fill_ = 0;
                return PutLine(lineWidth);
            }
            return 0;
        };

        bool atStart = true;  // the data starts as after a clear code
        for (;;) {
            int code = NextCode();
            if (code == endCode_) break;
            if (code < 0) return 0;
            if (code == clearCode_ || atStart) {
                atStart = false;
                codeSize_ = minCodeSize + 1;
                nextSlot_ = firstFree_;
                topSlot_ = 1 << codeSize_;
                while (code == clearCode_) code = NextCode();
                if (code == endCode_) break;
                if (code < 0) return 0;
                if (code >= nextSlot_) code = 0;
                oldCode = firstByte = code;
                if (put(code) < 0) return -1;
                continue;
            }
            int sp = 0;
            int cur = code;
            if (code >= nextSlot_) {
                stack[std::size_t(sp++)] = std::uint8_t(firstByte);
                cur = oldCode;
            }
            // A string longer than the stack (a chain that loops) stops the
            // decoder; the line being filled is not stored.
            while (cur >= firstFree_) {
                if (sp == 4095) return 0;
                stack[std::size_t(sp++)] = suffix[std::size_t(cur)];
                cur = prefix[std::size_t(cur)];
            }
            stack[std::size_t(sp++)] = std::uint8_t(cur);
            if (nextSlot_ < topSlot_) {
                firstByte = stack[std::size_t(sp - 1)];
                suffix[std::size_t(nextSlot_)] = std::uint8_t(firstByte);
                prefix[std::size_t(nextSlot_)] = oldCode;
                ++nextSlot_;
                oldCode = code;
            }
            if (nextSlot_ >= topSlot_ && codeSize_ < 12) {
                topSlot_ <<= 1;
                ++codeSize_;
            }
            while (sp > 0)
                if (put(stack[std::size_t(--sp)]) < 0) return -1;
        }
        return fill_ > 0 ? PutLine(fill_) : 0;
    }

    int PutLine(int length)
    {
        const int count = length < image_.Width() ? length : image_.Width();
        int dibRow;
        if (!interlaced_) {
            if (!image_.IsInside(0, row_)) return -1;
            dibRow = row_--;
        } else {
            dibRow = imageHeight_ - passRow_ - 1;
            passRow_ += passStep_;
            while (passRow_ >= imageHeight_) {
                if (passNumber_ > 0) passStep_ /= 2;
                ++passNumber_;
                passRow_ = passStep_ / 2;
            }
        }
        for (int x = 0; x < count; ++x) image_.SetPixelIndex(x, dibRow, line_[std::size_t(x)]);
        return 0;
    }

    const GifBytes& file_;
    CDibImage& image_ = *this;
    std::size_t pos_ = 0;

    bool interlaced_ = false;
    int passRow_ = 0, passStep_ = 8, passNumber_ = 0, imageHeight_ = 0, row_ = 0;
    std::vector<std::uint8_t> line_;
    int fill_ = 0;

    int codeSize_ = 0, clearCode_ = 0, endCode_ = 0, firstFree_ = 0, topSlot_ = 0, nextSlot_ = 0;
    int bitsLeft_ = 0, blockLeft_ = 0, blockPos_ = 0, bitByte_ = 0;
    std::uint8_t block_[255] = {};
};

}  // namespace

bool ReferenceDecodeGif(const GifBytes& file, CDibImage& image)
{
    ReferenceGif reference(file);
    if (!reference.Decode()) return false;
    image.Transfer(reference);
    return true;
}

}  // namespace kestrel::test
