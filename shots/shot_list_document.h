// CKESTRELDoc: the shot list of one directory.
//
// Opening any GIF file lists every GIF file of its directory, ordered by
// last-write time, and shows the oldest. Each shot has a number read from
// the four characters before its name's extension. The document holds the
// image on display and a cursor, writes the shot number and a status line
// into two toolbar boxes, and never repaints by itself: whoever calls
// LoadShot follows it with UpdateAllViews.
//
// Cursor: m_nShotPos is the 1-based position of the shot on display and at
// the same time the 0-based index of the shot the next LoadShot shows (0
// before any load). The player view positions it before calling LoadShot:
// m_nShotCount for the first shot (forcing the wrap), m_nShotPos - 2 for the
// previous one, unchanged for the next, m_nShotCount - 1 for the last.
//
// No widget code: the boxes are ITextBox references set by the view, the
// file dialog is the framework's replaceable RunFileOpenDialog, the listing
// is the POSIX adapter of directory_listing.h. The document has no stored
// form.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/framework/document.h"
#include "app/framework/text_box.h"
#include "image/dib_image.h"
#include "shots/list/directory_listing.h"
#include "shots/list/file_status.h"
#include "shots/list/shot_types.h"
#include "shots/shot_record.h"

class ShotCache;

// Whether the directory of the list could be listed when last looked at.
enum class ListState {
    Listed,       // the list is the directory's
    Gone,         // the directory was removed or renamed: the list is empty
    Unreadable,   // the directory cannot be listed: the list is as it last was
};

class CKESTRELDoc : public CDocument {
public:
    // Capacity of the shot-number table by default. A directory with more
    // GIF files lists the first MaxShots() of them in shot order.
    static constexpr int MAX_SHOTS = 5000;
    // The highest capacity SetMaxShots accepts.
    static constexpr int MAX_SHOTS_LIMIT = 1000000;

    CKESTRELDoc();
    ~CKESTRELDoc() override;

    bool OnNewDocument() override;

    // ID_FILE_OPEN: asks for a GIF file and lists its directory.
    void OnFileOpen();
    // Lists directory and shows its first shot, as a confirmed open does
    // (scan, load, repaint). A separator is added when the text lacks one;
    // an empty text lists nothing. For directories named other than through
    // the dialog, such as on the command line.
    void OpenDirectory(const std::string& directory);
    // Rebuilds the list from m_strDirectory; the cursor goes back to 0.
    void ScanDirectory();
    // Told of each scan before it lists, with the directory it lists (one
    // listener: the follower, whose watch must start before the listing).
    void SetBeforeScan(std::function<void(const std::string& directory)> beforeScan)
    {
        m_beforeScan = std::move(beforeScan);
    }
    // How many scans have been made, and what the last one listed beyond
    // MaxShots(): the newer files a full list left out, in no given order.
    std::uint64_t ScanCount() const { return m_scanCount; }
    const std::vector<DirectoryEntry>& BeyondCapacity() const { return m_beyondCapacity; }
    // Changes with every change to the list (a scan, an insert, a removal,
    // a replacement, a lower limit): who keeps something per shot compares
    // it with what it last saw instead of the whole list.
    std::uint64_t ListVersion() const { return m_listVersion; }
    // Shows the shot at the cursor (wrapping past the end to the first),
    // advances the cursor and rewrites both boxes.
    void LoadShot();

    static int ShotNumberFromPath(const std::string& path);
    // m_strDirectory as records share it: one copy while it stays the same.
    std::shared_ptr<const std::string> SharedDirectory();
    // The order a scan lists entries in: by last-write time, ascending,
    // equal times as the scan's own passes leave them (indices into entries).
    static std::vector<std::size_t> ShellOrderByTime(const std::vector<DirectoryEntry>& entries);

    // The listing limit: MAX_SHOTS unless raised (or lowered), held within 1
    // to MAX_SHOTS_LIMIT. The table grows to it; the list never exceeds it.
    // Takes effect at the next scan; a longer list is cut to the new limit.
    int MaxShots() const { return m_nMaxShots; }
    void SetMaxShots(int limit);

    // The list, read. Records are ascending by last-write time.
    const std::vector<std::unique_ptr<ShotRecord>>& Shots() const { return m_shots; }
    std::size_t ShotCount() const { return m_shots.size(); }
    const ShotRecord& Shot(std::size_t index) const { return *m_shots[index]; }
    int ShotNumber(std::size_t index) const { return m_nShotNumbers[index]; }
    // The record on display (the one before the cursor), or null before any
    // load and when the cursor stands before the first.
    const ShotRecord* DisplayedShot() const;
    // Index of record in the list, or -1.
    std::ptrdiff_t IndexOf(const ShotRecord* record) const;
    // Index of the shot on display (the cursor's position less one), or -1
    // before any load.
    std::int64_t DisplayedIndex() const
    {
        return m_nShotPos >= 1 && std::size_t(m_nShotPos) <= m_shots.size() ? std::int64_t(m_nShotPos) - 1 : -1;
    }
    // Index of the earliest listed shot numbered number, or -1: the shot a
    // number typed into the box shows.
    std::ptrdiff_t EarliestIndexOfNumber(int number) const;

    // The list, changed. Each operation keeps m_shots, m_nShotNumbers and
    // m_nShotCount in step and leaves the cursor where it was; the caller
    // keeps the order by time.
    // Inserts record before index; false (and nothing changes) when the list
    // is full or index lies past its end.
    bool InsertShot(std::size_t index, std::unique_ptr<ShotRecord> record);
    // Takes the record at index out of the list and hands it back.
    std::unique_ptr<ShotRecord> RemoveShot(std::size_t index);
    // Puts record in place of the one at index, which is handed back.
    std::unique_ptr<ShotRecord> ReplaceShot(std::size_t index, std::unique_ptr<ShotRecord> record);
    // Puts the cursor on record, the shot on display; false when it is not
    // listed.
    bool MoveCursorTo(const ShotRecord* record);
    // Sets the cursor, held within 0 to the count.
    void SetCursor(std::int32_t position);
    // The list has become empty: nothing on display, both boxes empty, as a
    // scan of an empty directory leaves them.
    void ClearDisplay();
    // Whether the directory could be listed; a scan and the follower set it.
    ListState GetListState() const { return m_listState; }
    void SetListState(ListState state) { m_listState = state; }
    // Shows the shot at index, as LoadShot with the cursor there.
    void LoadShotAt(std::size_t index);
    // The toolbar's steps besides Next (LoadShot itself): the first shot
    // (the cursor at the count makes LoadShot wrap), the previous one and
    // the last one.
    void LoadFirstShot();
    void LoadPreviousShot();
    void LoadLastShot();

    // Read-ahead (shot_cache.h), off until enabled: worker threads decode
    // the shots around the cursor, ahead in the playing direction first and
    // a few behind, within budgetBytes; LoadShot takes a shot from there
    // when it is ready and its file unchanged, and otherwise reads it itself.
    // 0 bytes turns it off. Scans and the list's changes keep it in step.
    void EnableReadAhead(std::size_t budgetBytes, int workers);
    ShotCache* ReadAhead() const { return m_cache.get(); }
    // Points the read-ahead at index and the shots after it (in the
    // read-ahead's direction) instead of those around the cursor (playing
    // that skips shots it could not show).
    void WantAheadOf(std::size_t index);
    // The playing direction the read-ahead looks in: towards the first shot
    // when reverse.
    void SetReadAheadReverse(bool reverse);
    bool ReadAheadReverse() const { return m_bReadAheadReverse; }
    // How many shots ahead and behind the read-ahead asks for.
    static constexpr std::size_t READ_AHEAD_SHOTS = 256;
    static constexpr std::size_t READ_BEHIND_SHOTS = 3;

    // Shot types and sequences (shot_types.h). The types asked for are
    // listed; an open of a file of another type lists that type alone, and
    // the next open of anything else the types asked for again.
    void SetShotTypes(ShotTypes types) { m_configuredTypes = m_listedTypes = types; }
    ShotTypes ListedTypes() const { return m_listedTypes; }
    // Grouping by prefix: the list holds only the sequence on display, the
    // one asked for (SetSequence, or the opened file's) when the directory
    // has it, else the first in name order. Takes effect at the next scan.
    void SetGroupByPrefix(bool on) { m_bGroupByPrefix = on; }
    bool GroupsByPrefix() const { return m_bGroupByPrefix; }
    void SetSequence(const std::string& prefix) { m_strSequence = prefix; }
    // The prefix of the sequence listed, and every prefix of the last scan
    // in name order; empty without grouping.
    const std::string& SequencePrefix() const { return m_strSequence; }
    const std::vector<std::string>& Sequences() const { return m_sequences; }
    // Lists the directory again with the sequence prefix, the next or the
    // previous one (wrapping), and shows its first shot, as an open does.
    // The steps do nothing with fewer than two sequences.
    void OpenSequence(const std::string& prefix);
    void OpenNextSequence() { StepSequence(1); }
    void OpenPreviousSequence() { StepSequence(-1); }
    // Whether a file named name belongs in the list: of a type listed and,
    // with grouping, of the sequence listed.
    bool ListsName(std::string_view name) const;

    // The status box's text for position of count shots whose first and
    // last shot numbers are first and last; empty when count is 0.
    static std::string StatusText(std::int32_t position, std::int32_t count, int first, int last);
    void WriteStatusBox(const std::string& text) { SetBoxText(m_pStatusBox, text); }
    void WriteShotNumberBox(const std::string& text) { SetBoxText(m_pShotNumberBox, text); }

    // The formats of the status box.
    static constexpr const char* POSITION_FORMAT = "%d of %d Shots     ";
    static constexpr const char* RANGE_FORMAT = "First Shot: %d     Last Shot: %d";
    static constexpr const char* OPEN_FILTER = "GIF Files (*.gif) | *.gif||";  // with GIF alone

    std::unique_ptr<CDibImage> m_pImage;  // shot on display; null before the first load
    std::int32_t m_nShotCount = 0;
    std::int32_t m_nShotPos = 0;
    std::string m_strDirectory;           // ends with its separator
    std::vector<std::int32_t> m_nShotNumbers = std::vector<std::int32_t>(MAX_SHOTS);  // MaxShots() entries
    std::int32_t m_bFitToScreen = 1;
    ITextBox* m_pStatusBox = nullptr;     // not owned
    ITextBox* m_pShotNumberBox = nullptr; // not owned
    std::vector<std::unique_ptr<ShotRecord>> m_shots;

private:
    int m_nMaxShots = MAX_SHOTS;
    ListState m_listState = ListState::Listed;
    ShotTypes m_configuredTypes;
    ShotTypes m_listedTypes;
    bool m_bGroupByPrefix = false;
    std::string m_strSequence;
    std::vector<std::string> m_sequences;
    std::function<void(const std::string&)> m_beforeScan;
    std::uint64_t m_scanCount = 0;
    std::uint64_t m_listVersion = 0;
    std::vector<DirectoryEntry> m_beyondCapacity;
    std::shared_ptr<const std::string> m_sharedDirectory;

    void StepSequence(int step);

    void SetBoxText(ITextBox* box, const std::string& text);
    // Tells the read-ahead the shots around the cursor; kept is the shot
    // that left the screen, with kept.image its picture, held when wanted.
    void UpdateReadAhead(const std::string& keptPath = std::string(), std::unique_ptr<CDibImage> kept = nullptr,
                         const FileSnapshot& keptStamp = FileSnapshot());
    void ReadAheadAround(std::int64_t shown, const std::string& keptPath, std::unique_ptr<CDibImage> kept,
                         const FileSnapshot& keptStamp);

    std::unique_ptr<ShotCache> m_cache;
    bool m_bReadAheadReverse = false;
    // The file m_pImage was read from, as it was then (with the read-ahead).
    const CDibImage* m_pStampedImage = nullptr;
    std::string m_strImagePath;
    FileSnapshot m_imageStamp;
};
