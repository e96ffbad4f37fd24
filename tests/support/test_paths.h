// Where the tests find things outside the project.
#pragma once

#include <string>

namespace kestrel::test {

// The project's source tree, wherever the tests run from.
std::string ProjectSourceDir();

// The public test suites beside the project (../shared/testdata), or an empty
// string when that folder is absent, as in a user's clone.
std::string SharedTestDataDir();

// A fresh, empty temporary directory under $TMPDIR (or /tmp).
std::string MakeTempDir(const std::string& prefix = "kestrel-test");

// The whole content of a file; empty when it cannot be read.
std::string ReadFileBytes(const std::string& path);

// Writes bytes to path, replacing it. False when it cannot be written.
bool WriteFileBytes(const std::string& path, const std::string& bytes);

// A shell command run to its end: its exit status (-1 when it did not exit)
// and what it wrote, standard output and error together.
struct ShellRun {
    int status = -1;
    std::string output;
};
ShellRun RunShell(const std::string& command);

}  // namespace kestrel::test
