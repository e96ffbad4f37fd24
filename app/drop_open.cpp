#include "app/drop_open.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

QString DroppedShotPath(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo item(url.toLocalFile());
        if (item.isDir() || (item.isFile() && item.suffix().compare(QLatin1String("gif"), Qt::CaseInsensitive) == 0))
            return item.absoluteFilePath();
    }
    return {};
}
