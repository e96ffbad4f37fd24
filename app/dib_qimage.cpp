#include "app/dib_qimage.h"

#include "image/dib_image.h"

QImage DibToQImage(const CDibImage& image)
{
    const int width = image.Width();
    const int height = image.Height();
    const int bitCount = image.BitCount();
    if (image.IsEmpty() || width <= 0 || height <= 0) return {};

    if (bitCount == 24) {
        QImage result(width, height, QImage::Format_RGB888);
        if (result.isNull()) return {};
        for (int y = 0; y < height; ++y) {
            const BYTE* source = image.GetPixels() + std::size_t(height - 1 - y) * image.Info().stride;
            uchar* target = result.scanLine(y);
            for (int x = 0; x < width; ++x) {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
        }
        return result;
    }

    if (bitCount != 1 && bitCount != 4 && bitCount != 8) return {};
    QImage result(width, height, QImage::Format_Indexed8);
    if (result.isNull()) return {};
    const int colours = 1 << bitCount;
    const RGBQUAD* palette = image.GetPalette();
    const int tableSize = palette ? int(image.GetPaletteSize() / sizeof(RGBQUAD)) : 0;
    QList<QRgb> table(colours, qRgb(0, 0, 0));
    for (int i = 0; i < colours && i < tableSize; ++i)
        table[i] = qRgb(palette[i].rgbRed, palette[i].rgbGreen, palette[i].rgbBlue);
    result.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        uchar* target = result.scanLine(y);
        for (int x = 0; x < width; ++x) target[x] = image.GetPixelIndex(x, height - 1 - y);
    }
    return result;
}
