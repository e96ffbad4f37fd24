// How a shot number is read from a file name and from the shot-number box.
#pragma once

#include <string>
#include <string_view>

// The four characters that carry the shot number: the first 4 of the last 8
// characters of path (of the whole path when it is shorter). For
// ".../shot0042.GIF" that is "0042", the four before the extension. A path
// ending in a shot type's longer extension (".jpeg", ".tiff") counts its
// extra characters too, so its number is still the four before it.
std::string ShotNumberText(const std::string& path);

// Reads text by the rules of atoi: leading white space, an optional sign,
// then decimal digits up to the first other character; no digits gives 0.
// Values beyond the int range saturate rather than overflow.
int ParseLikeAtoi(std::string_view text);
