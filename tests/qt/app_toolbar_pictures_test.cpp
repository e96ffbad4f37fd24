// The toolbar pictures on a high-density screen: each pixel doubled, not a
// smoothed enlargement.
#include <QIcon>
#include <QPixmap>

#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

TEST_F(AppTest, AtRatio2EachToolbarPixelIsDoubled)
{
    Start();
    const QImage picture = QPixmap(QStringLiteral(":/kestrel/toolbar/next.xpm")).toImage();
    const QImage doubled = picture.scaled(picture.size() * 2, Qt::IgnoreAspectRatio, Qt::FastTransformation)
                               .convertToFormat(QImage::Format_ARGB32);
    const QImage shown = Action(ID_SHOT_NEXT)->icon().pixmap(ToolBar()->iconSize(), 2.0).toImage();
    EXPECT_EQ(shown.convertToFormat(QImage::Format_ARGB32), doubled);
}

}  // namespace
}  // namespace app_test
