// The TIFF reader's failure texts, shared by its source files.
#pragma once

namespace tiff_messages {

inline constexpr const char* OPEN = "Error encountered while opening TIFF file";
inline constexpr const char* NO_PAGE = "Error: page not present in TIFF file";
inline constexpr const char* NO_RASTER = "No space for raster buffer";
inline constexpr const char* CORRUPT = "Corrupted TIFF file!";
inline constexpr const char* NO_PALETTE = "Unable to allocate TIFF palette";
inline constexpr const char* NO_IMAGE = "Can't allocate memory for TIFF image";
inline constexpr const char* NO_STRIP_BUFFER = "No space for TIFF strip buffer";
inline constexpr const char* NO_TILE_BUFFER = "No space for TIFF tile buffer";

}  // namespace tiff_messages
