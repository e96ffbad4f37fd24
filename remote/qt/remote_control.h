// RemoteControl: the running application driven from outside. It owns the
// control socket (--ipc PATH) on Qt's event loop, the events every client
// hears, and the desktop's media-player interface on the session bus.
//
// Everything here runs on the user-interface thread: a request is read,
// carried out and answered between two events of the window, and a slow
// client only fills its own bounded queue (remote_server.h).
#pragma once

#include <QObject>
#include <QString>
#include <map>
#include <memory>

#include "remote/qt/app_remote_host.h"
#include "remote/remote_events.h"
#include "remote/remote_protocol.h"
#include "remote/remote_server.h"

class CKESTRELApp;
class MprisService;
class QSocketNotifier;

class RemoteControl : public QObject {
public:
    explicit RemoteControl(CKESTRELApp& app, QObject* parent = nullptr);
    ~RemoteControl() override;

    // Listens at path; false with a one-line reason. From then on SIGINT,
    // SIGTERM and SIGHUP end the event loop (status 128 + the signal), so
    // the socket is removed as at any other exit.
    bool Listen(const QString& path, QString& reason);
    // Offers the media-player interface on the session bus; false (and
    // nothing else happens) when there is no session bus.
    bool StartMpris();

    RemoteServer& Server() { return m_server; }
    RemoteDispatcher& Dispatcher() { return m_dispatcher; }
    MprisService* Mpris() const { return m_mpris.get(); }
    // The MPRIS bus name taken, empty when none.
    QString MprisName() const;

private:
    struct Notifiers {
        QSocketNotifier* read = nullptr;
        QSocketNotifier* write = nullptr;
    };
    void SyncNotifiers();
    // Events are looked for only while a client or the bus listens.
    void Listened();
    void QuitOnSignals();
    void Send(const nlohmann::json& event);
    std::string Handle(std::string_view line);

    CKESTRELApp& m_app;
    AppRemoteHost m_host;
    RemoteDispatcher m_dispatcher;
    RemoteServer m_server;
    std::unique_ptr<RemoteEventSource> m_events;
    std::unique_ptr<MprisService> m_mpris;
    QSocketNotifier* m_listenNotifier = nullptr;
    std::map<int, Notifiers> m_notifiers;
    bool m_quitOnSignal = false;
};
