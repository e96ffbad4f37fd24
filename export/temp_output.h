// Nothing half-written: every file an export makes is first written under a
// temporary name beside its final one and renamed only when the whole
// export has succeeded. A failure, a cancel or the destructor removes the
// temporary files; the signal handler that the command line installs
// removes them too (and any final file of an export caught while renaming).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

class ExportFiles {
public:
    ExportFiles() = default;
    // Removes every file not yet renamed.
    ~ExportFiles();
    ExportFiles(const ExportFiles&) = delete;
    ExportFiles& operator=(const ExportFiles&) = delete;

    // A new empty temporary file beside finalPath (".NAME-XXXXXX" in its
    // folder), open for writing; its path comes back in tempPath. Null with a
    // reason when it cannot be made.
    FILE* Create(const std::string& finalPath, std::string& tempPath, std::string& reason);
    // The same, without a stream: the path of an empty temporary file that
    // the caller writes by name.
    bool CreatePath(const std::string& finalPath, std::string& tempPath, std::string& reason);
    // Renames every temporary file to its final name. When one fails, the
    // files already renamed are removed again (with the temporaries), and
    // the reason is given.
    bool Commit(std::string& reason);
    // Removes every temporary file.
    void Discard();

    // The files in order, final names.
    std::vector<std::string> FinalPaths() const;

private:
    struct Entry {
        std::string temp;
        std::string final;
        int slot = -1;  // in the signal handler's table
    };
    std::vector<Entry> m_entries;
};

// SIGINT and SIGTERM remove every export file not yet complete, then end the
// program as the signal would have. For the command line; the window cancels
// instead.
void InstallExportSignalCleanup();
