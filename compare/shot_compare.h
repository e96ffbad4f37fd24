// ShotCompare: run B beside the document's run A. It owns B's shot list, a
// second CKESTRELDoc listed by the same rules as A's (types, sequences,
// --max-shots) and read ahead by its own cache, whose cursor it keeps on
// the shot paired with A's shot on display. A is moved only by its own
// player; B follows through Sync, which the view calls before each paint,
// so stepping, typing a number, playing, ranges and the timeline all carry
// B along.
//
// It also keeps how the pair is shown (mode, wipe, flip side, gain) and
// says what the overlay and --print-status say of the pair. Plain C++, on
// the user-interface thread; the read-ahead's workers belong to B's cache.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/compare_options.h"
#include "compare/shot_difference.h"
#include "shots/view/shot_overlay.h"

class CDibImage;
class CKESTRELDoc;

class ShotCompare {
public:
    explicit ShotCompare(const CompareOptions& options);
    ~ShotCompare();

    // B's list is made like a: the same types, sequence grouping and
    // listing limit; read ahead within cacheBytes by workers threads (0
    // bytes: each shot read when shown).
    void Configure(const CKESTRELDoc& a, std::size_t cacheBytes, int workers);
    // Lists directory (with or without its trailing separator) as B.
    void Open(const std::string& directory);
    const std::string& Directory() const;

    CKESTRELDoc& B() { return *m_b; }
    const CKESTRELDoc& B() const { return *m_b; }

    // Puts B's cursor on the shot paired with a's shot on display (reading
    // it again when its file was written since); true when B's picture
    // changed. B's read-ahead looks the way a's does.
    bool Sync(const CKESTRELDoc& a);
    // After a Sync: B's index paired with A's shot, nothing when B has none
    // (or A shows nothing); and what was asked of B (PairKey).
    std::optional<std::size_t> Paired() const { return m_paired; }
    int AskedKey() const { return m_askedKey; }
    bool AShowsShot() const { return m_aShows; }

    // B's picture in the view: its shot, or when it has no paired shot a
    // mid-grey placeholder of a's size saying "no shot N in B".
    const CDibImage* PictureB(const CDibImage* a);

    // Settings, changed by the keys and the wipe drag.
    const CompareOptions& Options() const { return m_options; }
    CompareMode Mode() const { return m_options.mode; }
    void CycleMode() { m_options.mode = NextCompareMode(m_options.mode); }
    void SetMode(CompareMode mode) { m_options.mode = mode; }
    bool FlipShowsB() const { return m_flipShowsB; }
    void SwapFlip() { m_flipShowsB = !m_flipShowsB; }
    double WipePercent() const { return m_options.wipePercent; }
    void SetWipePercent(double percent);
    int DiffGain() const { return m_options.diffGain; }
    void SetPairBy(PairBy by) { m_options.pairBy = by; }

    // How A's picture and B's paired picture differ; nothing without a pair
    // or pictures. Measured once per pair of pictures.
    std::optional<PairDifference> Difference(const CDibImage* a);

    // "compare: B shot N of M: K pixels differ, largest difference D", or
    // "compare: B has no shot N"; N is B's shot number, M B's count. Empty
    // when A shows no shot.
    std::string StatusLine(const CDibImage* a);
    // The overlay's lines for B, after A's: B's file name and shot number,
    // how the pair differs, and B's pixel under the pointer.
    std::vector<std::string> OverlayLines(const CDibImage* a, const std::optional<PixelReadout>& pointerB);

private:
    CompareOptions m_options;
    bool m_flipShowsB = false;
    std::unique_ptr<CKESTRELDoc> m_b;
    std::optional<std::size_t> m_paired;
    int m_askedKey = 0;
    bool m_aShows = false;
    std::string m_shownA;  // A's shot on display at the last Sync, and its time
    // The B shot whose picture is loaded, as it was listed then.
    std::string m_loadedPath;
    std::int64_t m_loadedTime = 0;

    std::unique_ptr<CDibImage> m_placeholder;
    std::string m_placeholderText;

    // The pair last measured.
    const CDibImage* m_measuredA = nullptr;
    const CDibImage* m_measuredB = nullptr;
    std::string m_measuredPaths;
    PairDifference m_difference;
};
