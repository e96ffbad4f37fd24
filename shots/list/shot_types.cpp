#include "shots/list/shot_types.h"

#include <algorithm>
#include <filesystem>

namespace {

struct TypeName {
    std::string_view name;  // as --types takes it, and the extension without its dot
    ImageFormat format;
};

// One line per extension, in the order of the format codes.
constexpr TypeName TYPE_NAMES[] = {
    {"bmp", ImageFormat::Bmp},  {"gif", ImageFormat::Gif},  {"jpg", ImageFormat::Jpeg}, {"jpeg", ImageFormat::Jpeg},
    {"png", ImageFormat::Png},  {"ico", ImageFormat::Ico},  {"tif", ImageFormat::Tiff}, {"tiff", ImageFormat::Tiff},
    {"tga", ImageFormat::Tga},  {"pcx", ImageFormat::Pcx},
};

// The open dialog's name of each format, by code.
constexpr std::string_view FORMAT_TITLES[] = {"BMP", "GIF", "JPEG", "PNG", "Icon", "TIFF", "TGA", "PCX"};

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

// What follows the last dot of the last path component; none without a dot.
std::optional<std::string_view> ExtensionOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return std::nullopt;
    const std::size_t slash = name.rfind('/');
    if (slash != std::string_view::npos && slash > dot) return std::nullopt;
    return name.substr(dot + 1);
}

std::string Patterns(ShotTypes types, std::string_view separator)
{
    std::string text;
    for (const std::string& extension : ShotTypeExtensions(types)) {
        if (!text.empty()) text += separator;
        text += "*" + extension;
    }
    return text;
}

}  // namespace

std::vector<ImageFormat> ShotTypes::Formats() const
{
    std::vector<ImageFormat> formats;
    for (std::int32_t code = 0; code <= std::int32_t(ImageFormat::Pcx); ++code) {
        if (Has(ImageFormat(code))) formats.push_back(ImageFormat(code));
    }
    return formats;
}

std::optional<ImageFormat> ShotFormatOfName(std::string_view name)
{
    const std::optional<std::string_view> extension = ExtensionOf(name);
    if (!extension) return std::nullopt;
    for (const TypeName& type : TYPE_NAMES) {
        if (EqualIgnoringCase(*extension, type.name)) return type.format;
    }
    return std::nullopt;
}

ImageFormat ShotFormatForPath(std::string_view path) { return ShotFormatOfName(path).value_or(ImageFormat::Gif); }

ShotTypes ShotTypesForPath(const std::string& path, ShotTypes types)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return types;
    const std::optional<ImageFormat> format = ShotFormatOfName(path);
    return format && !types.Has(*format) ? ShotTypes::Only(*format) : types;
}

bool IsShotOfTypes(std::string_view name, ShotTypes types)
{
    const std::optional<ImageFormat> format = ShotFormatOfName(name);
    return format && types.Has(*format);
}

std::vector<std::string> ShotTypeExtensions(ShotTypes types)
{
    std::vector<std::string> extensions;
    for (const TypeName& type : TYPE_NAMES) {
        if (types.Has(type.format)) extensions.push_back("." + std::string(type.name));
    }
    return extensions;
}

std::string ShotOpenFilter(ShotTypes types)
{
    if (types == ShotTypes::GifOnly()) return "GIF Files (*.gif) | *.gif||";
    std::string filter = "Shot Files (" + Patterns(types, " ") + ") | " + Patterns(types, ";") + "|";
    for (const ImageFormat format : types.Formats()) {
        const ShotTypes one = ShotTypes::Only(format);
        filter += std::string(FORMAT_TITLES[std::size_t(format)]) + " Files (" + Patterns(one, " ") + ") | " +
                  Patterns(one, ";") + "|";
    }
    return filter + "|";
}

std::string ShotPrefix(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    const std::string_view stem = dot == std::string_view::npos ? name : name.substr(0, dot);
    return stem.size() > 4 ? std::string(stem.substr(0, stem.size() - 4)) : std::string();
}

bool ParseShotTypes(std::string_view list, ShotTypes& types, std::string& reason)
{
    ShotTypes parsed = ShotTypes::Only(ImageFormat::Gif);
    bool any = false;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        const std::string_view word = list.substr(start, comma - start);
        start = comma + 1;
        bool known = false;
        if (word == "all") {
            parsed = ShotTypes::All();
            known = true;
        }
        for (const TypeName& type : TYPE_NAMES) {
            if (word != type.name) continue;
            if (!any) parsed = ShotTypes::Only(type.format);
            parsed.Add(type.format);
            known = true;
        }
        if (!known) {
            reason = "--types needs gif, png, jpg, jpeg, tif, tiff, bmp, tga, pcx, ico or all, not '" +
                     std::string(word) + "'";
            return false;
        }
        any = true;
    }
    types = parsed;
    return true;
}

