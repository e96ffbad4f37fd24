// The application icon (res/kestrel.xpm, built into the program).
#pragma once

#include <QIcon>

QIcon ApplicationIcon();
