#include "app/help_viewer.h"

#include <QDesktopServices>
#include <QUrl>
#include <utility>

namespace {

HelpOpener& InstalledOpener()
{
    static HelpOpener opener = [](const QString& path) { QDesktopServices::openUrl(QUrl::fromLocalFile(path)); };
    return opener;
}

}  // namespace

HelpOpener SetHelpOpener(HelpOpener opener) { return std::exchange(InstalledOpener(), std::move(opener)); }

void OpenHelpFile(const QString& path)
{
    const HelpOpener opener = InstalledOpener();
    if (opener) opener(path);
}
