#include "app/framework/file_open_dialog_widget.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QStringList>

#include "app/framework/file_open_dialog.h"
#include "app/framework/main_window.h"

QString ToQtNameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromLocal8Bit(filter.c_str()).split(u'|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString description = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        if (description.isEmpty() && patterns.isEmpty()) break;  // the closing "||"
        patterns.replace(u';', u' ');
        patterns = patterns.simplified();
        // A description that already ends in its patterns ("GIF Files
        // (*.gif)") is a whole Qt filter as it stands.
        const QString shown = QStringLiteral("(%1)").arg(patterns);
        filters << (description.endsWith(shown) ? description : QStringLiteral("%1 %2").arg(description, shown));
    }
    return filters.join(QStringLiteral(";;"));
}

void InstallWidgetFileOpenDialog()
{
    SetFileOpenDialog([](const FileOpenRequest& request, FileOpenChoice& choice) {
        const std::string& start = request.initialFileName.empty() ? request.initialDirectory : request.initialFileName;
        const QString path = QFileDialog::getOpenFileName(GetMainWindow(), QString(), QFile::decodeName(start.c_str()),
                                                          ToQtNameFilters(request.filter));
        if (path.isEmpty()) return false;
        choice.path = QFile::encodeName(path).toStdString();
        choice.fileName = QFile::encodeName(QFileInfo(path).fileName()).toStdString();
        return true;
    });
    SetFolderOpenDialog([](const std::string& start, std::string& chosen) {
        const QString path =
            QFileDialog::getExistingDirectory(GetMainWindow(), QStringLiteral("Open Folder"), QFile::decodeName(start.c_str()));
        if (path.isEmpty()) return false;
        chosen = QFile::encodeName(path).toStdString();
        return true;
    });
}
