// What stands in for a shot that cannot be shown: a mid-grey picture with
// one line of text naming the file and the reason, centred. The view and
// the export draw the same one.
#pragma once

#include <memory>
#include <string>

#include "image/dib_image.h"

constexpr BYTE PLACEHOLDER_GREY = 128;

// "shot0042.gif: <reason>" (the name without its directory).
std::string ShotPlaceholderText(const std::string& path, const std::string& reason);

// An 8-bit picture of width x height (at least 1 x 1): entry 0 mid-grey,
// entry 1 white for the text, drawn as large as fits (up to 4 times the
// font's size) and cut with "..." when even the smallest does not fit.
// Null only when no memory could be had.
std::unique_ptr<CDibImage> MakeShotPlaceholder(int width, int height, const std::string& text);
