#include "app/kestrel_app.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QSettings>

#include <filesystem>

#include "app/about_dialog.h"
#include "app/compare_control.h"
#include "app/commands/command_ids.h"
#include "app/export_window.h"
#include "app/help_path.h"
#include "app/framework/message_box.h"
#include "app/help_viewer.h"
#include "app/main_frame.h"
#include "app/splash_wnd.h"
#include "shots/qt/player_view.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "shots/thumbnails/qt/timeline_strip.h"
#include "shots/cache/shot_cache.h"
#include "shots/shot_list_document.h"

// PreTranslateMessage: the splash sees every event of the application first.
class CKESTRELApp::InputFilter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return CSplashWnd::FilterSplashInput(event); }
};

CKESTRELApp::CKESTRELApp()
{
    // Message map. The generic open is withdrawn: the document's open comes
    // first in the route and is the only open there is.
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_APP_EXIT, [this] {
        if (m_pMainFrame) m_pMainFrame->close();
    });
    OnCommand(ID_FILE_OPEN_FOLDER, [this] { OnFileOpenFolder(); });
    OnCommand(ID_FILE_EXPORT, [this] {
        if (m_pView) RunWindowExport(m_pMainFrame, *m_pDocument, *m_pView);
    });
    OnUpdateCommand(ID_FILE_EXPORT, [this](CCmdUI& ui) {
        if (!m_pView || m_pView->m_player.Playing() || !m_pDocument || m_pDocument->ShotCount() == 0) ui.Enable(false);
    });
    OnCommand(ID_FOLLOW_NEWEST, [this] {
        if (m_pFollower) m_pFollower->ToggleFollowNewest();
    });
    OnCommand(ID_SEQUENCE_NEXT, [this] { StepSequence(1); });
    OnCommand(ID_SEQUENCE_PREVIOUS, [this] { StepSequence(-1); });
    // Comparing with a run B: picking it waits while the shots play;
    // stopping never does.
    OnCommand(ID_COMPARE_OPEN, [this] {
        if (m_pCompare) m_pCompare->OnCompareOpen(m_pMainFrame);
    });
    OnUpdateCommand(ID_COMPARE_OPEN, [this](CCmdUI& ui) {
        const bool picking = m_pCompare && !m_pCompare->Active();
        if (!m_pCompare || (picking && (!m_pView || m_pView->m_player.Playing() || m_pDocument->ShotCount() == 0)))
            ui.Enable(false);
    });
    OnCommand(ID_VIEW_PLACEHOLDERS, [this] {
        if (m_pTimeline) m_pTimeline->SetPlaceholders(!m_pTimeline->Placeholders());
    });
}

CKESTRELApp::~CKESTRELApp()
{
    if (CSplashWnd* splash = CSplashWnd::Current()) splash->HideSplash();
    m_pCompare.reset();
    delete m_pMainFrame;  // the view goes with it, before the document
    m_pMainFrame = nullptr;
    m_pView = nullptr;
    m_pTimeline = nullptr;
    m_pFollower.reset();
    m_pDocument.reset();
    if (m_dialogInstalled) SetFileOpenDialog(std::move(m_previousDialog));
    if (m_pInputFilter && qApp) qApp->removeEventFilter(m_pInputFilter.get());
}

bool CKESTRELApp::InitInstance(const CCommandLineInfo& info)
{
    CSplashWnd::EnableSplash(info.m_bShowSplash);
    m_pInputFilter = std::make_unique<InputFilter>();
    qApp->installEventFilter(m_pInputFilter.get());

    LoadStdProfileSettings();
    // Every file the open dialog gives joins the recent files.
    m_previousDialog = SetFileOpenDialog([this](const FileOpenRequest& request, FileOpenChoice& choice) {
        const bool chosen = m_previousDialog && m_previousDialog(request, choice);
        if (!chosen) return false;
        // A file whose directory cannot be listed would open an empty list.
        if (const QString problem = CheckOpenPath(choice.path); !problem.isEmpty()) {
            ShowMessageBox(m_pMainFrame, QStringLiteral("Kestrel"), problem);
            return false;
        }
        AddToRecentFileList(QString::fromLocal8Bit(choice.path.c_str()));
        return true;
    });
    m_dialogInstalled = true;

    m_pDocument = std::make_unique<CKESTRELDoc>();
    m_pDocument->SetMaxShots(info.m_playback.maxShots);
    m_pDocument->SetShotTypes(info.m_shotList.types);
    m_pDocument->SetGroupByPrefix(info.m_shotList.groupByPrefix);
    if (info.m_shotList.sequence) m_pDocument->SetSequence(*info.m_shotList.sequence);
    m_pDocument->EnableReadAhead(std::size_t(info.m_playback.cacheMb) << 20, ShotCache::DefaultWorkers());
    // Read ahead the way playing will go from the first shot loaded on: a
    // run played backwards would otherwise start with shots read the other way.
    m_pDocument->SetReadAheadReverse(info.m_playback.reverse);
    m_pFollower = std::make_unique<ShotDirectoryFollower>(*m_pDocument);
    m_pFollower->SetForcePolling(info.m_bPoll);
    m_pFollower->SetFollowNewest(info.m_bFollow);
    m_pMainFrame = new CMainFrame;
    m_pMainFrame->SetHelpHandler([this] { WinHelp(); });
    if (!m_pMainFrame->OnCreate()) {
        delete m_pMainFrame;
        m_pMainFrame = nullptr;
        return false;
    }
    m_pView = new CKestrel(m_pDocument.get(), m_pMainFrame);
    m_pView->m_player.SetIntervalMs(info.m_nPlayInterval);
    m_pView->m_geometry.SetFit(info.m_fitMode);
    m_pView->m_bOverlay = info.m_bOverlay;
    if (info.m_zoom) m_pView->ZoomTo(*info.m_zoom);
    m_pView->SetHud(info.m_bHud);
    m_pView->SetFollowFacts([this] { return FollowFacts(); });
    m_pTimeline = new CTimelineStrip(m_pDocument.get(), m_pView);
    m_pMainFrame->AddTimeline(m_pTimeline, info.m_bTimeline);
    m_pMainFrame->SetOpenHandler([this](const QString& path) { OpenShots(path); });
    m_pMainFrame->SetRecentFiles([this] { return m_recentFiles.Files(); });
    m_pMainFrame->SetAfterCommand([view = m_pView](UINT id) { view->ShowStateAfter(id); });
    m_pView->SetContextMenuHandler([frame = m_pMainFrame](QPoint at) { frame->ShowCommandMenu(at); });
    m_pMainFrame->SendDigitsToShotNumber(m_pView);
    m_pMainFrame->SetView(m_pView);
    // A small shot at its own size never hides the toolbar's boxes.
    m_pView->SetFrameWidthFloor([frame = m_pMainFrame] { return frame->ToolBarWidth(); });
    m_pMainFrame->SetApplicationTarget(this);
    if (!m_pMainFrame->NewDocumentStep()) return false;

    if (!info.m_strFileName.isEmpty() || !info.m_strPath.empty()) {
        OpenShotPath(info.PathBytes());
        // --sequence wins over the opened file's own sequence.
        const std::optional<std::string>& sequence = info.m_shotList.sequence;
        if (sequence && *sequence != m_pDocument->SequencePrefix()) m_pDocument->OpenSequence(*sequence);
        if (info.m_nShot) JumpToShot(*info.m_nShot);
    }
    m_pCompare = std::make_unique<CompareControl>(*m_pDocument, *m_pView, info.m_compare,
                                                  std::size_t(info.m_playback.cacheMb) << 20, info.m_bPoll);
    if (!info.m_strCompare.isEmpty()) m_pCompare->Open(info.m_strCompare);
    if (!ApplyPlayback(info.m_playback)) return false;
    m_pMainFrame->SyncFitButton();

    if (info.m_bFullScreen) {
        m_pMainFrame->setWindowState(Qt::WindowMaximized | Qt::WindowFullScreen);
        m_pMainFrame->show();
    } else {
        m_pMainFrame->showMaximized();
    }
    // The view has the keyboard first, as the frame's active view.
    m_pView->setFocus(Qt::OtherFocusReason);
    m_pMainFrame->repaint();
    UpdateTitle();

    // Looked for in the directory the program was started in.
    m_szHelpPath = HelpPathFromCurrentDirectory();
    m_strManualPath = InstalledManualPath(QCoreApplication::applicationDirPath().toLocal8Bit().toStdString());
    return true;
}

bool CKESTRELApp::OpenShots(const QString& path) { return OpenShotPath(QFile::encodeName(path).toStdString()); }

bool CKESTRELApp::OpenShotPath(const std::string& path)
{
    // A directory that cannot be listed would open as an empty one.
    if (const QString problem = CheckOpenPath(path); !problem.isEmpty()) {
        ShowMessageBox(m_pMainFrame, QStringLiteral("Kestrel"), problem);
        return false;
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error).lexically_normal();
    FileOpenChoice choice;
    if (std::filesystem::is_directory(absolute, error)) {
        // The directory itself with its separator, and no file name.
        choice.path = absolute.string();
        if (!choice.path.ends_with('/')) choice.path += '/';
    } else {
        choice.path = absolute.string();
        choice.fileName = absolute.filename().string();
    }
    // The document's own open, answered at once with this choice.
    FileOpenDialog inForce = SetFileOpenDialog([&choice](const FileOpenRequest&, FileOpenChoice& answer) {
        answer = choice;
        return true;
    });
    m_pDocument->OnFileOpen();
    SetFileOpenDialog(std::move(inForce));
    std::string recent = absolute.string();
    if (recent.size() > 1 && recent.ends_with('/')) recent.pop_back();
    AddToRecentFileList(QString::fromLocal8Bit(recent));
    UpdateTitle();
    m_pMainFrame->UpdateCommandUI();
    return true;
}

void CKESTRELApp::StepSequence(int step)
{
    if (step > 0) {
        m_pDocument->OpenNextSequence();
    } else {
        m_pDocument->OpenPreviousSequence();
    }
    if (m_pCompare) m_pCompare->FollowSequence();
    UpdateTitle();
    if (m_pMainFrame) m_pMainFrame->UpdateCommandUI();
}

QString CKESTRELApp::WindowTitle() const
{
    QString title = QString::fromLatin1(MAIN_WINDOW_TITLE);
    if (m_pDocument && m_pDocument->GroupsByPrefix() && !m_pDocument->SequencePrefix().empty())
        title += QStringLiteral(" - ") + QString::fromLocal8Bit(m_pDocument->SequencePrefix().c_str());
    return title;
}

void CKESTRELApp::UpdateTitle()
{
    if (m_pMainFrame) m_pMainFrame->setWindowTitle(WindowTitle());
}

void CKESTRELApp::JumpToShot(int number)
{
    // As if typed into the box, which cannot be edited with no shots listed.
    EditBox* box = m_pMainFrame ? m_pMainFrame->m_wndToolBar->m_wndShotNumber : nullptr;
    if (!box || !m_pView || !m_pView->ShotNumberBoxEditable()) return;
    box->SetWindowText(std::to_string(number));
    m_pMainFrame->Router().Notify(IDC_SHOT_NUMBER, EN_KILLFOCUS);
}

bool CKESTRELApp::ApplyPlayback(const PlaybackOptions& options)
{
    PlayOrder& order = m_pView->m_player.Order();
    order.reverse = options.reverse;
    m_pDocument->SetReadAheadReverse(options.reverse);
    order.loop = options.loop;
    m_pView->m_player.SetDrop(options.drop);
    // The earliest shot with the number, as the shot-number box finds it.
    const auto earliest = [this](int number) { return m_pDocument->EarliestIndexOfNumber(number); };
    const QString directory = QString::fromLocal8Bit(m_pDocument->m_strDirectory);
    for (const auto& [point, number] : {std::pair{"--in", options.inShot}, std::pair{"--out", options.outShot}}) {
        if (number && earliest(*number) < 0) {
            m_strStartError = QStringLiteral("%1: no shot numbered %2 in '%3'").arg(QLatin1String(point)).arg(*number).arg(directory);
            return false;
        }
    }
    if (options.inShot && options.outShot && earliest(*options.inShot) > earliest(*options.outShot)) {
        m_strStartError = QStringLiteral("the in point (shot %1) comes after the out point (shot %2)")
                              .arg(*options.inShot)
                              .arg(*options.outShot);
        return false;
    }
    if (options.inShot) order.SetIn(*m_pDocument, std::size_t(earliest(*options.inShot)));
    if (options.outShot) order.SetOut(*m_pDocument, std::size_t(earliest(*options.outShot)));
    m_pMainFrame->UpdateCommandUI();
    return true;
}

bool CKESTRELApp::StartPlaying()
{
    if (!m_pMainFrame || !m_pMainFrame->Router().IsEnabled(ID_SHOT_PLAY)) return false;
    m_pMainFrame->Router().Execute(ID_SHOT_PLAY);
    return true;
}

QString CKESTRELApp::PlayStatsLine() const
{
    return m_pView ? QString::fromStdString(m_pView->m_player.Pacer().StatsLine()) : QString();
}

QString CKESTRELApp::CompareLine() const { return m_pCompare ? m_pCompare->StatusLine() : QString(); }

QString CKESTRELApp::StallLine() const
{
    const std::optional<ShotStallPolicy::Duration> silence = m_pFollower ? m_pFollower->StallNow() : std::nullopt;
    if (!silence) return {};
    return QStringLiteral("stall: %1\n").arg(QString::fromStdString(StallText(*silence)));
}

HudFollow CKESTRELApp::FollowFacts() const
{
    HudFollow facts;
    if (!m_pFollower || !m_pFollower->FollowNewest()) return facts;
    const ShotStallPolicy& stall = m_pFollower->Stall();
    const ShotStallPolicy::TimePoint now = m_pFollower->Now();
    facts.following = true;
    facts.arrivalsPerSecond = stall.ArrivalsPerSecond(now);
    facts.arrived = stall.HasArrival();
    facts.silenceMs = stall.Silence(now).count();
    if (const auto silence = m_pFollower->StallNow()) facts.stallMs = silence->count();
    return facts;
}

void CKESTRELApp::WinHelp()
{
    // The help file when it is there, else the HTML manual. A help path that
    // did not fit was refused: then only the manual can open.
    const std::string file = ChooseHelpFile(m_szHelpPath, m_strManualPath);
    if (!file.empty() && OpenHelpFile(QString::fromLocal8Bit(file.c_str()))) return;
    // No browser or viewer took it: say where to read the manual instead.
    QString text = QStringLiteral("The help could not be opened.");
    if (!m_strManualPath.empty())
        text += QStringLiteral("\nThe manual is at %1").arg(QString::fromLocal8Bit(m_strManualPath.c_str()));
    ShowMessageBox(m_pMainFrame, QStringLiteral("Kestrel Help"), text);
}

void CKESTRELApp::OnAppAbout()
{
    CAboutDlg about(m_pMainFrame);
    about.DoModal();
}

void CKESTRELApp::OnFileOpenFolder()
{
    std::string chosen;
    if (!RunFolderOpenDialog(m_pDocument ? m_pDocument->m_strDirectory : std::string(), chosen)) return;
    OpenShotPath(chosen);
}

void CKESTRELApp::OnFileNew()
{
    if (m_pMainFrame) m_pMainFrame->NewDocumentStep();
}

QString CKESTRELApp::StatusLine() const
{
    if (!m_pMainFrame) return {};
    const CShotToolBar* toolBar = m_pMainFrame->m_wndToolBar;
    return toolBar->m_wndShotNumber->text() + u'\t' + toolBar->m_wndShotStatus->text();
}

bool CKESTRELApp::WaitForTimeline(int timeoutMs)
{
    return !m_pTimeline || m_pTimeline->WaitForVisibleThumbnails(timeoutMs);
}

bool CKESTRELApp::SaveScreenshot(const QString& file) const
{
    if (!m_pMainFrame) return false;
    // The view settles its scroll bars right after a paint, and showing or
    // hiding a bar changes the area of the next one: a few renderings let it
    // settle, and the last is the one saved.
    for (int settle = 0; settle < 3; ++settle) {
        m_pMainFrame->grab();
        QCoreApplication::processEvents();
    }
    const QImage picture = m_pMainFrame->grab().toImage();
    return !picture.isNull() && picture.save(file, "PNG");
}

void CKESTRELApp::LoadStdProfileSettings()
{
    QSettings settings{QString::fromLatin1(REGISTRY_KEY), QString::fromLatin1(APP_TITLE)};
    m_recentFiles.ReadList(settings);
}

void CKESTRELApp::AddToRecentFileList(const QString& path)
{
    m_recentFiles.Add(path);
    QSettings settings{QString::fromLatin1(REGISTRY_KEY), QString::fromLatin1(APP_TITLE)};
    m_recentFiles.WriteList(settings);
}
