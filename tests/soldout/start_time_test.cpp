// The start time the sold-out screen shows comes from the command line as it is given.
#include <gtest/gtest.h>

#include <QLabel>

#include "soldout/Fr_SoldOut2NwxBranch.h"

namespace {

TEST(SoldOutStartTime, ShownAsGivenButCutAndEscaped) {
    EXPECT_EQ(TFrSoldOut2NwxBranchAUTO::startTimeText(QStringLiteral(" 02:00 ")),
              QStringLiteral("02:00:00"));
    EXPECT_EQ(TFrSoldOut2NwxBranchAUTO::startTimeText(QString()), QStringLiteral("12:12:12"));
    EXPECT_EQ(TFrSoldOut2NwxBranchAUTO::startTimeText(QStringLiteral("02\x1B:00")),
              QStringLiteral("02\\x1B:00:00"));

    // A parameter of thousands of characters: the label and the window keep a sensible size,
    // so repainting them while the rows go by costs what it always costs.
    TFrSoldOut2NwxBranchAUTO screen({QStringLiteral("1015"), QStringLiteral("1"),
                                     QStringLiteral("NWX"), QString(), QStringLiteral("15"),
                                     QString(20000, u'1')});
    screen.show();
    const QString shown = screen.LStartDate->text();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("...(20000 characters):00"))) << shown.toStdString();
    EXPECT_LT(shown.size(), 150);
    EXPECT_LT(screen.width(), 2000);
}

}  // namespace
