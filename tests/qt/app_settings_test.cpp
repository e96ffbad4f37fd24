// Settings: the recent-file list of 4, kept under the application's key and
// updated on every open.
#include <QDir>
#include <QSettings>

#include "app/recent_file_list.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

QSettings KestrelSettings()
{
    return QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("KESTREL"));
}

void ClearSettings()
{
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("KESTREL"));
    settings.clear();
    settings.sync();
}

TEST(RecentFileList, NewestFirstNoDuplicatesAtMostItsSize)
{
    CRecentFileList list(4);
    for (const char* path : {"/a", "/b", "/c", "/d", "/e"}) list.Add(QLatin1String(path));
    EXPECT_EQ(list.Files(), (QStringList{"/e", "/d", "/c", "/b"}));
    list.Add(QStringLiteral("/c"));
    EXPECT_EQ(list.Files(), (QStringList{"/c", "/e", "/d", "/b"}));
    list.Add(QString());
    EXPECT_EQ(list.Files().size(), 4);
}

TEST(RecentFileList, WritesAndReadsFileEntriesOfItsSection)
{
    ClearSettings();
    {
        QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("KESTREL"));
        CRecentFileList list(4);
        list.Add(QStringLiteral("/x/one.gif"));
        list.Add(QStringLiteral("/x/two.gif"));
        list.WriteList(settings);
        EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString(), QStringLiteral("/x/two.gif"));
        EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File2")).toString(), QStringLiteral("/x/one.gif"));
        EXPECT_FALSE(settings.contains(QStringLiteral("Recent File List/File3")));

        // Damaged entries: gaps, duplicates and entries past the size are skipped.
        settings.setValue(QStringLiteral("Recent File List/File2"), QString());
        settings.setValue(QStringLiteral("Recent File List/File3"), QStringLiteral("/x/two.gif"));
        settings.setValue(QStringLiteral("Recent File List/File4"), QStringLiteral("/x/four.gif"));
        settings.setValue(QStringLiteral("Recent File List/File5"), QStringLiteral("/x/five.gif"));
        CRecentFileList read(4);
        read.ReadList(settings);
        EXPECT_EQ(read.Files(), (QStringList{"/x/two.gif", "/x/four.gif"}));
    }
    ClearSettings();
}

class SettingsTest : public AppTest {
protected:
    void SetUp() override
    {
        ClearSettings();
        AppTest::SetUp();
    }
    void TearDown() override
    {
        AppTest::TearDown();
        ClearSettings();
    }
};

TEST_F(SettingsTest, EveryOpenJoinsTheRecentFiles)
{
    const QString dir = QDir::cleanPath(QString::fromStdString(m_shots.Dir()));
    const QString blue = QString::fromStdString(m_shots.Path("A0012.gif"));
    shots_test::ScopedFileDialog dialog(m_shots.Path("B0003.gif"));
    StartOnShots();  // the command line's directory
    m_app->OpenShots(blue);
    Frame()->Router().Execute(ID_FILE_OPEN);  // the open command's file
    const QString green = QString::fromStdString(m_shots.Path("B0003.gif"));
    EXPECT_EQ(m_app->RecentFiles().Files(), (QStringList{green, blue, dir}));

    QSettings settings = KestrelSettings();
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString(), green);
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File3")).toString(), dir);

    // A cancelled dialog opens nothing and leaves the list alone.
    {
        shots_test::ScopedFileDialog cancel("");
        Frame()->Router().Execute(ID_FILE_OPEN);
    }
    EXPECT_EQ(m_app->RecentFiles().Files().size(), 3);
}

TEST_F(SettingsTest, TheListOfFourOutlivesTheRun)
{
    Start();
    for (const char* name : {"C0007.gif", "B0003.gif", "A0012.gif", "C0007.gif", "B0003.gif"}) {
        m_app->OpenShots(QString::fromStdString(m_shots.Path(name)));
    }
    m_app.reset();

    Start();
    const QStringList files = m_app->RecentFiles().Files();
    ASSERT_EQ(files.size(), 3);  // three distinct files, newest first
    EXPECT_TRUE(files[0].endsWith(QLatin1String("B0003.gif")));
    EXPECT_TRUE(files[1].endsWith(QLatin1String("C0007.gif")));
    EXPECT_TRUE(files[2].endsWith(QLatin1String("A0012.gif")));
    EXPECT_EQ(m_app->RecentFiles().Size(), 4);
}

}  // namespace
}  // namespace app_test
