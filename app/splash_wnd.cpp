#include "app/splash_wnd.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimerEvent>
#include <utility>

#include "app/splash_picture.h"

bool CSplashWnd::s_splashEnabled = false;
CSplashWnd* CSplashWnd::s_pSplash = nullptr;

namespace {

CSplashWnd::PictureLoader& InstalledLoader()
{
    static CSplashWnd::PictureLoader loader = [] { return LoadSplashPicture(); };
    return loader;
}

}  // namespace

void CSplashWnd::EnableSplash(bool enable) { s_splashEnabled = enable; }

CSplashWnd::PictureLoader CSplashWnd::SetPictureLoader(PictureLoader loader)
{
    return std::exchange(InstalledLoader(), std::move(loader));
}

void CSplashWnd::ShowSplash(QWidget* owner)
{
    if (!s_splashEnabled || s_pSplash) return;
    s_pSplash = new CSplashWnd(owner);
    if (!s_pSplash->Create()) {
        delete s_pSplash;  // the destructor clears s_pSplash
        return;
    }
    // Painted before start-up goes on.
    s_pSplash->repaint();
}

CSplashWnd::CSplashWnd(QWidget* owner)
    // An owned top-level window without a frame; owned so that it goes with
    // the main window and stays in front of it.
    : QWidget(owner, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint), m_owner(owner)
{
    setObjectName(QStringLiteral("CSplashWnd"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::ArrowCursor);
}

CSplashWnd::~CSplashWnd()
{
    if (s_pSplash == this) s_pSplash = nullptr;
}

bool CSplashWnd::Create()
{
    const PictureLoader loader = InstalledLoader();
    m_picture = loader ? loader() : QImage();
    if (m_picture.isNull()) return false;

    const QScreen* screen = m_owner ? m_owner->screen() : QGuiApplication::primaryScreen();
    if (!screen) screen = QGuiApplication::primaryScreen();
    if (!screen) return false;
    const QRect area = screen->geometry();
    m_screenWidth = area.width();
    m_screenHeight = area.height();

    setGeometry(area);
    m_timer.start(SPLASH_INTERVAL_MS, this);
    show();
    return isVisible();
}

void CSplashWnd::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // A plain stretch, no smoothing: the picture's pixels grow as blocks.
    painter.drawImage(QRect(0, 0, m_screenWidth, m_screenHeight), m_picture);
}

void CSplashWnd::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_timer.timerId()) {
        OnTimer(SPLASH_TIMER_ID);
        return;
    }
    QWidget::timerEvent(event);
}

void CSplashWnd::OnTimer(int) { HideSplash(); }

void CSplashWnd::HideSplash()
{
    m_timer.stop();
    // The object outlives this call: it is deleted later, on close.
    if (s_pSplash == this) s_pSplash = nullptr;
    const QPointer<QWidget> owner = m_owner;
    // The keyboard stays with, or goes back to, the main window when the
    // application had it.
    const QWidget* active = QApplication::activeWindow();
    const bool hadKeyboard = active && (active == this || active == owner);
    close();
    if (owner) {
        if (hadKeyboard && QApplication::activeWindow() != owner) owner->activateWindow();
        owner->repaint();
    }
}

bool CSplashWnd::FilterSplashInput(QEvent* event)
{
    if (!s_pSplash || !event) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride:
        // Claim the key so no shortcut runs; the key press that follows
        // closes the splash and is swallowed.
        event->accept();
        return true;
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonDblClick:
        s_pSplash->HideSplash();
        return true;
    default:
        return false;
    }
}
