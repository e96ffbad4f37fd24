// What a drag and drop onto the main window opens: the first local file of
// a type shots may be (shot_types.h, any letter case) or folder among the
// dropped items, as the open command would open it; nothing for anything
// else.
#pragma once

#include <QString>

class QMimeData;

QString DroppedShotPath(const QMimeData* data);
