// CSplashWnd: the start-up picture, stretched over the whole screen.
//
// The main frame asks for it at the end of its own creation; it appears only
// when the command line allowed it (EnableSplash), at most once at a time,
// and closes after 3 seconds or at the first key or mouse-button press
// anywhere in the application, which it swallows (FilterSplashInput runs
// before any other handling of an event). It deletes itself once closed.
// Without a picture there is no splash.
#pragma once

#include <QBasicTimer>
#include <QImage>
#include <QPointer>
#include <QWidget>
#include <functional>

class CSplashWnd : public QWidget {
    Q_OBJECT
public:
    static constexpr int SPLASH_TIMER_ID = 1;
    static constexpr int SPLASH_INTERVAL_MS = 3000;

    static void EnableSplash(bool enable);
    static bool IsSplashEnabled() { return s_splashEnabled; }
    static void ShowSplash(QWidget* owner);
    // True when the event has been used up and must go no further.
    static bool FilterSplashInput(QEvent* event);
    // The one live splash window, or null.
    static CSplashWnd* Current() { return s_pSplash; }

    // Where the picture comes from; tests put in their own. Returns the
    // loader in force before.
    using PictureLoader = std::function<QImage()>;
    static PictureLoader SetPictureLoader(PictureLoader loader);

    void HideSplash();
    // What the 3-second timer does, whatever its id.
    void OnTimer(int timerId);

    const QImage& Picture() const { return m_picture; }
    int ScreenWidth() const { return m_screenWidth; }
    int ScreenHeight() const { return m_screenHeight; }
    bool IsTimerRunning() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    explicit CSplashWnd(QWidget* owner);
    ~CSplashWnd() override;
    bool Create();

    QImage m_picture;
    int m_screenWidth = 0;
    int m_screenHeight = 0;
    QBasicTimer m_timer;
    QPointer<QWidget> m_owner;

    static bool s_splashEnabled;
    static CSplashWnd* s_pSplash;
};
