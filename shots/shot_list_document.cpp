#include "shots/shot_list_document.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "app/commands/command_ids.h"
#include "app/framework/file_open_dialog.h"
#include "shots/list/directory_listing.h"
#include "shots/list/file_status.h"
#include "shots/cache/shot_cache.h"
#include "shots/cache/shot_reader.h"
#include "shots/list/shot_number_text.h"

CKESTRELDoc::CKESTRELDoc()
{
    // Message map. The document comes before the application in the route,
    // so this handler, not a generic open, answers the open command.
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
}

CKESTRELDoc::~CKESTRELDoc() = default;

bool CKESTRELDoc::OnNewDocument()
{
    // Nothing of its own: a new-document step keeps the list, image, cursor
    // and fit switch as they are.
    return CDocument::OnNewDocument();
}

void CKESTRELDoc::OnFileOpen()
{
    FileOpenRequest request;
    request.openMode = true;
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    request.filter = ShotOpenFilter(m_configuredTypes);
    // Start where the shots on display are.
    request.initialDirectory = m_strDirectory;
    FileOpenChoice choice;
    if (!RunFileOpenDialog(request, choice)) return;

    // A file of a type not asked for lists its own type; with sequences, a
    // file of a type listed picks its own sequence.
    m_listedTypes = m_configuredTypes;
    if (const std::optional<ImageFormat> format = ShotFormatOfName(choice.fileName)) {
        if (!m_configuredTypes.Has(*format)) m_listedTypes = ShotTypes::Only(*format);
        if (m_bGroupByPrefix) m_strSequence = ShotPrefix(choice.fileName);
    }

    // The directory keeps its trailing separator: the path less the name.
    const std::size_t nameLength = std::min(choice.fileName.size(), choice.path.size());
    // The chosen file only names the directory; display starts at the oldest.
    OpenDirectory(choice.path.substr(0, choice.path.size() - nameLength));
}

void CKESTRELDoc::OpenDirectory(const std::string& directory)
{
    m_strDirectory = directory;
    if (!m_strDirectory.empty() && m_strDirectory.back() != '/') m_strDirectory += '/';
    ScanDirectory();
    LoadShot();
    UpdateAllViews(nullptr, 0, nullptr);
}

void CKESTRELDoc::ScanDirectory()
{
    if (m_strDirectory.empty()) return;

    m_shots.clear();
    m_beyondCapacity.clear();
    m_nShotPos = 0;
    ++m_scanCount;
    ++m_listVersion;
    // Nothing decoded ahead outlives the list it was wanted for.
    if (m_cache) {
        m_cache->Clear();
        UpdateReadAhead();
    }
    if (m_beforeScan) m_beforeScan(m_strDirectory);
    int error = 0;
    std::vector<DirectoryEntry> entries =
        m_listedTypes == ShotTypes::GifOnly()
            ? ListDirectoryByExtension(m_strDirectory, ".GIF", &error)
            : ListDirectoryMatching(
                  m_strDirectory, [this](std::string_view name) { return IsShotOfTypes(name, m_listedTypes); }, &error);
    m_listState = error == 0 ? ListState::Listed
                  : error == ENOENT || error == ENOTDIR ? ListState::Gone
                                                        : ListState::Unreadable;
    if (m_bGroupByPrefix) {
        // Every prefix in name order; the list keeps the sequence listed.
        m_sequences.clear();
        for (const DirectoryEntry& entry : entries) m_sequences.push_back(ShotPrefix(entry.name));
        std::sort(m_sequences.begin(), m_sequences.end());
        m_sequences.erase(std::unique(m_sequences.begin(), m_sequences.end()), m_sequences.end());
        if (!std::binary_search(m_sequences.begin(), m_sequences.end(), m_strSequence)) {
            m_strSequence = m_sequences.empty() ? std::string() : m_sequences.front();
        }
        std::erase_if(entries, [this](const DirectoryEntry& entry) { return ShotPrefix(entry.name) != m_strSequence; });
    }

    if (entries.empty()) {
        ClearDisplay();
        return;
    }

    // The number table has MaxShots() entries: keep the oldest of them, and
    // what is left out for whoever follows the directory.
    const std::vector<std::size_t> order = ShellOrderByTime(entries);
    const std::size_t listed = std::min(order.size(), std::size_t(m_nMaxShots));
    m_shots.reserve(listed);
    const std::shared_ptr<const std::string> directory = SharedDirectory();
    for (std::size_t i = 0; i < listed; ++i) {
        DirectoryEntry& entry = entries[order[i]];
        m_shots.push_back(std::make_unique<ShotRecord>(directory, std::move(entry.name), entry.lastWriteTime));
    }
    for (std::size_t i = listed; i < order.size(); ++i) m_beyondCapacity.push_back(std::move(entries[order[i]]));
    m_nShotCount = std::int32_t(m_shots.size());

    for (std::int32_t i = 0; i < m_nShotCount; ++i) {
        m_nShotNumbers[std::size_t(i)] = ShotNumberFromPath(m_shots[std::size_t(i)]->Path());
    }
}

// Shell sort by last-write time, ascending. Its passes decide the order of
// equal times (it is not stable), and that order is the one users see, so
// it must stay exactly this: gaps n/2, n/4, ..., 1; within a pass each
// element moves back by gap steps while its left neighbour is strictly later.
// The passes run on (time, index) pairs side by side in memory, not on the
// entries themselves: the same swaps, without the cache misses.
std::vector<std::size_t> CKESTRELDoc::ShellOrderByTime(const std::vector<DirectoryEntry>& entries)
{
    struct Key {
        std::int64_t time;
        std::size_t index;
    };
    std::vector<Key> keys(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) keys[i] = {entries[i].lastWriteTime, i};
    const std::ptrdiff_t count = std::ptrdiff_t(keys.size());
    for (std::ptrdiff_t gap = count / 2; gap > 0; gap /= 2) {
        for (std::ptrdiff_t i = gap; i < count; ++i) {
            for (std::ptrdiff_t j = i - gap; j >= 0; j -= gap) {
                if (keys[std::size_t(j)].time <= keys[std::size_t(j + gap)].time) break;
                std::swap(keys[std::size_t(j)], keys[std::size_t(j + gap)]);
            }
        }
    }
    std::vector<std::size_t> order(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) order[i] = keys[i].index;
    return order;
}

std::shared_ptr<const std::string> CKESTRELDoc::SharedDirectory()
{
    if (!m_sharedDirectory || *m_sharedDirectory != m_strDirectory) {
        m_sharedDirectory = std::make_shared<const std::string>(m_strDirectory);
    }
    return m_sharedDirectory;
}

void CKESTRELDoc::LoadShot()
{
    if (m_shots.empty()) return;
    // Past the last shot wraps to the first; a cursor below the list (a
    // previous-shot step from the first position) is taken as the first too.
    if (m_nShotPos > m_nShotCount - 1 || m_nShotPos < 0 || std::size_t(m_nShotPos) >= m_shots.size()) {
        m_nShotPos = 0;
    }
    const ShotRecord& record = *m_shots[std::size_t(m_nShotPos)];

    if (m_cache) {
        // Decoded ahead when ready and its file unchanged, else read here as
        // below; the shot leaving the screen goes back to the read-ahead.
        FileSnapshot stamp;
        std::unique_ptr<CDibImage> ready = m_cache->Take(record.Path(), stamp);
        std::string keptPath;
        std::unique_ptr<CDibImage> kept;
        if (m_pImage && m_pImage.get() == m_pStampedImage) {
            keptPath = std::move(m_strImagePath);
            kept = std::move(m_pImage);
        }
        const FileSnapshot keptStamp = m_imageStamp;
        m_pImage.reset();
        if (ready) {
            m_pImage = std::move(ready);
        } else {
            DecodedShot shot = ReadShotFile(record.Path());
            m_pImage = std::move(shot.image);
            stamp = shot.stamp;
        }
        m_pStampedImage = m_pImage.get();
        m_strImagePath = record.Path();
        m_imageStamp = stamp;
        ++m_nShotPos;
        UpdateReadAhead(keptPath, std::move(kept), keptStamp);
    } else {
        // The shot on display goes before the next is read.
        m_pImage.reset();
        m_pImage = ReadShotFile(record.Path()).image;
        ++m_nShotPos;
    }

    SetBoxText(m_pShotNumberBox, ShotNumberText(record.Path()));
    SetBoxText(m_pStatusBox, StatusText(m_nShotPos, m_nShotCount, m_nShotNumbers[0],
                                        m_nShotNumbers[std::size_t(m_nShotCount - 1)]));
}

void CKESTRELDoc::OpenSequence(const std::string& prefix)
{
    if (m_strDirectory.empty()) return;
    m_strSequence = prefix;
    OpenDirectory(m_strDirectory);
}

void CKESTRELDoc::StepSequence(int step)
{
    const std::ptrdiff_t count = std::ptrdiff_t(m_sequences.size());
    if (!m_bGroupByPrefix || count < 2) return;
    const auto at = std::lower_bound(m_sequences.begin(), m_sequences.end(), m_strSequence);
    const std::ptrdiff_t index = at - m_sequences.begin();
    OpenSequence(m_sequences[std::size_t(((index + step) % count + count) % count)]);
}

bool CKESTRELDoc::ListsName(std::string_view name) const
{
    if (m_listedTypes == ShotTypes::GifOnly()) {
        if (!HasExtension(std::string(name), ".GIF")) return false;
    } else if (!IsShotOfTypes(name, m_listedTypes)) {
        return false;
    }
    return !m_bGroupByPrefix || ShotPrefix(name) == m_strSequence;
}

void CKESTRELDoc::EnableReadAhead(std::size_t budgetBytes, int workers)
{
    m_cache.reset();
    m_pStampedImage = nullptr;
    if (budgetBytes == 0) return;
    m_cache = std::make_unique<ShotCache>(budgetBytes, workers);
    UpdateReadAhead();
}

void CKESTRELDoc::SetReadAheadReverse(bool reverse)
{
    if (reverse == m_bReadAheadReverse) return;
    m_bReadAheadReverse = reverse;
    UpdateReadAhead();
}

void CKESTRELDoc::WantAheadOf(std::size_t index)
{
    // As if the shot before it were on display: index itself comes first.
    const std::int64_t before = std::int64_t(index) + (m_bReadAheadReverse ? 1 : -1);
    if (index < m_shots.size()) ReadAheadAround(before, {}, nullptr, {});
}

void CKESTRELDoc::UpdateReadAhead(const std::string& keptPath, std::unique_ptr<CDibImage> kept,
                                  const FileSnapshot& keptStamp)
{
    // The shot on display, or before the first when none is.
    const std::int64_t shown = std::clamp<std::int64_t>(m_nShotPos, 0, std::int64_t(m_shots.size())) - 1;
    ReadAheadAround(shown, keptPath, std::move(kept), keptStamp);
}

void CKESTRELDoc::ReadAheadAround(std::int64_t shown, const std::string& keptPath, std::unique_ptr<CDibImage> kept,
                                  const FileSnapshot& keptStamp)
{
    if (!m_cache) return;
    // Around shown, wrapping at the ends of the list: the next few ahead,
    // the few behind, then the rest of the way ahead.
    std::vector<std::string> wanted;
    const std::int64_t count = std::int64_t(m_shots.size());
    if (count > 0) {
        const std::int64_t step = m_bReadAheadReverse ? -1 : 1;
        const auto at = [&](std::int64_t offset) {
            const std::int64_t index = ((shown + offset) % count + count) % count;
            return m_shots[std::size_t(index)]->Path();
        };
        const std::int64_t ahead = std::min<std::int64_t>(std::int64_t(READ_AHEAD_SHOTS), count - 1);
        const std::int64_t behind = std::min<std::int64_t>(std::int64_t(READ_BEHIND_SHOTS), count - 1);
        const std::int64_t soon = std::min<std::int64_t>(ahead, 8);
        wanted.reserve(std::size_t(ahead + behind));
        for (std::int64_t k = 1; k <= soon; ++k) wanted.push_back(at(step * k));
        for (std::int64_t k = 1; k <= behind; ++k) wanted.push_back(at(-step * k));
        for (std::int64_t k = soon + 1; k <= ahead; ++k) wanted.push_back(at(step * k));
    }
    DecodedShot shot;
    shot.stamp = keptStamp;
    shot.image = std::move(kept);
    m_cache->SetWanted(std::move(wanted), keptPath, std::move(shot));
}

void CKESTRELDoc::LoadShotAt(std::size_t index)
{
    m_nShotPos = std::int32_t(std::min(index, m_shots.size()));
    LoadShot();
}

void CKESTRELDoc::LoadFirstShot()
{
    m_nShotPos = m_nShotCount;
    LoadShot();
}

void CKESTRELDoc::LoadPreviousShot()
{
    m_nShotPos -= 2;
    LoadShot();
}

void CKESTRELDoc::LoadLastShot()
{
    m_nShotPos = m_nShotCount - 1;
    LoadShot();
}

std::ptrdiff_t CKESTRELDoc::EarliestIndexOfNumber(int number) const
{
    for (std::int32_t i = 0; i < m_nShotCount; ++i) {
        if (m_nShotNumbers[std::size_t(i)] == number) return i;
    }
    return -1;
}

std::string CKESTRELDoc::StatusText(std::int32_t position, std::int32_t count, int first, int last)
{
    if (count <= 0) return std::string();
    char positionText[64];
    char rangeText[96];
    std::snprintf(positionText, sizeof positionText, POSITION_FORMAT, position, count);
    std::snprintf(rangeText, sizeof rangeText, RANGE_FORMAT, first, last);
    return std::string(positionText) + rangeText;
}

const ShotRecord* CKESTRELDoc::DisplayedShot() const
{
    const std::int64_t index = DisplayedIndex();
    return index < 0 ? nullptr : m_shots[std::size_t(index)].get();
}

std::ptrdiff_t CKESTRELDoc::IndexOf(const ShotRecord* record) const
{
    if (!record) return -1;
    // Equal times sit together: search only among them.
    const auto first = std::lower_bound(m_shots.begin(), m_shots.end(), record->lastWriteTime,
                                        [](const std::unique_ptr<ShotRecord>& shot, std::int64_t time) {
                                            return shot->lastWriteTime < time;
                                        });
    for (auto at = first; at != m_shots.end() && (*at)->lastWriteTime == record->lastWriteTime; ++at) {
        if (at->get() == record) return at - m_shots.begin();
    }
    return -1;
}

bool CKESTRELDoc::InsertShot(std::size_t index, std::unique_ptr<ShotRecord> record)
{
    const std::size_t count = m_shots.size();
    if (!record || count >= std::size_t(m_nMaxShots) || index > count) return false;
    const int number = ShotNumberFromPath(record->Path());
    m_shots.insert(m_shots.begin() + std::ptrdiff_t(index), std::move(record));
    ++m_listVersion;
    std::copy_backward(m_nShotNumbers.begin() + std::ptrdiff_t(index), m_nShotNumbers.begin() + std::ptrdiff_t(count),
                       m_nShotNumbers.begin() + std::ptrdiff_t(count + 1));
    m_nShotNumbers[index] = number;
    m_nShotCount = std::int32_t(m_shots.size());
    UpdateReadAhead();
    return true;
}

std::unique_ptr<ShotRecord> CKESTRELDoc::RemoveShot(std::size_t index)
{
    const std::size_t count = m_shots.size();
    if (index >= count) return nullptr;
    std::unique_ptr<ShotRecord> record = std::move(m_shots[index]);
    m_shots.erase(m_shots.begin() + std::ptrdiff_t(index));
    ++m_listVersion;
    std::copy(m_nShotNumbers.begin() + std::ptrdiff_t(index + 1), m_nShotNumbers.begin() + std::ptrdiff_t(count),
              m_nShotNumbers.begin() + std::ptrdiff_t(index));
    m_nShotCount = std::int32_t(m_shots.size());
    if (m_cache) {
        m_cache->Invalidate(record->Path());
        UpdateReadAhead();
    }
    return record;
}

std::unique_ptr<ShotRecord> CKESTRELDoc::ReplaceShot(std::size_t index, std::unique_ptr<ShotRecord> record)
{
    if (!record || index >= m_shots.size()) return record;
    m_nShotNumbers[index] = ShotNumberFromPath(record->Path());
    std::swap(m_shots[index], record);
    ++m_listVersion;
    if (m_cache) {
        // Its file was written again (or renamed): what was read is stale.
        m_cache->Invalidate(record->Path());
        m_cache->Invalidate(m_shots[index]->Path());
        UpdateReadAhead();
    }
    return record;
}

bool CKESTRELDoc::MoveCursorTo(const ShotRecord* record)
{
    const std::ptrdiff_t index = IndexOf(record);
    if (index < 0) return false;
    m_nShotPos = std::int32_t(index + 1);
    return true;
}

void CKESTRELDoc::SetCursor(std::int32_t position) { m_nShotPos = std::clamp(position, 0, m_nShotCount); }

void CKESTRELDoc::ClearDisplay()
{
    // Nothing to show: no stale picture and no stale number remain.
    m_nShotCount = std::int32_t(m_shots.size());
    m_nShotPos = 0;
    m_pImage.reset();
    SetBoxText(m_pStatusBox, "");
    SetBoxText(m_pShotNumberBox, "");
}

void CKESTRELDoc::SetMaxShots(int limit)
{
    m_nMaxShots = std::clamp(limit, 1, MAX_SHOTS_LIMIT);
    if (m_shots.size() > std::size_t(m_nMaxShots)) {
        m_shots.resize(std::size_t(m_nMaxShots));
        ++m_listVersion;
        m_nShotCount = m_nMaxShots;
        m_nShotPos = std::min(m_nShotPos, m_nShotCount);
        UpdateReadAhead();
    }
    m_nShotNumbers.resize(std::size_t(m_nMaxShots));
}

int CKESTRELDoc::ShotNumberFromPath(const std::string& path)
{
    return ParseLikeAtoi(ShotNumberText(path));
}

void CKESTRELDoc::SetBoxText(ITextBox* box, const std::string& text)
{
    if (box) box->SetWindowText(text);
}
