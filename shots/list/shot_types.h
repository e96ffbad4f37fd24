// Which files make shots, and how a directory's shots split into sequences.
//
// Types: a shot is a file whose extension names one of the formats the image
// library reads (letter case ignored); the extension alone picks the reader.
// GIF alone by default.
//
// Sequences: with grouping by prefix, each name splits into prefix, the four
// characters of the shot number and the extension; the shots of one prefix
// are a sequence of their own. A name too short to hold a number has the
// empty prefix.
//
// The command line chooses them with --types LIST (gif, png, jpg, jpeg, tif,
// tiff, bmp, tga, pcx, ico or all, separated by commas; gif by default),
// --group prefix and --sequence PREFIX, rows of the option table.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_format.h"

// A set of formats, as a bit per format code.
class ShotTypes {
public:
    static ShotTypes GifOnly() { return ShotTypes(Bit(ImageFormat::Gif)); }
    static ShotTypes All() { return ShotTypes(0xFFu); }
    static ShotTypes Only(ImageFormat format) { return ShotTypes(Bit(format)); }

    ShotTypes() = default;
    bool Has(ImageFormat format) const { return (m_bits & Bit(format)) != 0; }
    void Add(ImageFormat format) { m_bits |= Bit(format); }
    bool Empty() const { return m_bits == 0; }
    // The formats in the order of their codes.
    std::vector<ImageFormat> Formats() const;
    bool operator==(const ShotTypes&) const = default;

private:
    explicit ShotTypes(std::uint32_t bits) : m_bits(bits) {}
    static std::uint32_t Bit(ImageFormat format) { return 1u << (std::uint32_t(format) & 31u); }
    std::uint32_t m_bits = Bit(ImageFormat::Gif);
};

// The format the extension of name (a file name or a path) names, case
// ignored; none when it names none.
std::optional<ImageFormat> ShotFormatOfName(std::string_view name);
// The format a shot file is read as: that of its extension, GIF otherwise.
ImageFormat ShotFormatForPath(std::string_view path);
// The types listed for PATH: types, or for a file of a type not among them
// that file's own type (a directory keeps types).
ShotTypes ShotTypesForPath(const std::string& path, ShotTypes types);
// Whether name's extension is one of types.
bool IsShotOfTypes(std::string_view name, ShotTypes types);
// The extensions of types, lower case with the dot: ".jpg" and ".jpeg" both.
std::vector<std::string> ShotTypeExtensions(ShotTypes types);

// The open dialog's filter for types: GIF alone gives the document's own
// "GIF Files (*.gif) | *.gif||"; more types give every type together first,
// then each format.
std::string ShotOpenFilter(ShotTypes types);

// The prefix of a file name: the name less its extension (from the last dot)
// and the four characters before it; empty when the rest is shorter.
std::string ShotPrefix(std::string_view name);

struct ShotListOptions {
    ShotTypes types = ShotTypes::GifOnly();
    bool typesGiven = false;
    bool groupByPrefix = false;
    std::optional<std::string> sequence;
};

// "gif,png", "all", ...; false with a one-line reason, types unchanged.
bool ParseShotTypes(std::string_view list, ShotTypes& types, std::string& reason);

