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
    m_playing = m_player.Playing();
}

void RemoteEventSource::SetActive(bool active)
{
    if (active && !m_active) RememberAll();
    if (!active && m_active) {
        m_records = {};
        m_numbers = {};
        m_listed = {};
    }
    m_active = active;
}

std::int64_t RemoteEventSource::ListedCount() const
{
    return std::int64_t(m_doc.ShotCount());
}

void RemoteEventSource::Remember()
{
    m_records.clear();
    m_numbers.clear();
    m_listed.clear();
    for (std::size_t i = 0; i < m_doc.ShotCount(); ++i) {
        m_records.push_back(&m_doc.Shot(i));
        m_numbers.emplace(m_doc.Shot(i).Path(), m_doc.ShotNumber(i));
        m_listed.push_back({m_doc.Shot(i).Path(), m_doc.ShotNumber(i)});
    }
}

void RemoteEventSource::CheckList()
{
    bool same = m_doc.m_strDirectory == m_directory && m_records.size() == m_doc.ShotCount();
    for (std::size_t i = 0; same && i < m_records.size(); ++i) same = m_records[i] == &m_doc.Shot(i);
    if (same) return;

    if (m_doc.m_strDirectory != m_directory) {
        // Another directory: a new list, not arrivals.
        m_directory = m_doc.m_strDirectory;
        Remember();
        m_sink({{"event", "list-changed"}, {"count", ListedCount()}});
        return;
    }
    const std::unordered_map<std::string, int> before = std::move(m_numbers);
    const std::vector<Seen> listedBefore = std::move(m_listed);
    Remember();
    for (const Seen& seen : listedBefore) {
        if (!m_numbers.count(seen.path))
            m_sink({{"event", "shot-removed"}, {"file", seen.path}, {"number", seen.number}});
    }
    const ShotRecord* previous = nullptr;
    for (std::size_t i = 0; i < m_doc.ShotCount(); ++i) {
        const ShotRecord& shot = m_doc.Shot(i);
        const int number = m_doc.ShotNumber(i);
        if (!before.count(shot.Path())) {
            m_sink({{"event", "shot-added"}, {"file", shot.Path()}, {"number", number}});
            const int previousNumber = previous ? m_numbers[previous->Path()] : number;
            if (std::int64_t(number) > std::int64_t(previousNumber) + 1) {
                m_sink({{"event", "gap"}, {"from", std::int64_t(previousNumber) + 1}, {"to", std::int64_t(number) - 1},
                        {"file", shot.Path()}, {"number", number}});
            }
        }
        previous = &shot;
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
    if (shown != m_shown || m_doc.m_pImage.get() != m_shownImage) {
        m_shown = shown;
        m_shownImage = m_doc.m_pImage.get();
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
