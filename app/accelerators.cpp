#include "app/accelerators.h"

#include <QString>

QKeySequence KeyOfText(std::string_view key)
{
    return QKeySequence::fromString(QString::fromUtf8(key.data(), qsizetype(key.size())), QKeySequence::PortableText);
}

QList<QKeySequence> CommandKeys(const CommandRow& row)
{
    QList<QKeySequence> keys;
    for (std::string_view key : row.keys) {
        if (!key.empty()) keys << KeyOfText(key);
    }
    return keys;
}
