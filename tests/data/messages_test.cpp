#include "data/Messages.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

TEST(RecordingMessageService, RecordsMessagesAndAnswersFromTheQueueThenTheDefault) {
    RecordingMessageService service;
    service.message("first");
    service.queueAnswers({true, false});
    EXPECT_TRUE(service.confirm("q1"));
    EXPECT_FALSE(service.confirm("q2", {Qt::blue, Qt::white}));
    EXPECT_FALSE(service.confirm("q3"));
    service.setDefaultAnswer(true);
    EXPECT_TRUE(service.confirm("q4"));
    service.message("second");

    EXPECT_EQ(service.messages(), QStringList({"first", "second"}));
    ASSERT_EQ(service.questions().size(), 4);
    EXPECT_EQ(service.questions()[1].text, "q2");
    EXPECT_FALSE(service.questions()[1].answer);
    EXPECT_EQ(service.questions()[1].colors.background, QColor(Qt::blue));
    EXPECT_FALSE(service.questions()[0].colors.background.isValid());

    service.queueAnswer(false);
    service.clear();
    EXPECT_TRUE(service.messages().isEmpty() && service.questions().isEmpty());
    EXPECT_TRUE(service.confirm("after clear"));  // queue gone, default kept
}

TEST(UnattendedMessageService, PrintsEachMessageOnOneLineAndAnswersNo) {
    QStringList lines;
    UnattendedMessageService service([&](const QString& line) { lines << line; });
    {
        ScopedMessageService scoped(service);
        MessageService::current().message(QStringLiteral("Not Found Database : NOPE"));
        // A message with the product's line breaks, and a question nobody is there to answer.
        MessageService::current().message(QStringLiteral(
            "การส่ง SoldOut 01/02/2026 03:04 เรียบร้อย\n\rสาขาที่ database มีปัญหา \n\r0013"));
        EXPECT_FALSE(MessageService::current().confirm(QStringLiteral("จัดเก็บข้อมูล ?")));
        EXPECT_FALSE(confirmExit(false));
    }
    EXPECT_EQ(lines, QStringList({QStringLiteral("Not Found Database : NOPE"),
                                  QStringLiteral("การส่ง SoldOut 01/02/2026 03:04 เรียบร้อย สาขาที่ "
                                                 "database มีปัญหา 0013"),
                                  QStringLiteral("จัดเก็บข้อมูล ? -> No"),
                                  QStringLiteral("Exit Program ? -> No")}));
    EXPECT_EQ(service.printed(), 4);
}

TEST(RecordingMessageService, AnswersForTheScreensWhileInstalled) {
    auto boxes = [] { return dynamic_cast<WidgetMessageService*>(&MessageService::current()); };
    EXPECT_NE(boxes(), nullptr);
    RecordingMessageService outer;
    {
        ScopedMessageService useOuter(outer);
        RecordingMessageService inner;
        { ScopedMessageService useInner(inner); }
        outer.queueAnswers({true, false});
        EXPECT_TRUE(confirmExit(true));
        EXPECT_FALSE(confirmExit(false));
    }
    EXPECT_NE(boxes(), nullptr);
    ASSERT_EQ(outer.questions().size(), 2);
    EXPECT_EQ(outer.questions()[0].text, QStringLiteral("ออกจากโปรแกรม ?"));
    EXPECT_EQ(outer.questions()[1].text, "Exit Program ?");
    EXPECT_EQ(outer.questions()[0].colors.background, QColor(0, 128, 0));
    EXPECT_EQ(outer.questions()[0].colors.text, QColor(255, 255, 255));

    MessageService::setCurrent(&outer);
    EXPECT_EQ(&MessageService::current(), &outer);
    MessageService::setCurrent(nullptr);
    EXPECT_NE(boxes(), nullptr);
}

// The message boxes, on the offscreen platform.
class WidgetMessageServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
            if (QCoreApplication::instance()) GTEST_SKIP() << "needs a QApplication";
            if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
                qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "data_tests";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);  // lives until the process ends
        }
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
