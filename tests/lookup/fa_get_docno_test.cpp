// The document-number panel inside a host window: capitals, F5 and the button run the host's
// search, the button is enabled on entering, leaving runs the host's handler, and the field
// shows and edits one column of the host's data set.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "db/data_set.h"
#include "lookup/Fa_GetDocNo.h"

namespace {

class FaGetDocNoTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* layout = new QVBoxLayout(&host);
        panel = new TFaGetDocNo;
        other = new QLineEdit;
        layout->addWidget(panel);
        layout->addWidget(other);
        panel->setSearchHandler([this] { ++searches; });
        panel->setLeaveHandler([this] { ++leaves; });
        host.show();
        QApplication::setActiveWindow(&host);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
        other->setFocus();
        leaves = 0;  // showing put the focus into the panel first
    }

    QWidget host;
    TFaGetDocNo* panel;
    QLineEdit* other;
    int searches = 0;
    int leaves = 0;
};

TEST_F(FaGetDocNoTest, CapitalsAndTheSearchActionFromF5AndTheButton) {
    EXPECT_EQ(panel->LDocNo->text(), QStringLiteral("เลขที่"));
    EXPECT_EQ(panel->BtSearch->toolTip(), QStringLiteral("ค้นหาเลขที่เอกสาร"));
    panel->DocNo->setFocus();
    QTest::keyClicks(panel->DocNo, QStringLiteral("no12a"));
    EXPECT_EQ(panel->text(), QStringLiteral("NO12A"));
    QTest::keyClick(panel->DocNo, Qt::Key_F5);
    panel->BtSearch->click();
    EXPECT_EQ(searches, 2);

    TFaGetDocNo bare;  // no action: nothing happens
    QTest::keyClick(bare.DocNo, Qt::Key_F5);
    bare.BtSearch->click();
    EXPECT_FALSE(bare.hasSearchHandler());
}

TEST_F(FaGetDocNoTest, EnteringEnablesTheButtonAndLeavingRunsTheHandlerOnce) {
    panel->BtSearch->setEnabled(false);
    panel->DocNo->setFocus();
    EXPECT_TRUE(panel->BtSearch->isEnabled());
    EXPECT_EQ(leaves, 0);

    // A dialog over the window takes the focus and gives it back: neither leaving nor entering.
    panel->BtSearch->setEnabled(false);
    {
        QDialog dialog(&host);
        auto* field = new QLineEdit(&dialog);
        dialog.show();
        QApplication::setActiveWindow(&dialog);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        field->setFocus();
    }
    QApplication::setActiveWindow(&host);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&host));
    EXPECT_EQ(QApplication::focusWidget(), panel->DocNo);
    EXPECT_EQ(leaves, 0);
    EXPECT_FALSE(panel->BtSearch->isEnabled());

    other->setFocus();
    EXPECT_EQ(leaves, 1);
    other->clearFocus();
    other->setFocus();
    EXPECT_EQ(leaves, 1);
}

TEST_F(FaGetDocNoTest, BoundFieldWritesAndShowsTheRowsColumn) {
    db::DataSet header;
    header.load(
        db::ResultSet({db::Column{QStringLiteral("Id"), db::FieldType::Integer},
                       db::Column{QStringLiteral("OrderNo"), db::FieldType::String, 15}},
                      {{1, QStringLiteral("No0000000001")}, {2, QStringLiteral("No0000000002")}}));
    panel->bind(&header, 1, QStringLiteral("orderno"));
    EXPECT_EQ(panel->text(), QStringLiteral("No0000000002"));
    EXPECT_EQ(panel->DocNo->maxLength(), 15);

    panel->DocNo->setFocus();
    panel->DocNo->clear();
    QTest::keyClicks(panel->DocNo, QStringLiteral("no7"));
    EXPECT_EQ(header.value(1, QStringLiteral("OrderNo")).toString(), QStringLiteral("NO7"));
    EXPECT_EQ(header.rowState(1), db::DataSet::RowState::Modified);
    EXPECT_EQ(header.value(0, QStringLiteral("OrderNo")).toString(),
              QStringLiteral("No0000000001"));

    header.setValue(1, QStringLiteral("OrderNo"), QStringLiteral("No0000000009"));
    EXPECT_EQ(panel->text(), QStringLiteral("No0000000009"));
    header.setValue(0, QStringLiteral("OrderNo"), QStringLiteral("X"));
    EXPECT_EQ(panel->text(), QStringLiteral("No0000000009"));
    panel->setText(QStringLiteral("No0000000010"));
    EXPECT_EQ(header.value(1, QStringLiteral("OrderNo")).toString(),
              QStringLiteral("No0000000010"));

    header.clear();  // the row is gone: an empty field, and typing writes nowhere
    EXPECT_TRUE(panel->text().isEmpty());
    QTest::keyClicks(panel->DocNo, QStringLiteral("A"));
    panel->unbind();
    EXPECT_EQ(panel->text(), QStringLiteral("A"));
}

}  // namespace
