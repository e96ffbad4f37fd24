// Writing a CDibImage as a PNG file through libpng, for kestrel-convert.
//
// What the image holds goes into the file as it is:
// - 1-, 4- and 8-bit images become palette files of the same depth with the
//   colour table as PLTE, padded with black to the full 2, 16 or 256 entries
//   (an index beyond the table draws black). When the table carries alpha
//   bytes, or the image has a transparent index, a tRNS chunk gives each
//   entry its alpha.
// - 24-bit images become 8-bit RGB files.
// - An image with an alpha plane becomes 8-bit RGBA, the plane as its alpha
//   channel (indexed pixels through the colour table).
// Rows are written top first, so the picture looks as it is drawn.
#pragma once

#include <string>

class CDibImage;

// False, with a reason in error, when the image is empty or has a depth
// other than 1, 4, 8 or 24, the file cannot be written, or libpng fails.
bool WritePngFile(const CDibImage& image, const std::string& path, std::string& error);
