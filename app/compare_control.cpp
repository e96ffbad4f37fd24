#include "app/compare_control.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

#include "compare/shot_compare.h"
#include "shots/cache/shot_cache.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "shots/qt/player_view.h"
#include "shots/shot_list_document.h"

namespace {

CompareDirectoryDialog& InForce()
{
    static CompareDirectoryDialog dialog = [](QWidget* parent, const QString& start) {
        return QFileDialog::getExistingDirectory(parent, QStringLiteral("Compare with"), start);
    };
    return dialog;
}

}  // namespace

CompareDirectoryDialog SetCompareDirectoryDialog(CompareDirectoryDialog dialog)
{
    CompareDirectoryDialog previous = std::move(InForce());
    InForce() = std::move(dialog);
    return previous;
}

CompareControl::CompareControl(CKESTRELDoc& a, CKestrel& view, const CompareOptions& options, std::size_t cacheBytes,
                               bool poll)
    : m_a(a), m_view(view), m_options(options), m_cacheBytes(cacheBytes), m_poll(poll)
{
}

CompareControl::~CompareControl() { Close(); }

void CompareControl::OnCompareOpen(QWidget* parent)
{
    if (Active()) {
        Close();
        return;
    }
    const QString start = m_directory.isEmpty() ? QString::fromLocal8Bit(m_a.m_strDirectory.c_str()) : m_directory;
    const QString chosen = InForce() ? InForce()(parent, start) : QString();
    if (!chosen.isEmpty()) Open(chosen);
}

void CompareControl::Open(const QString& path)
{
    Close();
    const QFileInfo file(path);
    m_directory = file.isDir() ? file.absoluteFilePath() : file.absolutePath();
    m_compare = std::make_unique<ShotCompare>(m_options);
    // B's read-ahead keeps to the steady number of workers: on two cores a
    // third and fourth decoder beside A's would only wait for the window's.
    m_compare->Configure(m_a, m_cacheBytes, int(ShotCache::SteadyWorkers()));
    // Made before B is listed, so that it sees the open.
    m_follower = std::make_unique<ShotDirectoryFollower>(m_compare->B());
    m_follower->SetForcePolling(m_poll);
    m_follower->SetListChanged([this] { m_view.Invalidate(); });
    m_compare->Open(QDir::cleanPath(m_directory).toLocal8Bit().toStdString());
    m_view.SetCompare(m_compare.get());
    if (ShotCache* cache = m_a.ReadAhead()) cache->SetNiceness(ShotCache::COMPARE_NICENESS);
}

void CompareControl::Close()
{
    if (!m_compare) return;
    m_view.SetCompare(nullptr);
    m_options = m_compare->Options();
    m_follower.reset();
    m_compare.reset();
    if (ShotCache* cache = m_a.ReadAhead()) cache->SetNiceness(0);
}

void CompareControl::FollowSequence()
{
    if (!m_compare || !m_a.GroupsByPrefix()) return;
    CKESTRELDoc& b = m_compare->B();
    if (b.SequencePrefix() != m_a.SequencePrefix()) b.OpenSequence(m_a.SequencePrefix());
    m_view.Invalidate();
}

QString CompareControl::StatusLine() const
{
    if (!m_compare) return {};
    m_compare->Sync(m_a);
    const std::string line = m_compare->StatusLine(m_a.m_pImage.get());
    return line.empty() ? QString() : QString::fromLocal8Bit(line.c_str()) + u'\n';
}
