#include "app/recent_file_list.h"

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty()) return;
    m_files.removeAll(path);
    m_files.prepend(path);
    while (m_files.size() > m_size) m_files.removeLast();
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_files.clear();
    settings.beginGroup(QLatin1String(SECTION));
    for (int i = 1; i <= m_size; ++i) {
        const QString path = settings.value(QString::fromLatin1(ENTRY_FORMAT).arg(i)).toString();
        if (!path.isEmpty() && !m_files.contains(path)) m_files << path;
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(QLatin1String(SECTION));
    for (int i = 1; i <= m_size; ++i) {
        const QString key = QString::fromLatin1(ENTRY_FORMAT).arg(i);
        if (i <= m_files.size()) {
            settings.setValue(key, m_files[i - 1]);
        } else {
            settings.remove(key);
        }
    }
    settings.endGroup();
    settings.sync();
}
