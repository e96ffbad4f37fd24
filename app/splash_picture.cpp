#include "app/splash_picture.h"

#include <QFile>
#include <cstdio>

#include "app/dib_qimage.h"
#include "image/dib_image.h"

QImage LoadSplashPicture(const QString& resource)
{
    QFile file(resource);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray bytes = file.readAll();
    if (bytes.isEmpty()) return {};

    // The reader takes a stdio stream; the bytes are already in memory.
    FILE* stream = ::fmemopen(bytes.data(), std::size_t(bytes.size()), "rb");
    if (!stream) return {};
    CDibImage picture(ImageFormat::Bmp);
    const bool decoded = picture.Decode(stream, ImageFormat::Bmp);
    std::fclose(stream);
    return decoded ? DibToQImage(picture) : QImage();
}
