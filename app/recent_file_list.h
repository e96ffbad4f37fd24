// CRecentFileList: the most recently opened files, newest first, kept in
// the application's settings as "Recent File List/File1" .. "FileN".
// Opening a file already in the list moves it to the front; the list never
// holds more than its size.
#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>

class CRecentFileList {
public:
    static constexpr const char* SECTION = "Recent File List";
    static constexpr const char* ENTRY_FORMAT = "File%1";

    explicit CRecentFileList(int size) : m_size(size > 0 ? size : 1) {}

    int Size() const { return m_size; }
    const QStringList& Files() const { return m_files; }

    // Adds path as the newest entry; an empty path is ignored.
    void Add(const QString& path);

    // Entries beyond the size and empty ones are skipped when reading.
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

private:
    int m_size;
    QStringList m_files;
};
