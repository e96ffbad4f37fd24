// PlayOrder: which shot comes next while reviewing: the direction, what
// happens at the end (wrap to the other end, turn round, or stop) and the
// in and out points. Positions are 0-based indexes into the document's
// list; the in and out points are held as records, so they stay on their
// shots while the follower changes the list, and a removed one is cleared.
// With no range, forward and wrap (the defaults), the next shot is the one
// LoadShot shows with the cursor unchanged.
#pragma once

#include <cstdint>
#include <optional>

#include "shots/playback/playback_options.h"
#include "shots/shot_list_document.h"

class PlayOrder {
public:
    bool reverse = false;
    LoopMode loop = LoopMode::Wrap;

    bool IsDefault(const CKESTRELDoc& doc) const { return !reverse && loop == LoopMode::Wrap && !HasRange(doc); }
    bool HasRange(const CKESTRELDoc& doc) const;
    // The range as indexes: the whole list when no point is set.
    std::int64_t First(const CKESTRELDoc& doc) const;
    std::int64_t Last(const CKESTRELDoc& doc) const;

    // In point at index; the out point follows when it lay before it.
    void SetIn(const CKESTRELDoc& doc, std::size_t index);
    // Out point at index; the in point follows when it lay after it.
    void SetOut(const CKESTRELDoc& doc, std::size_t index);
    void ClearRange();

    // The index to show after displayed (-1 before any), or none when
    // playing once has reached the end. Turning round at an end in ping-pong
    // flips reverse.
    std::optional<std::int64_t> NextWhilePlaying(const CKESTRELDoc& doc, std::int64_t displayed);

    static LoopMode NextLoopMode(LoopMode mode);

private:
    // A point's record may have left the list (and be gone): it is never
    // read, only compared, among the records listed at its time.
    struct Point {
        const ShotRecord* record = nullptr;
        std::int64_t time = 0;
    };
    static std::ptrdiff_t Find(const CKESTRELDoc& doc, const Point& point);
    static Point At(const CKESTRELDoc& doc, std::size_t index) { return {&doc.Shot(index), doc.Shot(index).lastWriteTime}; }

    Point m_in;
    Point m_out;
};
