// The message service a person sees: Qt message boxes, on the offscreen platform.
#include "ui/MessageBoxes.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

class WidgetMessageServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        QGuiApplication::setApplicationDisplayName(QStringLiteral("Back office"));
    }

    // Hands the next message box shown to `handle`, which must close it.
    void whenShown(std::function<void(QMessageBox&)> handle) {
        waits_ = 0;
        timer_.setInterval(10);
        QObject::disconnect(&timer_, nullptr, nullptr, nullptr);
        QObject::connect(&timer_, &QTimer::timeout, [this, handle] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box && box->isVisible()) {
                timer_.stop();
                handle(*box);
            } else if (++waits_ > 500) {
                timer_.stop();
                ADD_FAILURE() << "no message box was shown";
                if (QWidget* other = QApplication::activeModalWidget()) other->close();
            }
        });
        timer_.start();
    }

    static QString labelText(const QMessageBox& box) {
        const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        return label ? label->text() : QString();
    }

    WidgetMessageService service_;
    QTimer timer_;
    int waits_ = 0;
};

TEST_F(WidgetMessageServiceTest, MessageShowsPlainTextWithItsLineBreaks) {
    bool shown = false;
    whenShown([&](QMessageBox& box) {
        shown = true;
        EXPECT_EQ(box.windowTitle(), "Back office");
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_EQ(labelText(box), QStringLiteral("บันทึกเรียบเร้อยแล้ว\n/tmp/<b>order</b>.xlsx"));
        box.button(QMessageBox::Ok)->click();
    });
    service_.message(QStringLiteral("บันทึกเรียบเร้อยแล้ว\n\r/tmp/<b>order</b>.xlsx"));
    EXPECT_TRUE(shown);
}

TEST_F(WidgetMessageServiceTest, QuestionIsTrueOnlyOnYes) {
    whenShown([](QMessageBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Question);
        EXPECT_EQ(box.standardButtons(), QMessageBox::Yes | QMessageBox::No);
        EXPECT_EQ(box.defaultButton(), box.button(QMessageBox::Yes));
        EXPECT_EQ(labelText(box), QStringLiteral("จัดเก็บข้อมูล ?"));
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(service_.confirm(QStringLiteral("จัดเก็บข้อมูล ?")));

    whenShown([](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
    EXPECT_FALSE(service_.confirm("No?"));

    whenShown([](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); });
    EXPECT_FALSE(service_.confirm("Escape?"));

    whenShown([](QMessageBox& box) { box.close(); });
    EXPECT_FALSE(service_.confirm("Closed?"));
}

TEST_F(WidgetMessageServiceTest, QuestionTakesItsColours) {
    whenShown([](QMessageBox& box) {
        EXPECT_TRUE(box.autoFillBackground());
        EXPECT_EQ(box.palette().color(QPalette::Window), QColor(0, 128, 0));
        const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::white));
        // The buttons keep the system's colours.
        EXPECT_EQ(box.button(QMessageBox::Yes)->palette().color(QPalette::Button),
                  QApplication::palette().color(QPalette::Button));
        box.button(QMessageBox::Yes)->click();
    });
    EXPECT_TRUE(service_.confirm("Exit Program ?", {QColor(0, 128, 0), Qt::white}));
}

}  // namespace
