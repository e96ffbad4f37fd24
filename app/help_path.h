// Where every help request looks: the help file "Kestrel.CHM" in the
// directory that was current when the program started (not the directory of
// the program file). Where there is no such file, help shows the HTML manual
// installed with the program instead (share/doc/kestrel/manual.html, found
// from the program's own bin directory, so an installed tree can move).
//
// The path must fit a buffer of HELP_PATH_CAPACITY characters, terminator
// included, and the current directory is read with a limit of
// CURRENT_DIRECTORY_LIMIT characters. A path that does not fit is refused
// (an empty result), never cut short: a cut path would name another file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

constexpr std::size_t HELP_PATH_CAPACITY = 260;
constexpr std::size_t CURRENT_DIRECTORY_LIMIT = 256;
constexpr const char* HELP_FILE_NAME = "Kestrel.CHM";
// The HTML manual, relative to the directory holding the program.
constexpr const char* INSTALLED_MANUAL_PATH = "../share/doc/kestrel/manual.html";

// directory followed by one separator (none added when it already ends in
// one, as a root does) and the help file name. Empty when directory is empty,
// longer than the read limit allows, or the whole path would not fit.
std::string BuildHelpPath(std::string_view directory);

// BuildHelpPath of the process's current directory; empty when it cannot be
// read within the limit.
std::string HelpPathFromCurrentDirectory();

// The installed manual for a program in programDirectory (its bin
// directory); empty when programDirectory is.
std::string InstalledManualPath(std::string_view programDirectory);

// The file a help request opens: helpPath when that file exists; otherwise
// manualPath when that file exists; otherwise helpPath all the same, whose
// viewer then fails without a message. Empty means nothing to open.
std::string ChooseHelpFile(const std::string& helpPath, const std::string& manualPath);
