#include "shots/shot_list_document.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/framework/file_open_dialog.h"
#include "shots/directory_listing.h"
#include "shots/shot_number_text.h"

CKESTRELDoc::CKESTRELDoc()
{
    // Message map. The document comes before the application in the route,
    // so this handler, not a generic open, answers the open command.
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
}

CKESTRELDoc::~CKESTRELDoc() = default;

bool CKESTRELDoc::OnNewDocument()
{
    // Nothing of its own: a new-document step keeps the list, image, cursor
    // and fit switch as they are.
    return CDocument::OnNewDocument();
}

void CKESTRELDoc::OnFileOpen()
{
    FileOpenRequest request;
    request.openMode = true;
    request.flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    request.filter = OPEN_FILTER;
    FileOpenChoice choice;
    if (!RunFileOpenDialog(request, choice)) return;

    // The directory keeps its trailing separator: the path less the name.
    const std::size_t nameLength = std::min(choice.fileName.size(), choice.path.size());
    // The chosen file only names the directory; display starts at the oldest.
    OpenDirectory(choice.path.substr(0, choice.path.size() - nameLength));
}

void CKESTRELDoc::OpenDirectory(const std::string& directory)
{
    m_strDirectory = directory;
    if (!m_strDirectory.empty() && m_strDirectory.back() != '/') m_strDirectory += '/';
    ScanDirectory();
    LoadShot();
    UpdateAllViews(nullptr, 0, nullptr);
}

void CKESTRELDoc::ScanDirectory()
{
    if (m_strDirectory.empty()) return;

    m_shots.clear();
    m_nShotPos = 0;
    for (const DirectoryEntry& entry : ListDirectoryByExtension(m_strDirectory, ".GIF")) {
        m_shots.push_back(std::make_unique<ShotRecord>(ShotRecord{m_strDirectory + entry.name, entry.lastWriteTime}));
    }

    if (m_shots.empty()) {
        // Nothing to show: no stale picture and no stale number remain.
        m_nShotCount = 0;
        m_pImage.reset();
        SetBoxText(m_pStatusBox, "");
        SetBoxText(m_pShotNumberBox, "");
        return;
    }

    SortShotsByTime();
    // The number table has MAX_SHOTS entries: keep the oldest MAX_SHOTS.
    if (m_shots.size() > std::size_t(MAX_SHOTS)) m_shots.resize(MAX_SHOTS);
    m_nShotCount = std::int32_t(m_shots.size());

    for (std::int32_t i = 0; i < m_nShotCount; ++i) {
        m_nShotNumbers[std::size_t(i)] = ShotNumberFromPath(m_shots[std::size_t(i)]->path);
    }
}

// Shell sort by last-write time, ascending. Its passes decide the order of
// equal times (it is not stable), and that order is the one users see, so
// it must stay exactly this: gaps n/2, n/4, ..., 1; within a pass each
// element moves back by gap steps while its left neighbour is strictly later.
void CKESTRELDoc::SortShotsByTime()
{
    const std::ptrdiff_t count = std::ptrdiff_t(m_shots.size());
    for (std::ptrdiff_t gap = count / 2; gap > 0; gap /= 2) {
        for (std::ptrdiff_t i = gap; i < count; ++i) {
            for (std::ptrdiff_t j = i - gap; j >= 0; j -= gap) {
                if (m_shots[std::size_t(j)]->lastWriteTime <= m_shots[std::size_t(j + gap)]->lastWriteTime) {
                    break;
                }
                std::swap(m_shots[std::size_t(j)], m_shots[std::size_t(j + gap)]);
            }
        }
    }
}

void CKESTRELDoc::LoadShot()
{
    if (m_shots.empty()) return;
    // Past the last shot wraps to the first; a cursor below the list (a
    // previous-shot step from the first position) is taken as the first too.
    if (m_nShotPos > m_nShotCount - 1 || m_nShotPos < 0 || std::size_t(m_nShotPos) >= m_shots.size()) {
        m_nShotPos = 0;
    }
    const ShotRecord& record = *m_shots[std::size_t(m_nShotPos)];

    // A shot that cannot be read is still an image, one without pixels.
    m_pImage.reset();
    m_pImage.reset(new (std::nothrow) CDibImage(record.path.c_str(), ImageFormat::Gif));
    ++m_nShotPos;

    SetBoxText(m_pShotNumberBox, ShotNumberText(record.path));
    char position[64];
    char range[96];
    std::snprintf(position, sizeof position, POSITION_FORMAT, m_nShotPos, m_nShotCount);
    std::snprintf(range, sizeof range, RANGE_FORMAT, m_nShotNumbers[0],
                  m_nShotNumbers[std::size_t(m_nShotCount - 1)]);
    SetBoxText(m_pStatusBox, std::string(position) + range);
}

int CKESTRELDoc::ShotNumberFromPath(const std::string& path)
{
    return ParseLikeAtoi(ShotNumberText(path));
}

void CKESTRELDoc::SetBoxText(ITextBox* box, const std::string& text)
{
    if (box) box->SetWindowText(text);
}
