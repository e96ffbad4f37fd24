#include "app/help_path.h"

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <system_error>

std::string BuildHelpPath(std::string_view directory)
{
    // The read limit counts the terminator, so the longest directory it can
    // deliver is one character shorter.
    if (directory.empty() || directory.size() >= CURRENT_DIRECTORY_LIMIT) return {};
    std::string path(directory);
    if (path.back() != '/') path += '/';
    path += HELP_FILE_NAME;
    if (path.size() >= HELP_PATH_CAPACITY) return {};
    return path;
}

std::string HelpPathFromCurrentDirectory()
{
    char directory[CURRENT_DIRECTORY_LIMIT];
    if (!::getcwd(directory, sizeof directory)) return {};
    return BuildHelpPath(std::string_view(directory, std::strlen(directory)));
}

std::string InstalledManualPath(std::string_view programDirectory)
{
    if (programDirectory.empty()) return {};
    return (std::filesystem::path(programDirectory) / INSTALLED_MANUAL_PATH).lexically_normal().string();
}

namespace {

bool IsFile(const std::string& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_regular_file(path, error);
}

}  // namespace

std::string ChooseHelpFile(const std::string& helpPath, const std::string& manualPath)
{
    if (IsFile(helpPath) || !IsFile(manualPath)) return helpPath;
    return manualPath;
}
