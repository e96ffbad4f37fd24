// A running application for the shell tests: CKESTRELApp started on the
// offscreen platform with a shot directory of solid-colour GIFs, the file
// dialog, help opener and about box answered at once.
#pragma once

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QTest>
#include <memory>

#include "app/about_dialog.h"
#include "app/framework/message_box.h"
#include "app/help_viewer.h"
#include "app/kestrel_app.h"
#include "app/main_frame.h"
#include "app/splash_wnd.h"
#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"

namespace app_test {

using shots_test::Rgb;

inline const Rgb kRed{255, 0, 0};
inline const Rgb kGreen{0, 255, 0};
inline const Rgb kBlue{0, 0, 255};

// Three shots, oldest first: red 0007, green 0003, blue 0012. The names run
// against the times, so any order seen comes from the times.
inline void AddThreeShots(shots_test::ShotDir& dir)
{
    dir.AddFile("C0007.gif", 1'600'000'000, 0, shots_test::SolidGif(8, 6, kRed));
    dir.AddFile("B0003.gif", 1'600'000'100, 0, shots_test::SolidGif(8, 6, kGreen));
    dir.AddFile("A0012.gif", 1'600'000'200, 0, shots_test::SolidGif(8, 6, kBlue));
}

class AppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddThreeShots(m_shots);
        m_previousHelp = SetHelpOpener([this](const QString& path) {
            m_helpOpened << path;
            return m_helpOpens;
        });
        m_previousMessages = SetMessageBoxShower([this](QWidget*, const QString& title, const QString& text) {
            m_messages << title + u'|' + text;
        });
        m_previousRunner = CAboutDlg::SetModalRunner([this](QDialog& dialog) {
            m_aboutTitles << dialog.windowTitle();
            return int(QDialog::Accepted);
        });
    }

    void TearDown() override
    {
        m_app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CSplashWnd::EnableSplash(false);
        CAboutDlg::SetModalRunner(m_previousRunner);
        SetHelpOpener(m_previousHelp);
        SetMessageBoxShower(m_previousMessages);
    }

    // Starts the application; without a splash unless asked for.
    void Start(CCommandLineInfo info = NoSplash())
    {
        m_app = std::make_unique<CKESTRELApp>();
        ASSERT_TRUE(m_app->InitInstance(info));
        // No installed manual stands in for a missing help file unless a
        // test puts one there.
        m_installedManual = QString::fromStdString(m_app->ManualPath());
        m_app->SetManualPath({});
        Frame()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(Frame()));
    }

    void StartOnShots()
    {
        CCommandLineInfo info = NoSplash();
        info.m_strFileName = QString::fromStdString(m_shots.Dir());
        Start(info);
    }

    static CCommandLineInfo NoSplash()
    {
        CCommandLineInfo info;
        info.m_bShowSplash = false;
        return info;
    }

    CMainFrame* Frame() const { return m_app->MainFrame(); }
    CKESTRELDoc* Doc() const { return m_app->Document(); }
    CKestrel* View() const { return m_app->View(); }
    CShotToolBar* ToolBar() const { return Frame()->m_wndToolBar; }
    QAction* Action(UINT id) const { return Frame()->Actions().Action(id); }

    // A key as the user presses it in the main window (on the focused widget).
    void Press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : Frame();
        QTest::keyClick(target, Qt::Key(key), modifiers);
        Frame()->UpdateCommandUI();
    }

    shots_test::ShotDir m_shots;
    std::unique_ptr<CKESTRELApp> m_app;
    QStringList m_helpOpened;
    bool m_helpOpens = true;  // what the desktop's opener answers
    QStringList m_messages;   // "title|text" of each message box
    MessageBoxShower m_previousMessages;
    QString m_installedManual;  // where the program looked for its manual
    QStringList m_aboutTitles;
    HelpOpener m_previousHelp;
    CAboutDlg::ModalRunner m_previousRunner;
};

}  // namespace app_test
