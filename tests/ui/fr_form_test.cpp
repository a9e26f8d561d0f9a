// The module frame driven with real key events: Enter walks the fields, Escape and the exit
// action ask before the window closes, shortcuts reach their actions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWindow>

#include "data/Dm_Config.h"
#include "data/Messages.h"
#include "ui/Fr_Form.h"

namespace {

class Screen : public TFrForm {
public:
    Screen() {
        auto* layout = new QVBoxLayout(centralArea());
        first = new QLineEdit;
        notes = new QPlainTextEdit;
        last = new QLineEdit;
        layout->addWidget(first);
        layout->addWidget(notes);
        layout->addWidget(last);
    }
    int news = 0;
    QLineEdit* first;
    QPlainTextEdit* notes;
    QLineEdit* last;

protected:
    void AcNewExecute() override {
        TFrForm::AcNewExecute();
        ++news;
    }
};

class FrFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        QApplication::setApplicationDisplayName(QStringLiteral("BackOffice"));
        screen.setWindowTitle(QStringLiteral("โปรแกรมป้อน Order ของสาขา"));
        screen.show();
        QApplication::setActiveWindow(&screen);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&screen));
        screen.first->setFocus();
    }
    TDMConfig config;
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    Screen screen;
};

TEST_F(FrFormTest, ShowingMakesTheCaptionTheTitleHidesTheOptionalButtonsAndRunsNew) {
    // The screen keeps its caption; the application's title, which message boxes carry,
    // becomes that caption, and follows it when the screen sets its full caption later.
    EXPECT_EQ(screen.windowTitle(), QStringLiteral("โปรแกรมป้อน Order ของสาขา"));
    EXPECT_EQ(QApplication::applicationDisplayName(), QStringLiteral("โปรแกรมป้อน Order ของสาขา"));
    screen.setWindowTitle(QStringLiteral("โปรแกรมป้อน Order ของสาขา (20090925) User : SOMSRI"));
    EXPECT_EQ(QApplication::applicationDisplayName(),
              QStringLiteral("โปรแกรมป้อน Order ของสาขา (20090925) User : SOMSRI"));
    ASSERT_NE(screen.windowHandle(), nullptr);
    EXPECT_EQ(screen.windowHandle()->title(), screen.windowTitle());

    // The frame's own New ran, not the screen's: a screen runs its New when it is ready.
    EXPECT_EQ(screen.news, 0);
    for (QToolButton* b :
         {screen.BHist, screen.BCopy, screen.BPrint, screen.BChgCode, screen.BApporved})
        EXPECT_FALSE(b->isVisible()) << b->text().toStdString();
    for (QToolButton* b : {screen.BNew, screen.BDel, screen.BSave, screen.BExit})
        EXPECT_TRUE(b->isVisible()) << b->text().toStdString();
    EXPECT_FALSE(screen.AcSave->isEnabled());
    EXPECT_FALSE(screen.AcDel->isEnabled());
    EXPECT_FALSE(screen.AcChgCode->isEnabled());
    EXPECT_FALSE(screen.ChgCode->isVisible());
    EXPECT_EQ(screen.BSave->text(), QStringLiteral("Save"));
    EXPECT_EQ(screen.AcSave->toolTip(), QStringLiteral("Save Record"));
}

TEST_F(FrFormTest, EnterMovesToTheNextFieldAndIsSwallowed) {
    QTest::keyClicks(screen.first, QStringLiteral("ab"));
    QTest::keyClick(screen.first, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), screen.notes);
    QTest::keyClicks(screen.notes, QStringLiteral("x"));
    QTest::keyClick(screen.notes, Qt::Key_Enter, Qt::KeypadModifier);
    // The multi-line field got no line break: Enter only moved on.
    EXPECT_EQ(screen.notes->toPlainText(), QStringLiteral("x"));
    EXPECT_EQ(QApplication::focusWidget(), screen.last);
}

TEST_F(FrFormTest, AWidgetMayKeepEnterForItself) {
    screen.notes->setProperty(TFrForm::kKeepsEnterProperty, true);
    screen.notes->setFocus();
    QTest::keyClicks(screen.notes, QStringLiteral("a"));
    QTest::keyClick(screen.notes, Qt::Key_Return);
    EXPECT_EQ(screen.notes->toPlainText(), QStringLiteral("a\n"));
    EXPECT_EQ(QApplication::focusWidget(), screen.notes);
}

TEST_F(FrFormTest, EscapeAsksAndNoKeepsTheScreenAsItWas) {
    config.ThaiLanguage = true;
    QTest::keyClicks(screen.first, QStringLiteral("unsaved"));
    messages.queueAnswer(false);
    QTest::keyClick(screen.first, Qt::Key_Escape);
    ASSERT_EQ(messages.questions().size(), 1);
    EXPECT_EQ(messages.questions()[0].text, QStringLiteral("ออกจากโปรแกรม ?"));
    EXPECT_EQ(messages.questions()[0].colors.background, QColor(0, 128, 0));
    EXPECT_EQ(messages.questions()[0].colors.text, QColor(Qt::white));
    EXPECT_TRUE(screen.isVisible());
    EXPECT_EQ(screen.first->text(), QStringLiteral("unsaved"));
    EXPECT_EQ(QApplication::focusWidget(), screen.first);

    messages.queueAnswer(true);
    QTest::keyClick(screen.first, Qt::Key_Escape);
    EXPECT_FALSE(screen.isVisible());
}

TEST_F(FrFormTest, ExitActionAndWindowCloseAskInEnglishForOtherLanguages) {
    config.ThaiLanguage = false;
    messages.setDefaultAnswer(false);
    QTest::keyClick(screen.first, Qt::Key_X, Qt::ControlModifier);
    screen.close();
    ASSERT_EQ(messages.questions().size(), 2);
    EXPECT_EQ(messages.questions()[0].text, QStringLiteral("Exit Program ?"));
    EXPECT_EQ(messages.questions()[1].text, QStringLiteral("Exit Program ?"));
    EXPECT_TRUE(screen.isVisible());
}

TEST_F(FrFormTest, ShortcutsWorkWhileTheirButtonsAreHidden) {
    QSignalSpy copy(screen.AcCopy, &QAction::triggered);
    QSignalSpy save(screen.AcSave, &QAction::triggered);
    QTest::keyClick(screen.first, Qt::Key_F6);  // BCopy is hidden
    EXPECT_EQ(copy.count(), 1);
    QTest::keyClick(screen.first, Qt::Key_F10);  // AcSave is disabled
    EXPECT_EQ(save.count(), 0);
    screen.AcSave->setEnabled(true);
    QTest::keyClick(screen.first, Qt::Key_F10);
    EXPECT_EQ(save.count(), 1);
    QTest::keyClick(screen.first, Qt::Key_F3);
    EXPECT_EQ(screen.news, 1);
    EXPECT_FALSE(screen.AcSave->isEnabled());
}

}  // namespace

namespace {

TEST_F(FrFormTest, HintsAppearCentredInAPartlyTransparentWindow) {
    QHelpEvent help(QEvent::ToolTip, QPoint(2, 2), screen.BNew->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(screen.BNew, &help);
    auto* hint = screen.findChild<QLabel*>(QStringLiteral("HintWindow"));
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_EQ(hint->text(), QStringLiteral("New Record"));
    EXPECT_DOUBLE_EQ(hint->windowOpacity(), 0.8);
    const QPoint centre = screen.BNew->mapToGlobal(screen.BNew->rect().center());
    EXPECT_LE((hint->geometry().center() - centre).manhattanLength(), 2);
}

}  // namespace
