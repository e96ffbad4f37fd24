#include "app/command_line.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool IsShotNumber(const QString& text)
{
    // Digits as the shot-number box accepts them, few enough to stay an int.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(text).hasMatch();
}

CommandLineResult Failure(const QString& message)
{
    CommandLineResult result;
    result.action = CommandLineResult::Action::UsageError;
    result.message = message;
    return result;
}

// "--name=value" or "--name value"; false when the value is missing.
bool TakeValue(const QStringList& arguments, qsizetype& index, const QString& name, QString& value)
{
    const QString& word = arguments[index];
    if (word.size() > name.size() && word.startsWith(name) && word[name.size()] == u'=') {
        value = word.mid(name.size() + 1);
        return true;
    }
    if (index + 1 >= arguments.size()) return false;
    value = arguments[++index];
    return true;
}

bool Names(const QString& word, const QString& name)
{
    return word == name || (word.startsWith(name) && word.size() > name.size() && word[name.size()] == u'=');
}

}  // namespace

CommandLineResult ParseCommandLine(const QStringList& arguments)
{
    CommandLineResult result;
    CCommandLineInfo& info = result.info;
    bool onlyPaths = false;
    bool help = false;
    bool version = false;
    QStringList paths;

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& word = arguments[i];
        if (onlyPaths || word == QLatin1String("-") || !word.startsWith(u'-')) {
            paths << word;
        } else if (word == QLatin1String("--")) {
            onlyPaths = true;
        } else if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
            help = true;
        } else if (word == QLatin1String("--version")) {
            version = true;
        } else if (word == QLatin1String("--no-splash")) {
            info.m_bShowSplash = false;
        } else if (word == QLatin1String("--print-status")) {
            info.m_bPrintStatus = true;
        } else if (word == QLatin1String("--follow")) {
            info.m_bFollow = true;
        } else if (word == QLatin1String("--poll")) {
            info.m_bPoll = true;
        } else if (word == QLatin1String("--list")) {
            info.m_bList = true;
        } else if (word == QLatin1String("--fullscreen")) {
            info.m_bFullScreen = true;
        } else if (word == QLatin1String("--overlay")) {
            info.m_bOverlay = true;
        } else if (word == QLatin1String("--timeline")) {
            info.m_bTimeline = true;
        } else if (Names(word, QStringLiteral("--fit"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--fit"), value))
                return Failure(QStringLiteral("--fit needs stretch or aspect"));
            if (value == QLatin1String("stretch")) {
                info.m_fitMode = FitMode::Stretch;
            } else if (value == QLatin1String("aspect")) {
                info.m_fitMode = FitMode::Aspect;
            } else {
                return Failure(QStringLiteral("--fit needs stretch or aspect, not '%1'").arg(value));
            }
        } else if (Names(word, QStringLiteral("--zoom"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--zoom"), value))
                return Failure(QStringLiteral("--zoom needs a percentage"));
            bool number = false;
            const double percent = value.toDouble(&number);
            const std::optional<double> zoom = number ? ViewGeometry::ZoomFromPercent(percent) : std::nullopt;
            if (!zoom)
                return Failure(QStringLiteral("--zoom needs a percentage from 6.25 to 3200, not '%1'").arg(value));
            info.m_zoom = zoom;
        } else if (Names(word, QStringLiteral("--interval"))) {
            QString value;
            std::string reason = "--interval needs a number of milliseconds";
            if (!TakeValue(arguments, i, QStringLiteral("--interval"), value) ||
                !ParsePlayInterval(value.toStdString(), info.m_nPlayInterval, reason))
                return Failure(QString::fromStdString(reason));
        } else if (IsPlaybackOption(word.section(u'=', 0, 0).toStdString())) {
            const QString name = word.section(u'=', 0, 0);
            QString value;
            std::string reason = name.toStdString() + " needs a value";
            if (PlaybackOptionTakesValue(name.toStdString()) && !TakeValue(arguments, i, name, value))
                return Failure(QString::fromStdString(reason));
            if (!ApplyPlaybackOption(name.toStdString(), value.toStdString(), info.m_playback, reason))
                return Failure(QString::fromStdString(reason));
        } else if (Names(word, QStringLiteral("--shot"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--shot"), value))
                return Failure(QStringLiteral("--shot needs a shot number"));
            if (!IsShotNumber(value))
                return Failure(QStringLiteral("--shot needs a shot number (digits only), not '%1'").arg(value));
            info.m_nShot = value.toInt();
        } else if (Names(word, QStringLiteral("--export"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--export"), value) || value.isEmpty())
                return Failure(QStringLiteral("--export needs a file name"));
            info.m_strExport = value;
        } else if (Names(word, QStringLiteral("--crf"))) {
            QString value;
            int crf = 0;
            if (!TakeValue(arguments, i, QStringLiteral("--crf"), value) ||
                !ParseBoundedNumber(value.toStdString(), 0, EXPORT_CRF_MAX, crf))
                return Failure(QStringLiteral("--crf needs a quality from 0 to %1, not '%2'").arg(EXPORT_CRF_MAX).arg(value));
            info.m_nCrf = crf;
        } else if (Names(word, QStringLiteral("--sheet"))) {
            QString value;
            SheetLayout layout;
            if (!TakeValue(arguments, i, QStringLiteral("--sheet"), value) || !ParseSheetLayout(value.toStdString(), layout))
                return Failure(QStringLiteral("--sheet needs COLSxROWS, such as 4x6 (at most %1 cells), not '%2'")
                                   .arg(EXPORT_SHEET_CELLS_MAX)
                                   .arg(value));
            info.m_sheet = layout;
        } else if (Names(word, QStringLiteral("--sheet-width"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--sheet-width"), value) ||
                !ParseBoundedNumber(value.toStdString(), EXPORT_SHEET_WIDTH_MIN, EXPORT_SHEET_WIDTH_MAX, info.m_nSheetWidth))
                return Failure(QStringLiteral("--sheet-width needs a number of pixels from %1 to %2, not '%3'")
                                   .arg(EXPORT_SHEET_WIDTH_MIN)
                                   .arg(EXPORT_SHEET_WIDTH_MAX)
                                   .arg(value));
        } else if (Names(word, QStringLiteral("--screenshot"))) {
            QString value;
            if (!TakeValue(arguments, i, QStringLiteral("--screenshot"), value) || value.isEmpty())
                return Failure(QStringLiteral("--screenshot needs a file name"));
            info.m_strScreenshot = value;
        } else {
            return Failure(QStringLiteral("unknown option '%1'").arg(word));
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
    if (paths.size() > 1) return Failure(QStringLiteral("only one PATH may be given, not %1").arg(paths.size()));
    if (!paths.isEmpty()) info.m_strFileName = paths.front();
    if (info.m_nShot && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--shot needs a PATH whose shots to open"));
    if (info.m_bList && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--list needs a PATH whose shots to list"));
    if (!info.m_strExport.isEmpty() && info.m_strFileName.isEmpty())
        return Failure(QStringLiteral("--export needs a PATH whose shots to export"));
    // A screenshot is taken of the main window, so nothing may cover it.
    if (!info.m_strScreenshot.isEmpty()) info.m_bShowSplash = false;
    return result;
}

QString CheckOpenPath(const QString& path)
{
    const QFileInfo file(path);
    if (!file.exists()) return QStringLiteral("cannot open '%1': no such file or directory").arg(path);
    if (file.isDir()) {
        if (!file.isReadable() || !file.isExecutable() || !QDir(path).isReadable())
            return QStringLiteral("cannot open '%1': the directory cannot be listed").arg(path);
        return {};
    }
    // A FIFO or device only names its directory; opening one could wait
    // for a writer, so only a regular file is opened to see that it reads.
    const QByteArray name = QFile::encodeName(path);
    struct stat status {};
    if (::stat(name.constData(), &status) == 0 && !S_ISREG(status.st_mode)) {
        if (::access(name.constData(), R_OK) != 0)
            return QStringLiteral("cannot open '%1': %2").arg(path, QString::fromLocal8Bit(std::strerror(errno)));
        return {};
    }
    QFile probe(path);
    if (!probe.open(QIODevice::ReadOnly)) return QStringLiteral("cannot open '%1': %2").arg(path, probe.errorString());
    return {};
}

QString CommandLineUsage()
{
    return QStringLiteral(
        "usage: kestrel [--no-splash] [--shot N] [--screenshot FILE] [--print-status] [--follow] [--poll]\n"
        "               [--interval MS] [--fit stretch|aspect] [--zoom PCT] [--fullscreen] [--overlay]\n"
        "               [--timeline] [--play] [--exit-after MS] [--print-play-stats] [--reverse]\n"
        "               [--loop wrap|pingpong|once] [--in N] [--out N] [--max-shots N] [--cache-mb N]\n"
        "               [--help] [--version] [PATH]\n"
        "       kestrel [--max-shots N] --list PATH\n"
        "       kestrel --export OUT [--in N] [--out N] [--interval MS] [--reverse] [--crf N]\n"
        "               [--sheet COLSxROWS] [--sheet-width PX] PATH\n");
}

QString CommandLineHelp()
{
    return CommandLineUsage() + QStringLiteral(
        "\n"
        "Plays the GIF images of a directory as a sequence of shots.\n"
        "\n"
        "  PATH               a GIF file or a directory: its directory's shots open at once\n"
        "  --no-splash        start without the splash picture\n"
        "  --shot N           after opening PATH, jump to shot number N\n"
        "  --screenshot FILE  save the main window as PNG once the shot is painted, then exit\n"
        "                     (without a display the screenshot is drawn off screen)\n"
        "  --print-status     before exiting, print the shot-number box, a tab and the\n"
        "                     status box on one line\n"
        "  --follow           show each new shot as it arrives in the directory (key F\n"
        "                     turns it on and off; any move turns it off)\n"
        "  --poll             look for new shots by listing the directory once a second, as\n"
        "                     on network file systems, instead of asking the kernel\n"
        "  --interval MS      show each shot for MS milliseconds while playing (5 to\n"
        "                     60000; 1000 when not given)\n"
        "  --fit stretch|aspect  fit the shot to the window stretched (the default) or\n"
        "                     aspect-true, centred on white (key A switches)\n"
        "  --zoom PCT         start at PCT percent of the shot's own size, fit off\n"
        "                     (6.25 to 3200; Ctrl+Plus, Ctrl+Minus, Ctrl+0 and Ctrl with\n"
        "                     the wheel zoom)\n"
        "  --fullscreen       start full screen (F11 switches, Escape leaves)\n"
        "  --overlay          start with the shot overlay on (key I switches)\n"
        "  --timeline         start with the strip of thumbnails along the bottom (key T\n"
        "                     shows and hides it; with --screenshot, the visible thumbnails\n"
        "                     are waited for, at most 5 s)\n"
        "  --play             start playing once the first shot is painted\n"
        "  --exit-after MS    quit MS milliseconds after playing starts (or after the first paint)\n"
        "  --print-play-stats on exit print: played: N shots shown, M late, worst W ms late\n"
        "  --reverse          play backwards (key R)\n"
        "  --loop MODE        wrap (the default), pingpong, or once: stop at the end (key L)\n"
        "  --in N, --out N    play and step only from shot number N to shot number N\n"
        "                     (keys [ and ] set them at the shot on display, \\ clears them)\n"
        "  --max-shots N      list up to N shots of a directory (1 to 1000000; 5000 when not\n"
        "                     given)\n"
        "  --cache-mb N       memory for shots decoded ahead of the one on display, in MiB\n"
        "                     (0 to 65536; 256 when not given; 0 decodes each when shown)\n"
        "  --list             print the shots of PATH's directory, one line each (position,\n"
        "                     shot number, file name, last-write time), then the missing,\n"
        "                     repeated and out-of-order numbers; no window\n"
        "  --export OUT       write the shots from --in to --out (all without them) to OUT,\n"
        "                     no window: .gif an animated GIF, .mp4 or .mkv H.264 video,\n"
        "                     .webm VP9 video, each shot shown for the --interval; .png or\n"
        "                     .jpg contact sheets with --sheet; --reverse exports backwards\n"
        "  --crf N            video quality, lower is better (0 to 51 for H.264, 63 for VP9)\n"
        "  --sheet COLSxROWS  contact sheets of COLS x ROWS thumbnails a page, each with its\n"
        "                     shot number and last-write time; more pages are NAME-001.png, ...\n"
        "  --sheet-width PX   width of a contact sheet page (64 to 32768; 2480 when not given)\n"
        "  --help             show this text\n"
        "  --version          show the version\n"
        "\n"
        "Exit status: 0 done, 1 the screenshot or the export could not be written, 2 usage\n"
        "error or a PATH that cannot be listed.\n");
}

QString VersionText() { return QStringLiteral("KESTREL Version 1.2\n"); }
