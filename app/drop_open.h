// What a drag and drop onto the main window opens: the first local GIF file
// (any case of .gif) or folder among the dropped items, as the open command
// would open it; nothing for anything else.
#pragma once

#include <QString>

class QMimeData;

QString DroppedShotPath(const QMimeData* data);
