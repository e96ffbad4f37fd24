#include "tests/support/test_paths.h"

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#ifndef KESTREL_SOURCE_DIR
#define KESTREL_SOURCE_DIR "."
#endif

namespace kestrel::test {

std::string ProjectSourceDir() { return KESTREL_SOURCE_DIR; }

std::string SharedTestDataDir()
{
    if (const char* overridden = std::getenv("KESTREL_TESTDATA")) return overridden;
    const std::string dir = std::string(KESTREL_SOURCE_DIR) + "/../shared/testdata";
    struct stat info {};
    if (stat(dir.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return dir;
    return {};
}

std::string MakeTempDir(const std::string& prefix)
{
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/" + prefix + "-XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return {};
    return buffer.data();
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

ShellRun RunShell(const std::string& command)
{
    ShellRun run;
    FILE* pipe = popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, got);
    const int status = pclose(pipe);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace kestrel::test
