#include "shots/follow/qt/shot_directory_follower.h"

#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>

ShotDirectoryFollower::ShotDirectoryFollower(CKESTRELDoc& document, QObject* parent)
    : QObject(parent), ShotFollowCore(document), m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, [this] { OnTimer(); });
    SetScheduleChanged([this] { Rearm(); });
    Rearm();
}

ShotDirectoryFollower::~ShotDirectoryFollower()
{
    SetScheduleChanged(nullptr);
    m_notifier.reset();
}

void ShotDirectoryFollower::Rearm()
{
    const int descriptor = WatchDescriptor();
    if (!m_notifier || m_notifier->socket() != descriptor) {
        m_notifier.reset();
        if (descriptor >= 0) {
            m_notifier = std::make_unique<QSocketNotifier>(descriptor, QSocketNotifier::Read);
            connect(m_notifier.get(), &QSocketNotifier::activated, this, [this] { ReadChanges(); });
        }
    }

    const std::optional<TimePoint> wake = NextWake();
    if (!wake) {
        m_timer->stop();
        return;
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now());
    m_timer->start(int(std::clamp<std::chrono::milliseconds::rep>(wait.count(), 0, 60000)));
}
