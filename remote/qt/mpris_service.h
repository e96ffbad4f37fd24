// MprisService: the desktop's media-player interface on the session bus,
// so media keys and playerctl drive Kestrel. Bus name
// org.mpris.MediaPlayer2.kestrel, or org.mpris.MediaPlayer2.kestrel.instancePID
// when another Kestrel has that; object /org/mpris/MediaPlayer2 with the
// root and Player interfaces.
//
// A track is a shot: its title is the file name, its track number the shot
// number. Play, Pause (there is no separate pause: it stops, and playing
// resumes from the shot on display), PlayPause, Stop, Next and Previous do
// what their keys do, when the keys' rules let them; CanGoNext and
// CanGoPrevious are those rules, CanPlay and CanPause whether Play or Stop
// may run now (the interface wants them the same while playing and
// stopped). Refresh() sends PropertiesChanged for what changed.
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

class RemoteHost;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* OBJECT_PATH = "/org/mpris/MediaPlayer2";
    static constexpr const char* SERVICE_NAME = "org.mpris.MediaPlayer2.kestrel";

    explicit MprisService(RemoteHost& host, QObject* parent = nullptr);
    ~MprisService() override;

    // Takes a bus name and offers the object; false without a session bus.
    bool Register();
    QString BusName() const { return m_busName; }

    // Sends PropertiesChanged for the player's properties that changed.
    void Refresh();

    // The properties, as the Player interface gives them.
    QVariantMap PlayerProperties() const;
    RemoteHost& Host() const { return m_host; }
    // A command ran: the toolbar and the properties follow.
    void CommandDone();

private:
    RemoteHost& m_host;
    QString m_busName;
    QVariantMap m_sent;
};

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service);
    bool CanQuit() const { return true; }
    bool CanRaise() const { return false; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return QStringLiteral("Kestrel"); }
    QString DesktopEntry() const { return QStringLiteral("kestrel"); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const { return {QStringLiteral("image/gif")}; }
public slots:
    void Raise() {}
    void Quit();

private:
    MprisService* m_service;
};

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(QString LoopStatus READ LoopStatus)
    Q_PROPERTY(double Rate READ Rate)
    Q_PROPERTY(bool Shuffle READ Shuffle)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service);
    QString PlaybackStatus() const { return Get("PlaybackStatus").toString(); }
    QString LoopStatus() const { return Get("LoopStatus").toString(); }
    double Rate() const { return 1.0; }
    bool Shuffle() const { return false; }
    QVariantMap Metadata() const { return Get("Metadata").toMap(); }
    double Volume() const { return 1.0; }
    qlonglong Position() const { return 0; }
    bool CanGoNext() const { return Get("CanGoNext").toBool(); }
    bool CanGoPrevious() const { return Get("CanGoPrevious").toBool(); }
    bool CanPlay() const { return Get("CanPlay").toBool(); }
    bool CanPause() const { return Get("CanPause").toBool(); }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }
public slots:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}
signals:
    void Seeked(qlonglong position);

private:
    QVariant Get(const char* name) const { return m_service->PlayerProperties().value(QLatin1String(name)); }
    // Runs the command id when its rule lets it.
    void Run(unsigned id);

    MprisService* m_service;
};
