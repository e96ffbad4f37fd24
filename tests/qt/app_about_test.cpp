#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "app/about_dialog.h"

namespace {

TEST(AboutBox, CaptionIconTextsAndDefaultOk)
{
    CAboutDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About KESTREL"));
    ASSERT_NE(dialog.IconLabel(), nullptr);
    EXPECT_FALSE(dialog.IconLabel()->pixmap().isNull());

    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>(QStringLiteral("aboutText"))) texts << label->text();
    ASSERT_GE(texts.size(), 2);
    EXPECT_EQ(texts.front(), QStringLiteral("KESTREL Version 1.2"));

    ASSERT_NE(dialog.OkButton(), nullptr);
    EXPECT_EQ(dialog.OkButton()->text(), QStringLiteral("OK"));
    EXPECT_TRUE(dialog.OkButton()->isDefault());
}

TEST(AboutBox, OkClosesItAccepted)
{
    CAboutDlg dialog;
    dialog.show();
    dialog.OkButton()->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutBox, DoModalGoesThroughTheRunner)
{
    int runs = 0;
    const auto previous = CAboutDlg::SetModalRunner([&](QDialog& dialog) {
        ++runs;
        EXPECT_EQ(dialog.windowTitle(), QStringLiteral("About KESTREL"));
        return int(QDialog::Accepted);
    });
    CAboutDlg dialog;
    EXPECT_EQ(dialog.DoModal(), QDialog::Accepted);
    EXPECT_EQ(runs, 1);
    CAboutDlg::SetModalRunner(previous);
}

}  // namespace
