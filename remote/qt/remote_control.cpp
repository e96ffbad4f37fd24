#include "remote/qt/remote_control.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include "app/kestrel_app.h"
#include "remote/qt/mpris_service.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "shots/qt/player_view.h"

namespace {

// A signal only writes its number here; the event loop reads it.
int g_signalPipe[2] = {-1, -1};
constexpr int QUIT_SIGNALS[] = {SIGINT, SIGTERM, SIGHUP};

void OnQuitSignal(int signal)
{
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &number, 1);
}

}  // namespace

RemoteControl::RemoteControl(CKESTRELApp& app, QObject* parent)
    : QObject(parent),
      m_app(app),
      m_host(app),
      m_dispatcher(m_host),
      m_server([this](std::string_view line) { return Handle(line); })
{
    m_events = std::make_unique<RemoteEventSource>(
        m_host.Player(), [this](const nlohmann::json& event) { Send(event); }, false);
    if (ShotDirectoryFollower* follower = app.Follower()) {
        follower->SetListChanged([this] { m_events->Check(); });
        // A writer that has stopped, and the next arrival that clears it.
        follower->SetStallChanged([this](bool stalled, ShotStallPolicy::Duration silence) {
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(silence).count();
            Send({{"event", "stall"}, {"stalled", stalled}, {"silence-ms", stalled ? ms : 0}});
        });
    }
    m_host.Player().SetPlayingChanged([this] { m_events->Check(); });
    m_server.SetClientsChanged([this] {
        SyncNotifiers();
        Listened();
    });
    Listened();
}

void RemoteControl::Listened()
{
    // The desktop's player interface wants the shot shown and the playing,
    // not the arrivals: only a client on the socket costs a copy of the list.
    m_events->SetArrivals(m_server.ClientCount() > 0);
    m_events->SetActive(m_server.ClientCount() > 0 || m_mpris);
}

RemoteControl::~RemoteControl()
{
    if (m_app.View()) m_host.Player().SetPlayingChanged({});
    if (ShotDirectoryFollower* follower = m_app.Follower()) follower->SetListChanged({});
    m_server.SetClientsChanged({});
    m_server.Close();
    m_mpris.reset();
    if (m_quitOnSignal) {
        for (const int signal : QUIT_SIGNALS) std::signal(signal, SIG_DFL);
    }
}

void RemoteControl::QuitOnSignals()
{
    if (g_signalPipe[0] < 0 && ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [] {
        unsigned char number = 0;
        if (::read(g_signalPipe[0], &number, 1) == 1) QCoreApplication::exit(128 + number);
    });
    struct sigaction action {};
    action.sa_handler = OnQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : QUIT_SIGNALS) ::sigaction(signal, &action, nullptr);
    m_quitOnSignal = true;
}

bool RemoteControl::Listen(const QString& path, QString& reason)
{
    // Before the socket exists, so that no signal can end the program
    // between its making and the handler that removes it.
    QuitOnSignals();
    std::string why;
    if (!m_server.Listen(path.toStdString(), why)) {
        reason = QString::fromStdString(why);
        return false;
    }
    m_listenNotifier = new QSocketNotifier(m_server.ListenDescriptor(), QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, [this] { m_server.Accept(); });
    return true;
}

bool RemoteControl::StartMpris()
{
    auto service = std::make_unique<MprisService>(m_host);
    if (!service->Register()) return false;
    m_mpris = std::move(service);
    Listened();
    return true;
}

QString RemoteControl::MprisName() const { return m_mpris ? m_mpris->BusName() : QString(); }

std::string RemoteControl::Handle(std::string_view line)
{
    std::string reply = m_dispatcher.Handle(line);
    // What the command changed goes out as events, just before its reply.
    m_events->Check();
    if (m_mpris) m_mpris->Refresh();
    return reply;
}

void RemoteControl::Send(const nlohmann::json& event)
{
    m_server.Broadcast(RemoteDump(event) + '\n');
    if (m_mpris) m_mpris->Refresh();
}

void RemoteControl::SyncNotifiers()
{
    const std::vector<int> clients = m_server.Clients();
    for (auto entry = m_notifiers.begin(); entry != m_notifiers.end();) {
        if (std::find(clients.begin(), clients.end(), entry->first) != clients.end()) {
            ++entry;
            continue;
        }
        // Possibly inside its own signal: let it go later.
        for (QSocketNotifier* notifier : {entry->second.read, entry->second.write}) {
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        entry = m_notifiers.erase(entry);
    }
    for (const int fd : clients) {
        auto [entry, added] = m_notifiers.try_emplace(fd);
        if (added) {
            entry->second.read = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            entry->second.write = new QSocketNotifier(fd, QSocketNotifier::Write, this);
            connect(entry->second.read, &QSocketNotifier::activated, this, [this, fd] { m_server.Read(fd); });
            connect(entry->second.write, &QSocketNotifier::activated, this, [this, fd] { m_server.Flush(fd); });
        }
        entry->second.write->setEnabled(m_server.WantsWrite(fd));
    }
}
