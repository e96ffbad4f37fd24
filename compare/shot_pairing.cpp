#include "compare/shot_pairing.h"

#include "shots/shot_list_document.h"

std::optional<std::size_t> PairedIndex(const CKESTRELDoc& a, std::size_t aIndex, const CKESTRELDoc& b, PairBy by)
{
    if (aIndex >= a.ShotCount()) return std::nullopt;
    if (by == PairBy::Index) {
        if (aIndex >= b.ShotCount()) return std::nullopt;
        return aIndex;
    }
    const std::ptrdiff_t found = b.EarliestIndexOfNumber(a.ShotNumber(aIndex));
    if (found < 0) return std::nullopt;
    return std::size_t(found);
}

int PairKey(const CKESTRELDoc& a, std::size_t aIndex, PairBy by)
{
    if (aIndex >= a.ShotCount()) return 0;
    return by == PairBy::Index ? int(aIndex + 1) : a.ShotNumber(aIndex);
}
