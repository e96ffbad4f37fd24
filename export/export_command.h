// `kestrel --export OUT [--in N] [--out M] [--interval MS] [--reverse]
// [--crf N] [--sheet COLSxROWS [--sheet-width PX]] PATH`: exports the shots
// of PATH's directory from shot number N to shot number M (the earliest shot
// of each number, as --in and --out choose them for playing; the whole list
// without them), in list order or backwards, with no window and no display.
//
// Progress goes to the error stream: on a terminal one line redrawn in
// place, "export: [#####     ] K of N shots"; otherwise "export: K of N
// shots" once a second. Then one closing line. Exit status 0 when every file
// is complete, 1 otherwise (with the reason); SIGINT and SIGTERM leave no
// file behind.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "export/shot_export.h"
#include "shots/list/shot_types.h"
#include "shots/shot_list_document.h"

constexpr int EXPORT_OK = 0;
constexpr int EXPORT_FAILED = 1;

struct ExportCommand {
    std::string path;
    std::optional<int> inShot;
    std::optional<int> outShot;
    bool reverse = false;
    int maxShots = CKESTRELDoc::MAX_SHOTS;
    // The types that make shots (--types); a file of another type named as
    // PATH lists its own type, as the viewer does.
    ShotTypes types = ShotTypes::GifOnly();
    ExportSettings settings;
};

// The shots of doc from index first to last (inclusive), backwards when
// reverse.
std::vector<ExportShot> ExportShotsOf(const CKESTRELDoc& doc, std::size_t first, std::size_t last, bool reverse);

// Progress for the error stream, on a clock the tests can drive.
class ExportProgressLine {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    ExportProgressLine(std::ostream& err, bool terminal, Clock clock = std::chrono::steady_clock::now);
    // Always true: the command line stops by signal only.
    bool operator()(std::size_t done, std::size_t total);
    // Ends a redrawn line so the closing one starts on its own.
    void Finish();

private:
    std::ostream& m_err;
    bool m_terminal;
    Clock m_clock;
    std::chrono::steady_clock::time_point m_last;
    bool m_drawn = false;
};

int RunExportCommand(const ExportCommand& command, std::ostream& err, bool terminal);
