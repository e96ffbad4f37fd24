#include "app/command_line.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include <string>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "app/options/parse_options.h"
#include "shots/list/file_status.h"

namespace {

CommandLineResult Failure(const QString& message)
{
    CommandLineResult result;
    result.action = CommandLineResult::Action::UsageError;
    result.message = message;
    return result;
}

}  // namespace

CommandLineResult ParseCommandLine(const QStringList& arguments)
{
    std::vector<std::string> words;
    words.reserve(std::size_t(arguments.size()));
    for (const QString& argument : arguments) words.push_back(argument.toStdString());
    return ParseCommandLineWords(words);
}

CommandLineResult ParseCommandLineWords(const std::vector<std::string>& words)
{
    const ParsedOptions parsed = ParseOptions(words);
    if (!parsed.error.empty()) return Failure(QString::fromStdString(parsed.error));

    CommandLineResult result;
    CCommandLineInfo& info = result.info;
    PlaybackOptions& playback = info.m_playback;
    bool help = false;
    bool version = false;
    for (const OptionValue& option : parsed.options) {
        const QString text = QString::fromLocal8Bit(words[option.word].substr(option.offset));
        const int number = int(option.number);
        switch (option.row->id) {
        case OptionId::NoSplash: info.m_bShowSplash = false; break;
        case OptionId::Shot: info.m_nShot = number; break;
        case OptionId::Screenshot: info.m_strScreenshot = text; break;
        case OptionId::PrintStatus: info.m_bPrintStatus = true; break;
        case OptionId::Follow: info.m_bFollow = true; break;
        case OptionId::Poll: info.m_bPoll = true; break;
        case OptionId::Interval: info.m_nPlayInterval = number; break;
        case OptionId::Fit: info.m_fitMode = FitMode(option.choice); break;
        case OptionId::Zoom: {
            const std::optional<double> zoom = ViewGeometry::ZoomFromPercent(option.number);
            if (!zoom)
                return Failure(QStringLiteral("--zoom needs a percentage from %1, not '%2'")
                                   .arg(QString::fromStdString(OptionRangeText(*option.row)), text));
            info.m_zoom = zoom;
            break;
        }
        case OptionId::FullScreen: info.m_bFullScreen = true; break;
        case OptionId::Overlay: info.m_bOverlay = true; break;
        case OptionId::Timeline: info.m_bTimeline = true; break;
        case OptionId::Play: playback.play = true; break;
        case OptionId::ExitAfter: playback.exitAfterMs = number; break;
        case OptionId::PrintPlayStats: playback.printPlayStats = true; break;
        case OptionId::Reverse: playback.reverse = true; break;
        case OptionId::Drop: playback.drop = true; break;
        case OptionId::Loop: playback.loop = LoopMode(option.choice); break;
        case OptionId::In: playback.inShot = number; break;
        case OptionId::Out: playback.outShot = number; break;
        case OptionId::MaxShots: playback.maxShots = number; break;
        case OptionId::CacheMb: playback.cacheMb = number; break;
        case OptionId::List: info.m_bList = true; break;
        case OptionId::Types: {
            std::string reason;
            if (!ParseShotTypes(text.toStdString(), info.m_shotList.types, reason)) return Failure(QString::fromStdString(reason));
            info.m_shotList.typesGiven = true;
            break;
        }
        case OptionId::Group: info.m_shotList.groupByPrefix = true; break;
        case OptionId::Json: info.m_bJson = true; break;
        case OptionId::Hud: info.m_bHud = true; break;
        case OptionId::Ipc: info.m_strIpcPath = text; break;
        case OptionId::Export: info.m_strExport = text; break;
        case OptionId::Crf: info.m_nCrf = number; break;
        case OptionId::Sheet: {
            SheetLayout layout;
            if (!ParseSheetLayout(text.toStdString(), layout))
                return Failure(QStringLiteral("--sheet needs COLSxROWS, such as 4x6 (at most %1 cells), not '%2'")
                                   .arg(EXPORT_SHEET_CELLS_MAX)
                                   .arg(text));
            info.m_sheet = layout;
            break;
        }
        case OptionId::SheetWidth: info.m_nSheetWidth = number; break;
        case OptionId::Remote:
            return Failure(QStringLiteral("--remote must be the first word: kestrel --remote PATH COMMAND [ARGS...]"));
        case OptionId::Sequence:
            // Picking a sequence asks for sequences.
            info.m_shotList.sequence = text.toStdString();
            info.m_shotList.groupByPrefix = true;
            break;
        case OptionId::Compare: info.m_strCompare = text; break;
        case OptionId::Pair: info.m_compare.pairBy = PairBy(option.choice); break;
        case OptionId::CompareMode: info.m_compare.mode = CompareMode(option.choice); break;
        case OptionId::Wipe: info.m_compare.wipePercent = option.number; break;
        case OptionId::DiffGain: info.m_compare.diffGain = number; break;
        case OptionId::Help: help = true; break;
        case OptionId::Version: version = true; break;
        }
    }

    if (help) {
        result.action = CommandLineResult::Action::ShowHelp;
        return result;
    }
    if (version) {
        result.action = CommandLineResult::Action::ShowVersion;
        return result;
    }
    if (parsed.paths.size() > 1)
        return Failure(QStringLiteral("only one PATH may be given, not %1").arg(parsed.paths.size()));
    if (!parsed.paths.empty()) {
        info.m_strPath = words[parsed.paths.front()];
        info.m_strFileName = QString::fromLocal8Bit(info.m_strPath);
    }
    if (info.m_nShot && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--shot needs a PATH whose shots to open"));
    if (info.m_bList && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--list needs a PATH whose shots to list"));
    if (!info.m_strExport.isEmpty() && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--export needs a PATH whose shots to export"));
    if (info.m_bJson && !info.m_bList) return Failure(QStringLiteral("--json goes with --list"));
    if (!info.m_strCompare.isEmpty() && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--compare needs a PATH whose shots are A"));
    const std::optional<int>& in = playback.inShot;
    const std::optional<int>& out = playback.outShot;
    if ((in || out) && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--in and --out need a PATH whose shots to play"));
    // A screenshot is taken of the main window, so nothing may cover it.
    if (!info.m_strScreenshot.isEmpty()) info.m_bShowSplash = false;
    return result;
}

namespace {

QString Reason(int error) { return QString::fromLocal8Bit(ErrorText(error)); }

QString CannotList(const std::string& directory, int error)
{
    return QStringLiteral("cannot list the directory '%1': %2").arg(QString::fromLocal8Bit(directory), Reason(error));
}

// Empty when directory can be listed.
QString CheckListable(const std::string& directory)
{
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return CannotList(directory, errno);
    errno = 0;
    const bool read = ::readdir(dir) != nullptr || errno == 0;
    const int error = errno;
    ::closedir(dir);
    return read ? QString() : CannotList(directory, error);
}

}  // namespace

QString CheckOpenPath(const std::string& path)
{
    const QString shown = QString::fromLocal8Bit(path);
    struct stat status {};
    if (path.empty() || ::stat(path.c_str(), &status) != 0)
        return QStringLiteral("cannot open '%1': %2").arg(shown, Reason(path.empty() ? ENOENT : errno));
    if (S_ISDIR(status.st_mode)) return CheckListable(path);
    // A file opens its directory, which must list too.
    const std::filesystem::path parent = std::filesystem::path(path).parent_path();
    if (const QString problem = CheckListable(parent.empty() ? std::string(".") : parent.string()); !problem.isEmpty())
        return problem;
    // A FIFO or device only names its directory; opening one could wait
    // for a writer, so only a regular file is opened to see that it reads.
    if (!S_ISREG(status.st_mode)) {
        if (::access(path.c_str(), R_OK) != 0) return QStringLiteral("cannot open '%1': %2").arg(shown, Reason(errno));
        return {};
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return QStringLiteral("cannot open '%1': %2").arg(shown, Reason(errno));
    ::close(fd);
    return {};
}

QString CheckOpenPath(const QString& path) { return CheckOpenPath(std::string(QFile::encodeName(path).constData())); }

QString CommandLineUsage() { return QString::fromStdString(OptionUsage()); }

QString CommandLineHelp() { return QString::fromStdString(OptionHelp()); }

QString VersionText() { return QStringLiteral("KESTREL Version 1.2\n"); }
