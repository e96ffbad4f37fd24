// "Export…" in the window: Ctrl+E writes the in-out range to the file the
// save dialog names, in the playing direction, and is unavailable while
// playing, like Open.
#include <gif_lib.h>

#include <QDir>

#include "app/export_window.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

class AppExportTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        m_out = QString::fromStdString(m_shots.Dir()) + QStringLiteral("exported.gif");
        m_previous = SetExportWindowDialogs({[this](QWidget*) {
                                                 ++m_asked;
                                                 return m_out;
                                             },
                                             [this](QWidget*, bool done, const QString& text) {
                                                 m_told << (done ? QStringLiteral("done: ") : QStringLiteral("failed: ")) + text;
                                             }});
    }
    void TearDown() override
    {
        SetExportWindowDialogs(m_previous);
        AppTest::TearDown();
    }

    // The colour of each frame of the exported GIF, as 'r', 'g' or 'b'.
    std::string FrameColours() const
    {
        int error = 0;
        GifFileType* gif = DGifOpenFileName(m_out.toLocal8Bit().constData(), &error);
        std::string colours;
        if (gif && DGifSlurp(gif) == GIF_OK) {
            for (int k = 0; k < gif->ImageCount; ++k) {
                const SavedImage& image = gif->SavedImages[k];
                const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
                const GifColorType& colour = map->Colors[image.RasterBits[0]];
                colours += colour.Red ? 'r' : colour.Green ? 'g' : 'b';
            }
        }
        if (gif) DGifCloseFile(gif, &error);
        return colours;
    }

    QString m_out;
    int m_asked = 0;
    QStringList m_told;
    ExportWindowDialogs m_previous;
};

TEST_F(AppExportTest, CtrlEExportsTheRangeInThePlayingDirection)
{
    StartOnShots();
    ASSERT_TRUE(Action(ID_FILE_EXPORT));
    EXPECT_EQ(Action(ID_FILE_EXPORT)->toolTip(), QStringLiteral("Export\u2026"));
    // Shots red 0007, green 0003, blue 0012: the range from green to blue, backwards.
    Press(Qt::Key_Right);
    Press(Qt::Key_BracketLeft);
    Press(Qt::Key_R);
    Press(Qt::Key_E, Qt::ControlModifier);
    ASSERT_EQ(m_asked, 1);
    ASSERT_EQ(m_told.size(), 1);
    EXPECT_TRUE(m_told.front().startsWith(QStringLiteral("done: Exported 2 shots"))) << m_told.front().toStdString();
    EXPECT_EQ(FrameColours(), "bg");
}

TEST_F(AppExportTest, ExportIsUnavailableWhilePlaying)
{
    StartOnShots();
    Press(Qt::Key_Space);
    ASSERT_TRUE(View()->m_player.m_bPlaying);
    EXPECT_FALSE(Frame()->Router().IsEnabled(ID_FILE_EXPORT));
    Press(Qt::Key_E, Qt::ControlModifier);
    EXPECT_EQ(m_asked, 0);
    Press(Qt::Key_Space);
    EXPECT_TRUE(Frame()->Router().IsEnabled(ID_FILE_EXPORT));
}

}  // namespace
}  // namespace app_test
