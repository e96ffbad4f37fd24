#include "app/help_viewer.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>
#include <utility>

namespace {

HelpOpener& InstalledOpener()
{
    static HelpOpener opener = [](const QString& path) {
        return QFileInfo::exists(path) && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };
    return opener;
}

}  // namespace

HelpOpener SetHelpOpener(HelpOpener opener) { return std::exchange(InstalledOpener(), std::move(opener)); }

bool OpenHelpFile(const QString& path)
{
    const HelpOpener opener = InstalledOpener();
    return opener && opener(path);
}
