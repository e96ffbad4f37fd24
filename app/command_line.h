// The command line of kestrel:
//
//   kestrel [--no-splash] [--shot N] [--screenshot FILE] [--print-status]
//           [--follow] [--poll] [--interval MS] [--fit stretch|aspect]
//           [--zoom PCT] [--fullscreen] [--overlay] [--timeline] [--hud] [--ipc PATH] [playback options] [--help]
//           [--version] [--types LIST] [--group prefix] [--sequence PREFIX]
//           [--compare PATH_B] [--pair number|index] [--compare-mode side|wipe|flip|diff]
//           [--wipe PCT] [--diff-gain G] [PATH]
//   kestrel [--max-shots N] [--types LIST] [--group prefix] --list [--json] PATH
//   kestrel --remote PATH COMMAND [ARGS...] | --events   (remote/remote_client.h)
//   kestrel --export OUT [--in N] [--out N] [--interval MS] [--reverse]
//           [--crf N] [--sheet COLSxROWS] [--sheet-width PX] [--types LIST] PATH
//
// Every option is a row of the option table (app/options/option_table.h),
// which the parser and --help read.
//
// PATH names a GIF file or a directory whose shots open at start-up. The
// words are all Kestrel's own: the toolkit's options (-platform, -style and
// the like) are not taken from the command line, so a file name can never be
// mistaken for one; its environment variables still apply.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "compare/compare_options.h"
#include "export/shot_export.h"
#include "shots/playback/play_interval.h"
#include "shots/view/view_geometry.h"
#include "shots/playback/playback_options.h"
#include "shots/list/shot_types.h"

struct CCommandLineInfo {
    bool m_bShowSplash = true;        // cleared by --no-splash and by --screenshot
    QString m_strFileName;            // PATH, empty when none was given
    std::string m_strPath;            // PATH's own bytes (a name need not be UTF-8); empty: m_strFileName's
    std::string PathBytes() const { return m_strPath.empty() ? m_strFileName.toLocal8Bit().toStdString() : m_strPath; }
    std::optional<int> m_nShot;       // --shot N: jump there after the open
    QString m_strScreenshot;          // --screenshot FILE
    bool m_bPrintStatus = false;      // --print-status
    bool m_bFollow = false;           // --follow: show each new shot as it arrives
    bool m_bPoll = false;             // --poll: list the directory once a second to follow it
    int m_nPlayInterval = PLAY_INTERVAL_DEFAULT_MS;  // --interval MS: the play timer's period
    bool m_bList = false;             // --list: print the shot report of PATH, no window
    FitMode m_fitMode = FitMode::Stretch;  // --fit stretch|aspect
    std::optional<double> m_zoom;     // --zoom PCT, as a factor: fit starts off
    bool m_bFullScreen = false;       // --fullscreen
    bool m_bOverlay = false;          // --overlay: the shot overlay starts on
    bool m_bTimeline = false;         // --timeline: the strip of thumbnails starts shown
    PlaybackOptions m_playback;       // --max-shots, --play, --loop and the other playback options
    ShotListOptions m_shotList;       // --types, --group, --sequence (shot_types.h)
    QString m_strIpcPath;             // --ipc PATH: the control socket (remote/remote_protocol.h)
    bool m_bJson = false;             // --json: the --list report as one JSON object
    bool m_bHud = false;              // --hud: the live play display starts on
    QString m_strExport;              // --export OUT: write the in-out range there, no window
    std::optional<int> m_nCrf;        // --crf N: video quality
    std::optional<SheetLayout> m_sheet;  // --sheet COLSxROWS: contact sheets
    int m_nSheetWidth = 2480;         // --sheet-width PX
    QString m_strCompare;             // --compare PATH_B: run B, compared with PATH's shots
    CompareOptions m_compare;         // --pair, --compare-mode, --wipe, --diff-gain
};

struct CommandLineResult {
    enum class Action { Run, ShowHelp, ShowVersion, UsageError };
    Action action = Action::Run;
    CCommandLineInfo info;
    QString message;  // what went wrong, for UsageError
};

// Exit status of a usage error: an unknown option, a bad value, a PATH that
// cannot be read.
constexpr int EXIT_USAGE = 2;

// Reads the words after the program name. Does not look at the file system.
CommandLineResult ParseCommandLine(const QStringList& arguments);
// The same for the words as bytes, as the program gets them: a path keeps
// its bytes whether or not they are UTF-8.
CommandLineResult ParseCommandLineWords(const std::vector<std::string>& words);

// Empty when path is a readable file or a directory that can be listed;
// otherwise a one-line reason naming the path.
// A file's directory must list too: "cannot list the directory '…': …".
QString CheckOpenPath(const std::string& path);
QString CheckOpenPath(const QString& path);

QString CommandLineUsage();
QString CommandLineHelp();
QString VersionText();
