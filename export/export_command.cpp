#include "export/export_command.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "export/temp_output.h"
#include "shots/list/shot_number_text.h"

namespace {

constexpr int BAR_WIDTH = 30;

// The directory whose shots PATH names, with its separator.
bool ShotDirectory(const std::string& path, std::string& directory, std::string& reason)
{
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) {
        reason = "cannot open '" + path + "': " + (path.empty() ? "no path given" : std::strerror(errno));
        return false;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        reason = "cannot open '" + path + "': " + error.message();
        return false;
    }
    directory = S_ISDIR(status.st_mode) ? absolute.string() : absolute.parent_path().string();
    if (directory.empty() || directory.back() != '/') directory += '/';
    return true;
}

std::optional<std::size_t> EarliestWithNumber(const CKESTRELDoc& doc, int number)
{
    for (std::size_t i = 0; i < doc.ShotCount(); ++i) {
        if (doc.ShotNumber(i) == number) return i;
    }
    return std::nullopt;
}

}  // namespace

std::vector<ExportShot> ExportShotsOf(const CKESTRELDoc& doc, std::size_t first, std::size_t last, bool reverse)
{
    std::vector<ExportShot> shots;
    for (std::size_t i = first; i <= last && i < doc.ShotCount(); ++i) {
        const ShotRecord& record = doc.Shot(i);
        shots.push_back({record.Path(), ShotNumberText(record.Path()), record.lastWriteTime});
    }
    if (reverse) std::reverse(shots.begin(), shots.end());
    return shots;
}

ExportProgressLine::ExportProgressLine(std::ostream& err, bool terminal, Clock clock)
    : m_err(err), m_terminal(terminal), m_clock(std::move(clock)), m_last(m_clock())
{
}

bool ExportProgressLine::operator()(std::size_t done, std::size_t total)
{
    const std::string count = std::to_string(done) + " of " + std::to_string(total) + " shots";
    if (m_terminal) {
        const int filled = total ? int(done * BAR_WIDTH / total) : BAR_WIDTH;
        m_err << "\rexport: [" << std::string(std::size_t(filled), '#')
              << std::string(std::size_t(BAR_WIDTH - filled), ' ') << "] " << count << std::flush;
        m_drawn = true;
        return true;
    }
    const auto now = m_clock();
    if (now - m_last >= std::chrono::seconds(1)) {
        m_err << "export: " << count << '\n' << std::flush;
        m_last = now;
    }
    return true;
}

void ExportProgressLine::Finish()
{
    if (m_drawn) m_err << '\n';
    m_drawn = false;
}

int RunExportCommand(const ExportCommand& command, std::ostream& err, bool terminal)
{
    InstallExportSignalCleanup();
    ExportKind kind = ExportKind::Gif;
    std::string reason;
    std::string directory;
    if (!ExportKindFor(command.settings, kind, reason) || !ShotDirectory(command.path, directory, reason)) {
        err << "kestrel: " << reason << '\n';
        return EXPORT_FAILED;
    }
    CKESTRELDoc document;
    document.SetMaxShots(command.maxShots);
    document.SetShotTypes(ShotTypesForPath(command.path, command.types));
    document.m_strDirectory = directory;
    document.ScanDirectory();
    if (document.ShotCount() == 0) {
        err << "kestrel: no shots to export in '" << directory << "'\n";
        return EXPORT_FAILED;
    }
    std::size_t first = 0;
    std::size_t last = document.ShotCount() - 1;
    for (const auto& [point, number] : {std::pair{"--in", command.inShot}, std::pair{"--out", command.outShot}}) {
        if (!number) continue;
        const std::optional<std::size_t> index = EarliestWithNumber(document, *number);
        if (!index) {
            err << "kestrel: " << point << ": no shot numbered " << *number << " in '" << directory << "'\n";
            return EXPORT_FAILED;
        }
        (std::string(point) == "--in" ? first : last) = *index;
    }
    if (first > last) {
        err << "kestrel: the in point (shot " << *command.inShot << ") comes after the out point (shot "
            << *command.outShot << ")\n";
        return EXPORT_FAILED;
    }

    ExportProgressLine line(err, terminal);
    const ExportOutcome outcome = ExportShots(ExportShotsOf(document, first, last, command.reverse), command.settings,
                                              [&line](std::size_t done, std::size_t total) { return line(done, total); });
    line.Finish();
    err << "kestrel: " << ExportSummary(outcome) << '\n';
    return outcome.status == ExportOutcome::Status::Done ? EXPORT_OK : EXPORT_FAILED;
}
