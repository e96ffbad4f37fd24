// Which of B's shots goes with A's shot at an index: by number, B's earliest
// shot with the same shot number (the shot a typed number shows); by index,
// B's shot at the same position.
#pragma once

#include <cstddef>
#include <optional>

#include "compare/compare_options.h"

class CKESTRELDoc;

// Nothing when B has no such shot, or aIndex lies outside A's list.
std::optional<std::size_t> PairedIndex(const CKESTRELDoc& a, std::size_t aIndex, const CKESTRELDoc& b, PairBy by);

// What B is asked for, as the placeholder and the status line name it: A's
// shot number by number, A's 1-based position by index.
int PairKey(const CKESTRELDoc& a, std::size_t aIndex, PairBy by);
