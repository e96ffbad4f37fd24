#include "shots/view/view_message.h"

#include <iterator>

#include "image/shot_placeholder.h"
#include "shots/cache/shot_reader.h"
#include "shots/list/shot_types.h"

namespace {

std::string DirectoryName(const std::string& directory)
{
    if (directory.size() > 1 && directory.back() == '/') return directory.substr(0, directory.size() - 1);
    return directory;
}

// "GIF", "GIF or PNG", "BMP, GIF or PNG": the types the list is made of.
std::string TypeNames(ShotTypes types)
{
    static const char* const kNames[] = {"BMP", "GIF", "JPEG", "PNG", "ICO", "TIFF", "TGA", "PCX"};
    const std::vector<ImageFormat> formats = types.Formats();
    std::string names;
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (i > 0) names += i + 1 == formats.size() ? " or " : ", ";
        const std::size_t code = std::size_t(formats[i]);
        names += code < std::size(kNames) ? kNames[code] : "image";
    }
    return names;
}

}  // namespace

std::string ViewMessage(const CKESTRELDoc& document)
{
    if (document.m_strDirectory.empty()) return {};
    const std::string directory = DirectoryName(document.m_strDirectory);
    switch (document.GetListState()) {
    case ListState::Gone:
        return "The directory " + directory + " is gone";
    case ListState::Unreadable:
        return "The directory " + directory + " cannot be read";
    case ListState::Listed:
        break;
    }
    if (document.ShotCount() == 0) return "No " + TypeNames(document.ListedTypes()) + " shots in " + directory;
    const ShotRecord* shown = document.DisplayedShot();
    const CDibImage* image = document.m_pImage.get();
    if (!shown || (image && !image->IsEmpty())) return {};
    return ShotPlaceholderText(shown->Path(), ShotFailureReason(shown->Path(), image));
}
