#include "export/temp_output.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <mutex>
#include <random>

namespace {

// The files a signal must remove: two names a slot (the temporary one, and
// the final one while renaming). Slots hold copies the handler reads without
// locking; a slot is taken and given back under the mutex, outside the
// handler. A slot's strings are freed only after its pointers are cleared.
constexpr int CLEANUP_SLOTS = 4096;
std::atomic<char*> g_cleanupTemp[CLEANUP_SLOTS];
std::atomic<char*> g_cleanupFinal[CLEANUP_SLOTS];
std::atomic<bool> g_slotUsed[CLEANUP_SLOTS];
std::mutex g_slotMutex;

int TakeSlot(const std::string& temp)
{
    std::lock_guard<std::mutex> lock(g_slotMutex);
    for (int i = 0; i < CLEANUP_SLOTS; ++i) {
        if (!g_slotUsed[i].load()) {
            g_slotUsed[i] = true;
            g_cleanupTemp[i] = strdup(temp.c_str());
            return i;
        }
    }
    return -1;  // more files than slots: they are still removed on failure
}

void SetSlotFinal(int slot, const std::string& final)
{
    if (slot >= 0) g_cleanupFinal[slot] = strdup(final.c_str());
}

void GiveSlot(int slot)
{
    if (slot < 0) return;
    std::lock_guard<std::mutex> lock(g_slotMutex);
    char* temp = g_cleanupTemp[slot].exchange(nullptr);
    char* final = g_cleanupFinal[slot].exchange(nullptr);
    std::free(temp);
    std::free(final);
    g_slotUsed[slot] = false;
}

extern "C" void RemoveExportFilesAndDie(int signal)
{
    for (int i = 0; i < CLEANUP_SLOTS; ++i) {
        if (const char* temp = g_cleanupTemp[i].load()) unlink(temp);
        if (const char* final = g_cleanupFinal[i].load()) unlink(final);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

std::string SplitFolder(const std::string& path, std::string& name)
{
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) {
        name = path;
        return "./";
    }
    name = path.substr(slash + 1);
    return path.substr(0, slash + 1);
}

}  // namespace

ExportFiles::~ExportFiles() { Discard(); }

FILE* ExportFiles::Create(const std::string& finalPath, std::string& tempPath, std::string& reason)
{
    if (!CreatePath(finalPath, tempPath, reason)) return nullptr;
    FILE* file = std::fopen(tempPath.c_str(), "wb");
    if (!file) reason = "cannot write '" + tempPath + "': " + std::strerror(errno);
    return file;
}

bool ExportFiles::CreatePath(const std::string& finalPath, std::string& tempPath, std::string& reason)
{
    std::string name;
    const std::string folder = SplitFolder(finalPath, name);
    // A fresh name made with the permissions any new file of the user gets
    // (mkstemp's would keep the result private).
    static constexpr char LETTERS[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device random;
    std::string pattern;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        pattern = folder + "." + name + "-";
        for (int i = 0; i < 6; ++i) pattern += LETTERS[random() % (sizeof LETTERS - 1)];
        fd = open(pattern.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        reason = "cannot write in '" + folder + "': " + std::strerror(errno);
        return false;
    }
    close(fd);
    Entry entry;
    entry.temp = pattern;
    entry.final = finalPath;
    entry.slot = TakeSlot(pattern);
    m_entries.push_back(entry);
    tempPath = pattern;
    return true;
}

bool ExportFiles::Commit(std::string& reason)
{
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        Entry& entry = m_entries[i];
        if (std::rename(entry.temp.c_str(), entry.final.c_str()) != 0) {
            reason = "cannot write '" + entry.final + "': " + std::strerror(errno);
            for (std::size_t done = 0; done < i; ++done) unlink(m_entries[done].final.c_str());
            Discard();
            return false;
        }
        SetSlotFinal(entry.slot, entry.final);
    }
    for (Entry& entry : m_entries) GiveSlot(entry.slot);
    m_entries.clear();
    return true;
}

void ExportFiles::Discard()
{
    for (Entry& entry : m_entries) {
        unlink(entry.temp.c_str());
        GiveSlot(entry.slot);
    }
    m_entries.clear();
}

std::vector<std::string> ExportFiles::FinalPaths() const
{
    std::vector<std::string> paths;
    for (const Entry& entry : m_entries) paths.push_back(entry.final);
    return paths;
}

void InstallExportSignalCleanup()
{
    struct sigaction action {};
    action.sa_handler = RemoveExportFilesAndDie;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}
