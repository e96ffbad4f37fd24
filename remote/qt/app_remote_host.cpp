#include "remote/qt/app_remote_host.h"

#include <QCoreApplication>
#include <QTimer>

#include "app/command_line.h"
#include "app/kestrel_app.h"
#include "app/main_frame.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "shots/qt/player_view.h"

ShotPlayer& AppRemoteHost::Player() { return m_app.View()->m_player; }

bool AppRemoteHost::Open(const std::string& path)
{
    const QString name = QString::fromStdString(path);
    if (!CheckOpenPath(name).isEmpty()) return false;
    m_app.OpenShots(name);
    return true;
}

bool AppRemoteHost::Following() const
{
    return m_app.Follower() && !m_app.Follower()->WatchedDirectory().empty();
}

bool AppRemoteHost::FollowNewest() const { return m_app.Follower() && m_app.Follower()->FollowNewest(); }

void AppRemoteHost::SetFollowNewest(bool on)
{
    if (m_app.Follower()) m_app.Follower()->SetFollowNewest(on);
}

double AppRemoteHost::Zoom() const { return m_app.View()->m_geometry.Zoom(); }

std::string AppRemoteHost::Fit() const
{
    if (!m_app.Document()->m_bFitToScreen) return "off";
    return m_app.View()->m_geometry.Fit() == FitMode::Aspect ? "aspect" : "stretch";
}

bool AppRemoteHost::Screenshot(const std::string& path) { return m_app.SaveScreenshot(QString::fromStdString(path)); }

void AppRemoteHost::Quit()
{
    // After the reply has gone out.
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::exit(0); });
}

void AppRemoteHost::CommandDone()
{
    if (m_app.MainFrame()) m_app.MainFrame()->UpdateCommandUI();
}
