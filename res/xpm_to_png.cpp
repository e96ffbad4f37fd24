// kestrel-xpm-to-png: converts the application icon, kept as readable XPM
// text, into the PNG that desktop environments want in the icon theme.
//
//   kestrel-xpm-to-png INPUT.xpm OUTPUT.png
#include <QImage>
#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: kestrel-xpm-to-png INPUT.xpm OUTPUT.png\n");
        return 2;
    }
    const QImage icon(QString::fromLocal8Bit(argv[1]), "XPM");
    if (icon.isNull()) {
        std::fprintf(stderr, "kestrel-xpm-to-png: cannot read %s\n", argv[1]);
        return 1;
    }
    if (!icon.convertToFormat(QImage::Format_ARGB32).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "kestrel-xpm-to-png: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
