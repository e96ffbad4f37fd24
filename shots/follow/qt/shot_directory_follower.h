// ShotDirectoryFollower: ShotFollowCore on Qt's event loop. A socket
// notifier reads the kernel's changes when they come, and one timer wakes
// the core when a file waiting to be whole is to be looked at again, or a
// listing is due. Everything else is the core's.
#pragma once

#include <QObject>
#include <memory>

#include "shots/follow/shot_follow_core.h"

class QSocketNotifier;
class QTimer;

class ShotDirectoryFollower : public QObject, public ShotFollowCore {
public:
    explicit ShotDirectoryFollower(CKESTRELDoc& document, QObject* parent = nullptr);
    ~ShotDirectoryFollower() override;

private:
    // Matches the notifier and the timer to what the core waits for.
    void Rearm();

    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer* m_timer;
};
