#include "data/Messages.h"

#include <gtest/gtest.h>

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
    // Until a service is set, nothing waits for a person: messages are printed.
    auto printer = [] {
        return dynamic_cast<UnattendedMessageService*>(&MessageService::current());
    };
    EXPECT_NE(printer(), nullptr);
    RecordingMessageService outer;
    {
        ScopedMessageService useOuter(outer);
        RecordingMessageService inner;
        { ScopedMessageService useInner(inner); }
        outer.queueAnswers({true, false});
        EXPECT_TRUE(confirmExit(true));
        EXPECT_FALSE(confirmExit(false));
    }
    EXPECT_NE(printer(), nullptr);
    ASSERT_EQ(outer.questions().size(), 2);
    EXPECT_EQ(outer.questions()[0].text, QStringLiteral("ออกจากโปรแกรม ?"));
    EXPECT_EQ(outer.questions()[1].text, "Exit Program ?");
    EXPECT_EQ(outer.questions()[0].colors.background, QColor(0, 128, 0));
    EXPECT_EQ(outer.questions()[0].colors.text, QColor(255, 255, 255));

    MessageService::setCurrent(&outer);
    EXPECT_EQ(&MessageService::current(), &outer);
    MessageService::setCurrent(nullptr);
    EXPECT_NE(printer(), nullptr);
}

TEST(MessageService, WithoutAServiceSetMessagesArePrintedAndQuestionsAnsweredNo) {
    ::testing::internal::CaptureStdout();
    MessageService::current().message(QStringLiteral("ไม่พบข้อมูล\n\rNo data"));
    const bool answer = MessageService::current().confirm(QStringLiteral("จัดเก็บข้อมูล ?"));
    const QString out = QString::fromStdString(::testing::internal::GetCapturedStdout());
    EXPECT_FALSE(answer);
    EXPECT_EQ(out, QStringLiteral("ไม่พบข้อมูล No data\nจัดเก็บข้อมูล ? -> No\n"));
}

}  // namespace
