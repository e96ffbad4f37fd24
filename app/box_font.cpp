#include "app/box_font.h"

#include <QStringList>

std::unique_ptr<QFont> MakeBoxFont()
{
    auto font = std::make_unique<QFont>();
    QStringList families;
    families << QStringLiteral("Times New Roman") << QStringLiteral("Liberation Serif");
    font->setFamilies(families);
    font->setStyleHint(QFont::Serif);
    font->setPixelSize(BOX_FONT_PIXEL_HEIGHT);
    font->setWeight(QFont::Normal);
    font->setItalic(false);
    font->setUnderline(false);
    font->setStrikeOut(false);
    return font;
}
