#include "remote/qt/mpris_service.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFileInfo>
#include <QTimer>

#include "remote/remote_host.h"
#include "shots/playback/shot_player.h"

namespace {

constexpr const char* PLAYER_INTERFACE = "org.mpris.MediaPlayer2.Player";
constexpr const char* NO_TRACK = "/org/mpris/MediaPlayer2/TrackList/NoTrack";

}  // namespace

MprisService::MprisService(RemoteHost& host, QObject* parent) : QObject(parent), m_host(host)
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService()
{
    if (m_busName.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(QLatin1String(OBJECT_PATH));
    bus.unregisterService(m_busName);
}

bool MprisService::Register()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    if (!bus.registerObject(QLatin1String(OBJECT_PATH), this)) return false;
    QString name = QLatin1String(SERVICE_NAME);
    if (!bus.registerService(name)) {
        name += QStringLiteral(".instance%1").arg(QCoreApplication::applicationPid());
        if (!bus.registerService(name)) {
            bus.unregisterObject(QLatin1String(OBJECT_PATH));
            return false;
        }
    }
    m_busName = name;
    m_sent = PlayerProperties();
    return true;
}

QVariantMap MprisService::PlayerProperties() const
{
    const ShotPlayer& player = m_host.Player();
    const CKESTRELDoc& doc = player.Document();
    QVariantMap metadata;
    const std::int64_t index = doc.DisplayedIndex();
    if (index >= 0) {
        const ShotRecord& shot = doc.Shot(std::size_t(index));
        metadata.insert(QStringLiteral("mpris:trackid"),
                        QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/orvane/kestrel/shot/%1").arg(index))));
        metadata.insert(QStringLiteral("xesam:title"), QFileInfo(QString::fromLocal8Bit(shot.Path().c_str())).fileName());
        metadata.insert(QStringLiteral("xesam:trackNumber"), doc.ShotNumber(std::size_t(index)));
    } else {
        metadata.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(QLatin1String(NO_TRACK))));
    }
    const bool canPlayOrStop = player.Available(ID_SHOT_PLAY) || player.Available(ID_SHOT_STOP);
    const char* loop = "Playlist";
    if (player.Order().loop == LoopMode::Once) loop = "None";
    return {
        {QStringLiteral("PlaybackStatus"), player.Playing() ? QStringLiteral("Playing") : QStringLiteral("Stopped")},
        {QStringLiteral("LoopStatus"), QString::fromLatin1(loop)},
        {QStringLiteral("Metadata"), metadata},
        {QStringLiteral("CanGoNext"), player.Available(ID_SHOT_NEXT)},
        {QStringLiteral("CanGoPrevious"), player.Available(ID_SHOT_PREVIOUS)},
        // The interface asks that these two not change with playing itself:
        // whichever of Play and Stop the rules allow now, there is a shot to
        // play or pause.
        {QStringLiteral("CanPlay"), canPlayOrStop},
        {QStringLiteral("CanPause"), canPlayOrStop},
    };
}

void MprisService::Refresh()
{
    if (m_busName.isEmpty()) return;
    const QVariantMap now = PlayerProperties();
    QVariantMap changed;
    for (auto entry = now.begin(); entry != now.end(); ++entry) {
        if (m_sent.value(entry.key()) != entry.value()) changed.insert(entry.key(), entry.value());
    }
    m_sent = now;
    if (changed.isEmpty()) return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(OBJECT_PATH),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(PLAYER_INTERFACE) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

void MprisService::CommandDone()
{
    m_host.CommandDone();
    Refresh();
}

MprisRootAdaptor::MprisRootAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

void MprisRootAdaptor::Quit() { m_service->Host().Quit(); }

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService* service) : QDBusAbstractAdaptor(service), m_service(service) {}

void MprisPlayerAdaptor::Run(unsigned id)
{
    ShotPlayer& player = m_service->Host().Player();
    if (!player.Available(id)) return;
    switch (id) {
    case ID_SHOT_NEXT: player.Next(); break;
    case ID_SHOT_PREVIOUS: player.Previous(); break;
    case ID_SHOT_PLAY: player.Play(); break;
    case ID_SHOT_STOP: player.Stop(); break;
    default: return;
    }
    m_service->CommandDone();
}

void MprisPlayerAdaptor::Next() { Run(ID_SHOT_NEXT); }
void MprisPlayerAdaptor::Previous() { Run(ID_SHOT_PREVIOUS); }
void MprisPlayerAdaptor::Pause() { Run(ID_SHOT_STOP); }
void MprisPlayerAdaptor::Stop() { Run(ID_SHOT_STOP); }
void MprisPlayerAdaptor::Play() { Run(ID_SHOT_PLAY); }
void MprisPlayerAdaptor::PlayPause() { Run(m_service->Host().Player().Playing() ? ID_SHOT_STOP : ID_SHOT_PLAY); }
