// kestrel: the shot viewer. See command_line.h for the command line.
#include <QApplication>
#include <QTimer>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_icon.h"
#include "app/command_line.h"
#include "app/framework/file_open_dialog_widget.h"
#include "app/kestrel_app.h"
#include "export/export_command.h"
#include "remote/qt/remote_control.h"
#include "remote/remote_client.h"
#include "shots/list/shot_report.h"
#include "shots/list/shot_report_json.h"

namespace {

// How long a screenshot waits for the timeline's visible thumbnails.
constexpr int TIMELINE_WAIT_MS = 5000;

void Print(std::FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

}  // namespace

int main(int argc, char** argv)
{
    // The remote client needs no window: it only talks to a running viewer.
    if (argc >= 2 && std::string_view(argv[1]) == "--remote")
        return RunRemoteClient(std::vector<std::string>(argv + 2, argv + argc), std::cout, std::cerr);
    const std::vector<std::string> words(argv + 1, argv + argc);
    const CommandLineResult parsed = ParseCommandLineWords(words);
    switch (parsed.action) {
    case CommandLineResult::Action::ShowHelp:
        Print(stdout, CommandLineHelp());
        return 0;
    case CommandLineResult::Action::ShowVersion:
        Print(stdout, VersionText());
        return 0;
    case CommandLineResult::Action::UsageError:
        Print(stderr, QStringLiteral("kestrel: %1\n").arg(parsed.message) + CommandLineUsage());
        return EXIT_USAGE;
    case CommandLineResult::Action::Run:
        break;
    }
    const CCommandLineInfo& info = parsed.info;
    // The shot report needs no window, nor a display.
    if (info.m_bList && info.m_bJson)
        return RunShotReportJson(info.PathBytes(), std::cout, std::cerr,
                                 info.m_playback.maxShots);
    if (info.m_bList) return RunShotReport(info.PathBytes(), std::cout, std::cerr,
                                             info.m_playback.maxShots, info.m_shotList);
    // So does an export.
    if (!info.m_strExport.isEmpty()) {
        ExportCommand command;
        command.path = info.PathBytes();
        command.inShot = info.m_playback.inShot;
        command.outShot = info.m_playback.outShot;
        command.reverse = info.m_playback.reverse;
        command.maxShots = info.m_playback.maxShots;
        command.types = info.m_shotList.types;
        command.settings.out = info.m_strExport.toLocal8Bit().toStdString();
        command.settings.intervalMs = info.m_nPlayInterval;
        command.settings.crf = info.m_nCrf;
        command.settings.sheet = info.m_sheet;
        command.settings.sheetWidth = info.m_nSheetWidth;
        return RunExportCommand(command, std::cerr, isatty(STDERR_FILENO) != 0);
    }
    {
        // PATH, then run B's PATH_B.
        QString problem = info.m_strFileName.isEmpty() ? QString() : CheckOpenPath(info.PathBytes());
        if (problem.isEmpty() && !info.m_strCompare.isEmpty()) problem = CheckOpenPath(info.m_strCompare);
        if (!problem.isEmpty()) {
            Print(stderr, QStringLiteral("kestrel: %1\n").arg(problem));
            return EXIT_USAGE;
        }
    }

    const bool screenshot = !info.m_strScreenshot.isEmpty();
    if (!HasDisplay()) {
        if (!screenshot) {
            Print(stderr, QStringLiteral("kestrel: no display to show the window on (DISPLAY is not set); "
                                         "--screenshot FILE draws it off screen\n"));
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }

    // The toolkit gets no words of the command line: they are all Kestrel's.
    int toolkitArgc = 1;
    QApplication application(toolkitArgc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("kestrel"));
    QApplication::setWindowIcon(ApplicationIcon());
    InstallWidgetFileOpenDialog();

    CKESTRELApp theApp;
    if (!theApp.InitInstance(info)) {
        // A start-up choice the shots cannot meet (--in, --out) is the command line's fault.
        if (!theApp.StartError().isEmpty()) {
            Print(stderr, QStringLiteral("kestrel: %1\n").arg(theApp.StartError()));
            return EXIT_USAGE;
        }
        Print(stderr, QStringLiteral("kestrel: the main window could not be made\n"));
        return 1;
    }

    // Driven from outside: the control socket when asked for, and the media
    // keys whenever there is a session bus.
    RemoteControl remote(theApp);
    if (!info.m_strIpcPath.isEmpty()) {
        QString reason;
        if (!remote.Listen(info.m_strIpcPath, reason)) {
            Print(stderr, QStringLiteral("kestrel: %1\n").arg(reason));
            return 1;
        }
    }
    if (!screenshot) remote.StartMpris();

    if (screenshot) {
        QTimer::singleShot(0, &application, [&] {
            QCoreApplication::processEvents();
            theApp.WaitForTimeline(TIMELINE_WAIT_MS);
            const bool saved = theApp.SaveScreenshot(info.m_strScreenshot);
            if (!saved) Print(stderr, QStringLiteral("kestrel: cannot write '%1'\n").arg(info.m_strScreenshot));
            if (info.m_bPrintStatus) Print(stdout, theApp.StatusLine() + u'\n' + theApp.CompareLine() + theApp.StallLine());
            QCoreApplication::exit(saved ? 0 : 1);
        });
        return application.exec();
    }

    const PlaybackOptions& playback = info.m_playback;
    if (playback.play || playback.exitAfterMs) {
        // After the first paint: the events already queued come first.
        QTimer::singleShot(0, &application, [&] {
            QCoreApplication::processEvents();
            if (playback.play) theApp.StartPlaying();
            // Precise: a coarse timer may fire up to 5 % early.
            if (playback.exitAfterMs) QTimer::singleShot(*playback.exitAfterMs, Qt::PreciseTimer, &application, [] {
                QCoreApplication::exit(0);
            });
        });
    }
    const int status = application.exec();
    if (playback.printPlayStats) Print(stdout, theApp.PlayStatsLine() + u'\n');
    if (info.m_bPrintStatus) Print(stdout, theApp.StatusLine() + u'\n' + theApp.CompareLine() + theApp.StallLine());
    return status;
}
