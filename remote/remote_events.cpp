#include "remote/remote_events.h"

#include "shots/playback/shot_player.h"
#include "shots/shot_list_document.h"

using nlohmann::json;

RemoteEventSource::RemoteEventSource(const ShotPlayer& player, Sink sink, bool active)
    : m_player(player), m_doc(player.Document()), m_sink(std::move(sink)), m_active(active)
{
    if (m_active) RememberAll();
    m_doc.AddView(this);
}

RemoteEventSource::~RemoteEventSource() { m_doc.RemoveView(this); }

void RemoteEventSource::RememberAll()
{
    m_directory = m_doc.m_strDirectory;
    Remember();
    m_shown = m_doc.DisplayedShot();
    m_shownImage = m_doc.m_pImage.get();
    m_shownScan = m_doc.ScanCount();
    m_playing = m_player.Playing();
}

void RemoteEventSource::SetActive(bool active)
{
    if (active && !m_active) RememberAll();
    if (!active && m_active) Forget();
    m_active = active;
}

void RemoteEventSource::SetArrivals(bool arrivals)
{
    if (arrivals == m_arrivals) return;
    m_arrivals = arrivals;
    if (m_active) Remember();
}

std::int64_t RemoteEventSource::ListedCount() const
{
    return std::int64_t(m_doc.ShotCount());
}

void RemoteEventSource::Forget()
{
    m_records = {};
    m_listed = {};
    m_listedNumbers = {};
    m_listedByName.Clear();
}

void RemoteEventSource::Remember()
{
    m_listVersion = m_doc.ListVersion();
    Forget();
    if (!m_arrivals) return;
    m_records.reserve(m_doc.ShotCount());
    m_listed.reserve(m_doc.ShotCount());
    m_listedNumbers.reserve(m_doc.ShotCount());
    for (std::size_t i = 0; i < m_doc.ShotCount(); ++i) {
        m_records.push_back(&m_doc.Shot(i));
        m_listed.push_back(m_doc.Shot(i));
        m_listedNumbers.push_back(m_doc.ShotNumber(i));
    }
    m_listedByName.Build(m_listed);
}

bool RemoteEventSource::SameList() const
{
    if (m_doc.m_strDirectory != m_directory) return false;
    if (m_doc.ListVersion() == m_listVersion) return true;
    if (!m_arrivals || m_records.size() != m_doc.ShotCount()) return false;
    for (std::size_t i = 0; i < m_records.size(); ++i) {
        if (m_records[i] != &m_doc.Shot(i)) return false;
    }
    return true;
}

void RemoteEventSource::CheckList()
{
    if (SameList()) {
        m_listVersion = m_doc.ListVersion();
        return;
    }

    if (m_doc.m_strDirectory != m_directory || !m_arrivals) {
        // Another directory: a new list, not arrivals (and without anyone
        // to tell of arrivals, only that the list changed).
        m_directory = m_doc.m_strDirectory;
        Remember();
        m_sink({{"event", "list-changed"}, {"count", ListedCount()}});
        return;
    }
    // The list as it was, by name: the directory is the same. The copies
    // keep their places as the vector moves, so their index moves with it.
    const std::vector<ShotRecord> before = std::move(m_listed);
    const std::vector<int> numbersBefore = std::move(m_listedNumbers);
    const RecordNameIndex beforeByName = std::move(m_listedByName);
    Remember();
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (!m_listedByName.Find(before[i].name))
            m_sink({{"event", "shot-removed"}, {"file", before[i].Path()}, {"number", numbersBefore[i]}});
    }
    for (std::size_t i = 0; i < m_doc.ShotCount(); ++i) {
        const ShotRecord& shot = m_doc.Shot(i);
        const int number = m_doc.ShotNumber(i);
        if (!beforeByName.Find(shot.name)) {
            m_sink({{"event", "shot-added"}, {"file", shot.Path()}, {"number", number}});
            const int previousNumber = i > 0 ? m_doc.ShotNumber(i - 1) : number;
            if (std::int64_t(number) > std::int64_t(previousNumber) + 1) {
                m_sink({{"event", "gap"}, {"from", std::int64_t(previousNumber) + 1}, {"to", std::int64_t(number) - 1},
                        {"file", shot.Path()}, {"number", number}});
            }
        }
    }
    m_sink({{"event", "list-changed"}, {"count", ListedCount()}});
}

void RemoteEventSource::Check()
{
    // An event's reader may not change the document, but be safe if one does.
    if (m_checking || !m_active) return;
    m_checking = true;
    CheckList();
    const ShotRecord* shown = m_doc.DisplayedShot();
    // A new scan makes new records and pictures, which may take the old
    // ones' addresses.
    if (shown != m_shown || m_doc.m_pImage.get() != m_shownImage || m_doc.ScanCount() != m_shownScan) {
        m_shown = shown;
        m_shownImage = m_doc.m_pImage.get();
        m_shownScan = m_doc.ScanCount();
        if (shown) {
            const std::int64_t index = m_doc.DisplayedIndex();
            m_sink({{"event", "shot-shown"},
                    {"index", index},
                    {"number", m_doc.ShotNumber(std::size_t(index))},
                    {"file", shown->Path()}});
        }
    }
    if (m_player.Playing() != m_playing) {
        m_playing = m_player.Playing();
        if (m_playing) {
            m_sink({{"event", "playback-started"}});
        } else {
            const PlayPacer& pacer = m_player.Pacer();
            m_sink({{"event", "playback-stopped"},
                    {"shown", pacer.Shown()},
                    {"late", pacer.Late()},
                    {"worst-late-ms", pacer.WorstLateMs()}});
        }
    }
    m_checking = false;
}
