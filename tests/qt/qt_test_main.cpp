// Main of the Qt test binaries: one QApplication for the whole binary, on the
// offscreen platform unless the caller chose another, and settings kept in a
// temporary folder so no test touches the user's own; the same for the
// cache directory, where the timeline keeps its thumbnails.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QTemporaryDir cacheDir;
    qputenv("XDG_CACHE_HOME", QFile::encodeName(cacheDir.path()));
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    return RUN_ALL_TESTS();
}
