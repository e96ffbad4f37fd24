#include "app/drop_open.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

#include "shots/list/shot_types.h"

QString DroppedShotPath(const QMimeData* data)
{
    if (!data || !data->hasUrls()) return {};
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile()) continue;
        const QFileInfo item(url.toLocalFile());
        // Any file of a type shots may be: the open lists its type.
        if (item.isDir() || (item.isFile() && ShotFormatOfName(item.fileName().toLocal8Bit().toStdString())))
            return item.absoluteFilePath();
    }
    return {};
}
