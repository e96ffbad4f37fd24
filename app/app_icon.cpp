#include "app/app_icon.h"

QIcon ApplicationIcon() { return QIcon(QStringLiteral(":/kestrel/kestrel.xpm")); }
