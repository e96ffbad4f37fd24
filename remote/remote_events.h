// RemoteEventSource: turns what happens to the document and the player into
// the control protocol's events, one JSON object each:
//
//   {"event":"shot-shown","index":I,"number":N,"file":F}
//   {"event":"list-changed","count":C}
//   {"event":"shot-added","file":F,"number":N}
//   {"event":"gap","from":A,"to":B,"file":F,"number":N}   numbers A..B are missing before N
//   {"event":"shot-removed","file":F,"number":N}
//   {"event":"playback-started"}
//   {"event":"playback-stopped","shown":S,"late":L,"worst-late-ms":W}
//
// It compares the document and the player with what it saw last, so it
// needs no help from whoever changed them: it is one of the document's
// views (told of every UpdateAllViews) and its owner calls Check() after
// anything else that may have changed them (play and stop, the follower's
// list changes). A new directory (an open) gives only list-changed and
// shot-shown; the shots of a followed directory that arrive or leave give
// shot-added (and gap when their number skips numbers after the shot
// before them) and shot-removed. A shot gone from disk but still on display
// (the follower keeps it until the display moves) counts as removed.
#pragma once

#include <cstdint>
#include <functional>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "app/framework/document.h"
#include "shots/record_name_index.h"

class CKESTRELDoc;
class ShotPlayer;
struct ShotRecord;

class RemoteEventSource : public DocumentView {
public:
    using Sink = std::function<void(const nlohmann::json& event)>;

    // Inactive, nothing of the list is remembered until SetActive(true).
    RemoteEventSource(const ShotPlayer& player, Sink sink, bool active = true);
    ~RemoteEventSource() override;
    RemoteEventSource(const RemoteEventSource&) = delete;
    RemoteEventSource& operator=(const RemoteEventSource&) = delete;

    // Sends an event for each difference from what was last seen.
    void Check();
    // Off, Check does nothing and nothing is remembered (nobody listens: a
    // long list costs neither time on each repaint nor memory); on again, it
    // starts from what is there now.
    void SetActive(bool active);
    bool Active() const { return m_active; }
    // Whether shot-added, gap and shot-removed are wanted (someone on the
    // socket); without, a change of the list gives list-changed alone and
    // nothing per shot is kept.
    void SetArrivals(bool arrivals);

    void OnUpdate(DocumentView*, long, void*) override { Check(); }

private:
    void CheckList();
    bool SameList() const;
    void Remember();
    void Forget();
    void RememberAll();
    std::int64_t ListedCount() const;

    const ShotPlayer& m_player;
    CKESTRELDoc& m_doc;
    Sink m_sink;

    std::string m_directory;
    // The list as last seen: its version, and with arrivals its records,
    // copies of them (a removed one is gone from the document) with their
    // numbers, and those copies by name.
    std::uint64_t m_listVersion = 0;
    std::vector<const ShotRecord*> m_records;
    std::vector<ShotRecord> m_listed;
    std::vector<int> m_listedNumbers;
    RecordNameIndex m_listedByName;
    bool m_arrivals = true;
    const ShotRecord* m_shown = nullptr;
    const void* m_shownImage = nullptr;
    std::uint64_t m_shownScan = 0;
    bool m_playing = false;
    bool m_checking = false;
    bool m_active = true;
};
