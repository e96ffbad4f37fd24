// The splash picture: the 720 x 540, 8-bit BMP built into the program
// (res/make_splash_bmp.cpp draws it at build time), read with Kestrel's own
// BMP reader. A null image when it is missing or cannot be read.
#pragma once

#include <QImage>
#include <QString>

constexpr const char* SPLASH_RESOURCE = ":/kestrel/splash.bmp";

QImage LoadSplashPicture(const QString& resource = QString::fromLatin1(SPLASH_RESOURCE));
