#include "compare/shot_compare.h"

#include <algorithm>
#include <cstdio>

#include "compare/shot_pairing.h"
#include "image/dib_image.h"
#include "image/shot_placeholder.h"
#include "shots/cache/shot_cache.h"
#include "shots/shot_list_document.h"

namespace {

template <typename... Args>
std::string Format(const char* format, Args... args)
{
    char text[256];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

ShotCompare::ShotCompare(const CompareOptions& options) : m_options(options), m_b(std::make_unique<CKESTRELDoc>())
{
    SetWipePercent(options.wipePercent);
    m_options.diffGain = std::clamp(options.diffGain, DIFF_GAIN_MIN, DIFF_GAIN_MAX);
}

ShotCompare::~ShotCompare() = default;

void ShotCompare::Configure(const CKESTRELDoc& a, std::size_t cacheBytes, int workers)
{
    m_b->SetMaxShots(a.MaxShots());
    m_b->SetShotTypes(a.ListedTypes());
    m_b->SetGroupByPrefix(a.GroupsByPrefix());
    if (a.GroupsByPrefix()) m_b->SetSequence(a.SequencePrefix());
    m_b->EnableReadAhead(cacheBytes, workers);
    if (ShotCache* cache = m_b->ReadAhead()) cache->SetNiceness(ShotCache::COMPARE_NICENESS);
    m_b->SetReadAheadReverse(a.ReadAheadReverse());
}

void ShotCompare::Open(const std::string& directory)
{
    m_loadedPath.clear();
    m_paired.reset();
    m_b->OpenDirectory(directory);
}

const std::string& ShotCompare::Directory() const { return m_b->m_strDirectory; }

bool ShotCompare::Sync(const CKESTRELDoc& a)
{
    m_b->SetReadAheadReverse(a.ReadAheadReverse());
    const std::int64_t shown = a.DisplayedIndex();
    m_aShows = shown >= 0;
    m_paired = m_aShows ? PairedIndex(a, std::size_t(shown), *m_b, m_options.pairBy) : std::nullopt;
    m_askedKey = m_aShows ? PairKey(a, std::size_t(shown), m_options.pairBy) : 0;
    if (m_aShows) {
        const ShotRecord& record = a.Shot(std::size_t(shown));
        m_shownA = record.Path() + '\n' + std::to_string(record.lastWriteTime);
    }
    if (!m_paired) return false;
    const ShotRecord& wanted = m_b->Shot(*m_paired);
    // Already on display, and its file not written again since.
    if (m_b->DisplayedIndex() == std::int64_t(*m_paired) && wanted.Path() == m_loadedPath &&
        wanted.lastWriteTime == m_loadedTime && m_b->m_pImage)
        return false;
    m_b->LoadShotAt(*m_paired);
    m_loadedPath = wanted.Path();
    m_loadedTime = wanted.lastWriteTime;
    return true;
}

const CDibImage* ShotCompare::PictureB(const CDibImage* a)
{
    if (m_paired) return m_b->m_pImage.get();
    if (!m_aShows) return nullptr;
    const int width = a && a->Width() > 0 ? a->Width() : 320;
    const int height = a && a->Height() > 0 ? a->Height() : 240;
    const std::string text = Format("no shot %d in B", m_askedKey);
    if (!m_placeholder || m_placeholderText != text || m_placeholder->Width() != width ||
        m_placeholder->Height() != height) {
        m_placeholder = MakeShotPlaceholder(width, height, text);
        m_placeholderText = text;
    }
    return m_placeholder.get();
}

void ShotCompare::SetWipePercent(double percent)
{
    if (!(percent >= 0)) percent = 0;  // NaN too
    m_options.wipePercent = std::min(percent, 100.0);
}

std::optional<PairDifference> ShotCompare::Difference(const CDibImage* a)
{
    const CDibImage* b = m_paired ? m_b->m_pImage.get() : nullptr;
    if (!a || !b || a->IsEmpty() || b->IsEmpty()) return std::nullopt;
    // The same pictures of the same files: measured already.
    const ShotRecord* shownB = m_b->DisplayedShot();
    // A picture's address may come again for another shot: the files too.
    const std::string paths =
        m_shownA + '\n' + (shownB ? shownB->Path() : std::string()) + '\n' + std::to_string(m_loadedTime);
    if (a == m_measuredA && b == m_measuredB && paths == m_measuredPaths) return m_difference;
    const std::vector<std::uint32_t> drawnA = DrawnPixels(*a);
    const std::vector<std::uint32_t> drawnB = DrawnPixels(*b);
    if (drawnA.empty() || drawnB.empty()) return std::nullopt;
    m_difference = MeasureDifference(drawnA, a->Width(), a->Height(), drawnB, b->Width(), b->Height());
    m_measuredA = a;
    m_measuredB = b;
    m_measuredPaths = paths;
    return m_difference;
}

std::string ShotCompare::StatusLine(const CDibImage* a)
{
    if (!m_aShows) return {};
    if (!m_paired) return Format("compare: B has no shot %d", m_askedKey);
    const std::optional<PairDifference> difference = Difference(a);
    const PairDifference shown = difference.value_or(PairDifference{});
    return Format("compare: B shot %d of %d: %lld pixels differ, largest difference %d",
                  m_b->ShotNumber(*m_paired), int(m_b->ShotCount()), static_cast<long long>(shown.differing),
                  shown.largest);
}

std::vector<std::string> ShotCompare::OverlayLines(const CDibImage* a, const std::optional<PixelReadout>& pointerB)
{
    std::vector<std::string> lines;
    if (!m_aShows) return lines;
    if (!m_paired) {
        lines.push_back(Format("B: no shot %d", m_askedKey));
        return lines;
    }
    lines.push_back("B: " + FileName(m_b->Shot(*m_paired).Path()) +
                    Format(", shot %d, %d of %d", m_b->ShotNumber(*m_paired), int(*m_paired + 1),
                           int(m_b->ShotCount())));
    if (const std::optional<PairDifference> difference = Difference(a)) {
        lines.push_back(Format("%lld pixels differ, largest difference %d",
                               static_cast<long long>(difference->differing), difference->largest));
    } else {
        lines.push_back("no difference: a picture could not be read");
    }
    if (pointerB) {
        std::string line = Format("B x %d, y %d", pointerB->at.x, pointerB->at.y);
        if (pointerB->index) line += Format(", index %d", *pointerB->index);
        line += Format(", RGB %d %d %d", pointerB->red, pointerB->green, pointerB->blue);
        lines.push_back(line);
    }
    return lines;
}
