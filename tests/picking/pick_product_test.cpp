// The pick screen on the offscreen platform: the branch page with its weekday ticks, the load
// of open lines and of stored picks, and Save with its status rule, sheets, lock and counts.
#include <QComboBox>
#include <QTemporaryDir>

#include "pick_fixture.h"
#include "ui/SpreadsheetExport.h"

namespace {

using testing_support::PickProductTest;

const char* const kDays[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};

QString today() {
    return QString::fromLatin1(kDays[QDate::currentDate().dayOfWeek() % 7]);
}

QString summary(const QString& pickNo, int branches, int total, int picked) {
    return QStringLiteral(
               "เลขที่ ConsoNo : %1\n\rจำนวนสาขาทั้งหมด : %2 รายการ\n\r"
               "จำนวนรายการทั้งหมด : %3 รายการ\n\rจำนวนรายการที่จัดได้ : %4 รายการ")
        .arg(pickNo)
        .arg(branches)
        .arg(total)
        .arg(picked);
}

TEST_F(PickProductTest, WeekdayTicksTheDaysBranchesAndThePickTitleClearsThem) {
    const int day = QDate::currentDate().dayOfWeek() % 7;
    const QString other = QString::fromLatin1(kDays[(day + 1) % 7]);
    db()->execute(QStringLiteral("INSERT INTO BranchPick (Days, BranchCode) VALUES (:D, '0041') "
                                 "INSERT INTO BranchPick (Days, BranchCode) VALUES (:D, '0029') "
                                 "INSERT INTO BranchPick (Days, BranchCode) VALUES (:D, 'X999') "
                                 "INSERT INTO BranchPick (Days, BranchCode) VALUES (:O, '0036')"),
                  {{QStringLiteral("D"), today()}, {QStringLiteral("O"), other}});
    openScreen();
    EXPECT_EQ(screen->DayBy->currentText(), today());
    EXPECT_EQ(branches(), (QStringList{"FROZEN", "0029", "0036", "0041"}))
        << "closed branches and the centre itself are never offered";
    EXPECT_EQ(ticked(), (QStringList{"0029", "0041"}));
    static const QStringList thaiDays{"จันทร์", "อังคาร", "พุธ", "พฤหัสบดี", "ศุกร์", "เสาร์", "อาทิตย์"};
    EXPECT_TRUE(screen->LDate->text().startsWith(
        QStringLiteral("วัน") + thaiDays.at(QDate::currentDate().dayOfWeek() - 1) + " ที่ "))
        << "the weekday is named in Thai whatever the locale: "
        << screen->LDate->text().toStdString();
    EXPECT_TRUE(screen->LDate->text().endsWith(QDate::currentDate().toString("dd/MM/yyyy")));
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->BSaveExcel->isVisibleTo(screen.get()));

    // Another day: the list is read again and that day's branches are ticked.
    const int index = screen->DayBy->findText(other);
    screen->DayBy->setCurrentIndex(index);
    emit screen->DayBy->activated(index);
    EXPECT_EQ(ticked(), (QStringList{"0036"}));

    tick(QStringLiteral("FROZEN"));
    tick(QStringLiteral("0029"));
    EXPECT_EQ(ticked(), (QStringList{"FROZEN", "0029", "0036"}));
    tick(QStringLiteral("0029"));
    EXPECT_EQ(ticked(), (QStringList{"FROZEN", "0036"}));

    QHeaderView* header = screen->DbGirdBranch->horizontalHeader();
    const int name = screen->DbGirdBranch->columnOf(QStringLiteral("BranchName"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(name) + 5, header->height() / 2));
    EXPECT_EQ(ticked(), (QStringList{"FROZEN", "0036"})) << "only the Pick title clears";
    const int pick = screen->DbGirdBranch->columnOf(QStringLiteral("Pick"));
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(pick) + 5, header->height() / 2));
    EXPECT_TRUE(ticked().isEmpty());
}

TEST_F(PickProductTest, BranchesPickedTodayAreNotOfferedAgain) {
    product(QStringLiteral("A1"));
    product(QStringLiteral("F1"), QStringLiteral("N"), true);
    line(QStringLiteral("0036"), QStringLiteral("A1"), QStringLiteral("P"), 1,
         QStringLiteral("PK0000000009"), 0);
    line(QStringLiteral("0029"), QStringLiteral("A1"), QStringLiteral("P"), 1,
         QStringLiteral("PK0000000008"), 1);
    line(QStringLiteral("0041"), QStringLiteral("F1"), QStringLiteral("P"), 1,
         QStringLiteral("PK0000000009"), 0);
    line(QStringLiteral("0041"), QStringLiteral("A1"));  // open, no pick number
    openScreen();
    // 0036's ordinary line was picked today; 0029's yesterday; 0041's frozen line today
    // removes FROZEN but not the branch.
    EXPECT_EQ(branches(), (QStringList{"0029", "0041"}));
}

TEST_F(PickProductTest, FrozenAloneLoadsTheFrozenLinesOfEveryCentralBranch) {
    product(QStringLiteral("A1"));
    product(QStringLiteral("F1"), QStringLiteral("N"), true);
    stock(QStringLiteral("A1"), 10, QStringLiteral("A"), QStringLiteral("A-01"));
    line(QStringLiteral("0029"), QStringLiteral("F1"));
    line(QStringLiteral("0041"), QStringLiteral("F1"), QStringLiteral("A"));
    line(QStringLiteral("0036"), QStringLiteral("F1"));  // North: an ordinary line there
    line(QStringLiteral("0029"), QStringLiteral("A1"));
    openScreen();
    tick(QStringLiteral("FROZEN"));
    load();
    EXPECT_EQ(lastMessage(), QStringLiteral("Load เรียบร้อยแล้ว"));
    EXPECT_EQ(column(QStringLiteral("BranchCode")), (QStringList{"0029", "0041"}));
    EXPECT_EQ(column(QStringLiteral("ResponsProdGroup")), (QStringList{"D_GROUP", "D_GROUP"}));
    EXPECT_TRUE(screen->NewPick);
    EXPECT_TRUE(screen->AcSave->isEnabled());
    EXPECT_FALSE(screen->AcSaveExcel->isEnabled()) << "a new pick is not exported";
    EXPECT_FALSE(screen->FaGetDocNo1->DocNo->isEnabled());
}

TEST_F(PickProductTest, NothingTickedLoadsNothingAndAManualSeriesNeedsANumber) {
    product(QStringLiteral("A1"));
    line(QStringLiteral("0029"), QStringLiteral("A1"));
    openScreen();
    screen->DbGirdBranchTitleClick(QStringLiteral("Pick"));
    load();
    EXPECT_EQ(screen->QTranBranch.rowCount(), 0);
    EXPECT_FALSE(screen->NewPick);
    EXPECT_TRUE(screen->AcSaveExcel->isEnabled());
    EXPECT_EQ(lastMessage(), QStringLiteral("Load เรียบร้อยแล้ว"));

    db()->execute(QStringLiteral("UPDATE DocumentNo SET AutoRun = 'N' WHERE Code = 'PICKORDER'"));
    screen.reset();
    openScreen();
    messages.clear();
    load();
    EXPECT_EQ(messages.messages(), QStringList{QStringLiteral("จะต้องป้อนเลขที่เอกสาร !")});
    EXPECT_TRUE(screen->FaGetDocNo1->DocNo->isEnabled());
    EXPECT_TRUE(screen->FaGetDocNo1->DocNo->hasFocus());
}

TEST_F(PickProductTest, StatusRuleDecidesEveryLine) {
    struct Case {
        const char* code;
        const char* negative;
        double stock;  // < 0: no stock row
        int backOrder;
        const char* status;
    };
    const Case cases[] = {
        {"O1", "N", 0, 0, "O"},   // no stock, may not go negative
        {"O2", "N", 5, 5, "O"},   // stock all promised to lines being picked
        {"P1", "N", 5, 0, "P"},   // stock
        {"P2", "Y", -1, 0, "P"},  // may be picked without stock
        {"P3", "X", 3, 0, "P"},   // neither Y nor N, with stock
        {"P4", "Y", 5, 6, "P"},   // promised beyond stock, but may go negative
        {"B1", "X", -1, 0, "B"},  // neither Y nor N, no stock row
        {"B2", "X", 0, 0, "B"},   // neither Y nor N, stock 0
    };
    QMap<QString, qlonglong> ids;
    for (const Case& c : cases) {
        const QString code = QString::fromLatin1(c.code);
        product(code, QString::fromLatin1(c.negative));
        if (c.stock >= 0) stock(code, c.stock, QStringLiteral("A"), QStringLiteral("A-01"));
        if (c.backOrder > 0)
            line(QStringLiteral("0041"), code, QStringLiteral("P"), c.backOrder,
                 QStringLiteral("PK0000000009"), 2);
        ids[code] = line(QStringLiteral("0029"), code);
    }
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    ASSERT_EQ(screen->QTranBranch.rowCount(), 8);
    messages.clear();
    save();
    const QString pickNo = QStringLiteral("PK0000000001");
    for (const Case& c : cases) {
        const qlonglong id = ids[QString::fromLatin1(c.code)];
        EXPECT_EQ(column(id, "CloseOrder"), QString::fromLatin1(c.status)) << c.code;
        EXPECT_EQ(column(id, "PickNo"), pickNo) << c.code;
        EXPECT_EQ(column(id, "UserPick"), QStringLiteral("7")) << c.code;
        EXPECT_EQ(column(id, "UpdateBranch"), QStringLiteral("N")) << c.code;
        EXPECT_EQ(column(id, "ResponsProdGroup"),
                  QString::fromLatin1(c.status) == u"P"
                      ? QString::fromLatin1(c.stock >= 0 ? "0029A#001" : "0029GROUP#001")
                      : QString())
            << c.code;
    }
    EXPECT_EQ(lastMessage(), summary(pickNo, 1, 8, 4));
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Config WHERE RunConsoFlag = 'N'")), 1);
    // Back on the branch page, ready for the next pick.
    EXPECT_EQ(screen->PageControl1->currentWidget(), screen->TabBranch);
    EXPECT_FALSE(screen->AcSave->isEnabled());
    EXPECT_TRUE(screen->AcNew->isEnabled());
    EXPECT_TRUE(screen->AcExit->isEnabled());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM ProductOnhandSendDayly")), 6);
}

TEST_F(PickProductTest, ALinePickedAtOneOfItsTwoLocationsStaysPicked) {
    product(QStringLiteral("A1"));
    stock(QStringLiteral("A1"), 10, QStringLiteral("A"), QStringLiteral("A-01"));
    stock(QStringLiteral("A1"), 0, QStringLiteral("B"), QStringLiteral("B-01"));
    const qlonglong id = line(QStringLiteral("0029"), QStringLiteral("A1"));
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    // One order line, a row per location.
    EXPECT_EQ(column(QStringLiteral("Id")),
              (QStringList{QString::number(id), QString::number(id)}));
    save();
    // The row at B-01 (no stock, later in sort order) does not turn the line out of stock.
    EXPECT_EQ(column(id, "CloseOrder"), QStringLiteral("P"));
    EXPECT_EQ(column(id, "ResponsProdGroup"), QStringLiteral("0029A#001"));
    EXPECT_FALSE(column(id, "ProductManageNo").isEmpty());
    EXPECT_EQ(lastMessage(), summary(QStringLiteral("PK0000000001"), 1, 1, 1));
}

TEST_F(PickProductTest, ALinePickedAtTwoLocationsTakesTheLaterRowsGroupAndSheet) {
    // C1's line comes first by key but last in sort order; A1 has stock at two locations.
    product(QStringLiteral("C1"));
    product(QStringLiteral("A1"));
    stock(QStringLiteral("C1"), 3, QStringLiteral("C"), QStringLiteral("C-01"));
    stock(QStringLiteral("A1"), 10, QStringLiteral("A"), QStringLiteral("A-01"));
    stock(QStringLiteral("A1"), 4, QStringLiteral("B"), QStringLiteral("B-01"));
    const qlonglong first = line(QStringLiteral("0029"), QStringLiteral("C1"));
    const qlonglong twice = line(QStringLiteral("0029"), QStringLiteral("A1"));
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    save();
    // Sort order A1@A-01, A1@B-01, C1@C-01: three groups, three sheet numbers in that order,
    // and the row at B-01 is the one that stays on A1's line.
    EXPECT_EQ(column(twice, "ResponsProdGroup"), QStringLiteral("0029B#001"));
    EXPECT_EQ(column(twice, "ProductManageNo"), QStringLiteral("PM00000002"));
    EXPECT_EQ(column(first, "ResponsProdGroup"), QStringLiteral("0029C#001"));
    EXPECT_EQ(column(first, "ProductManageNo"), QStringLiteral("PM00000003"));
    EXPECT_EQ(lastMessage(), summary(QStringLiteral("PK0000000001"), 1, 2, 2));
}

TEST_F(PickProductTest, ThirtyOneItemsOfAGroupTakeTwoNumberedSheets) {
    QList<qlonglong> ids;
    for (int i = 1; i <= 31; ++i) {
        const QString code = QStringLiteral("S%1").arg(i, 2, 10, QLatin1Char('0'));
        product(code);
        stock(code, 4, QStringLiteral("A"), QStringLiteral("A-01"));
        ids << line(QStringLiteral("0029"), code);
    }
    // A group name longer than ten characters is cut, and both zones fall into the cut group.
    product(QStringLiteral("L1"));
    product(QStringLiteral("L2"));
    stock(QStringLiteral("L1"), 4, QStringLiteral("LONGZONE01"), QStringLiteral("L-01"));
    stock(QStringLiteral("L2"), 4, QStringLiteral("LONGZONE02"), QStringLiteral("L-02"));
    const qlonglong long1 = line(QStringLiteral("0029"), QStringLiteral("L1"));
    const qlonglong long2 = line(QStringLiteral("0029"), QStringLiteral("L2"));
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    save();
    QStringList sheets;
    for (int i = 0; i < 31; ++i) {
        EXPECT_EQ(column(ids[i], "ResponsProdGroup"),
                  i < 30 ? QStringLiteral("0029A#001") : QStringLiteral("0029A#002"))
            << i;
        sheets << column(ids[i], "ProductManageNo");
    }
    EXPECT_EQ(sheets.first(), QStringLiteral("PM00000001"));
    EXPECT_EQ(sheets.count(sheets.first()), 30);
    EXPECT_EQ(sheets.last(), QStringLiteral("PM00000002"));
    EXPECT_EQ(column(long1, "ResponsProdGroup"), QStringLiteral("0029LONGZO#001"));
    EXPECT_EQ(column(long2, "ResponsProdGroup"), QStringLiteral("0029LONGZO#001"));
    EXPECT_EQ(column(long1, "ProductManageNo"), QStringLiteral("PM00000003"));
    EXPECT_EQ(column(long2, "ProductManageNo"), QStringLiteral("PM00000003"));
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'PRODUCTMANAGE' "
                                   "AND DocYear = YEAR(GETDATE())")),
              3);
}

TEST_F(PickProductTest, AStoredPickReloadsForExportAndSaveRewritesNothing) {
    product(QStringLiteral("A1"));
    product(QStringLiteral("A2"));
    stock(QStringLiteral("A1"), 7, QStringLiteral("A"), QStringLiteral("A-01"));
    line(QStringLiteral("0036"), QStringLiteral("A1"), QStringLiteral("P"), 2,
         QStringLiteral("PK0000000005"), 1);
    line(QStringLiteral("C001"), QStringLiteral("A2"), QStringLiteral("O"), 1,
         QStringLiteral("PK0000000005"), 1);
    line(QStringLiteral("0041"), QStringLiteral("A2"), QStringLiteral("T"), 1,
         QStringLiteral("PK0000000004"), 3);
    line(QStringLiteral("0029"), QStringLiteral("A1"));  // open
    const QString snapshot = QStringLiteral(
        "SELECT COUNT(*), SUM(LEN(COALESCE(PickNo, '') + COALESCE(CloseOrder, '') + "
        "COALESCE(ResponsProdGroup, '') + CONVERT(varchar(30), PickDate, 121))) FROM TranBranch");
    const db::ResultSet before = db()->query(snapshot);
    openScreen();
    tick(QStringLiteral("0029"));
    for (int run = 0; run < 2; ++run) {
        load(QStringLiteral("PK0000000005"));
        EXPECT_EQ(column(QStringLiteral("BranchCode")), (QStringList{"0036", "C001"}))
            << "the open lines of ticked branches come only with an empty number";
        EXPECT_FALSE(screen->NewPick);
        EXPECT_TRUE(screen->AcSaveExcel->isEnabled());
        EXPECT_TRUE(screen->BSaveExcel->isVisibleTo(screen.get()));
        EXPECT_TRUE(screen->LStatus->text().isEmpty());
        save();
        EXPECT_EQ(lastMessage(), summary(QStringLiteral("PK0000000005"), 2, 2, 1));
        const db::ResultSet after = db()->query(snapshot);
        EXPECT_EQ(after.value(0, 0), before.value(0, 0));
        EXPECT_EQ(after.value(0, 1), before.value(0, 1));
    }
    EXPECT_EQ(count(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = 'PICKORDER' AND "
                                   "DocYear = YEAR(GETDATE())")),
              0);

    load(QStringLiteral("PK0000000004"));
    EXPECT_EQ(screen->LStatus->text(), QStringLiteral("อยู่ระหว่างการจัดสินค้า"));
}

TEST_F(PickProductTest, ExportWritesTheGridOrNothingWhenCancelled) {
    product(QStringLiteral("A1"));
    line(QStringLiteral("0036"), QStringLiteral("A1"), QStringLiteral("P"), 2,
         QStringLiteral("PK0000000005"), 1);
    openScreen();
    load(QStringLiteral("PK0000000005"));
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("pick.xls"));
    ui::setSaveDialogHook(
        [](QWidget*, const QString&, const QString&, QString*) { return QString(); });
    messages.clear();
    screen->AcSaveExcel->trigger();
    EXPECT_TRUE(messages.messages().isEmpty());
    ui::setSaveDialogHook([&](QWidget*, const QString&, const QString&, QString*) { return file; });
    screen->AcSaveExcel->trigger();
    ui::setSaveDialogHook({});
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(lastMessage(), QStringLiteral("บันทึกเรียบเร้อยแล้ว\n\r") + file);
}

// Sets the lock for another workstation while the question is on screen: the flag was read
// free, and is taken before this workstation sets it.
class OvertakingWorkstation : public RecordingMessageService {
public:
    explicit OvertakingWorkstation(testing_support::ClientServer& server)
        : RecordingMessageService(true), server_(server) {}

protected:
    bool ask(const QString& question, const DialogColors& colors) override {
        server_.connect(QStringLiteral("NWX"))
            ->execute(QStringLiteral("UPDATE Config SET RunConsoFlag = 'Y'"));
        return RecordingMessageService::ask(question, colors);
    }

private:
    testing_support::ClientServer& server_;
};

TEST_F(PickProductTest, ALockHeldByAnotherWorkstationStopsTheRun) {
    product(QStringLiteral("A1"));
    stock(QStringLiteral("A1"), 5, QStringLiteral("A"), QStringLiteral("A-01"));
    const qlonglong id = line(QStringLiteral("0029"), QStringLiteral("A1"));
    const QString lock = QStringLiteral("ไม่สามารถรันโปรแกรมมากว่า 1 โปรแกรมได้");
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    db()->execute(QStringLiteral("UPDATE Config SET RunConsoFlag = 'Y'"));
    messages.clear();
    screen->AcSave->trigger();
    EXPECT_EQ(messages.messages(), QStringList{lock});
    EXPECT_TRUE(messages.questions().isEmpty());
    EXPECT_EQ(column(id, "CloseOrder"), QStringLiteral("N"));

    // Taken between the reading and the setting.
    db()->execute(QStringLiteral("UPDATE Config SET RunConsoFlag = 'N'"));
    OvertakingWorkstation other(server);
    {
        ScopedMessageService scope(other);
        screen->AcSave->trigger();
    }
    EXPECT_EQ(other.messages(), QStringList{lock});
    EXPECT_EQ(column(id, "CloseOrder"), QStringLiteral("N"));
    EXPECT_TRUE(column(id, "PickNo").isEmpty());
    EXPECT_EQ(count(QStringLiteral("SELECT COUNT(*) FROM Config WHERE RunConsoFlag = 'Y'")), 1)
        << "the lock stays with the workstation that took it";
}

TEST_F(PickProductTest, TheLockIsReleasedWhenTheRunEndsOnAnError) {
    product(QStringLiteral("A1"));
    stock(QStringLiteral("A1"), 5, QStringLiteral("A"), QStringLiteral("A-01"));
    const qlonglong id = line(QStringLiteral("0029"), QStringLiteral("A1"));
    const QString locked = QStringLiteral("SELECT COUNT(*) FROM Config WHERE RunConsoFlag = 'Y'");
    openScreen();

    // No pick number series: nothing is written.
    db()->execute(QStringLiteral("DELETE FROM DocumentNo WHERE Code = 'PICKORDER'"));
    tick(QStringLiteral("0029"));
    load();
    messages.queueAnswer(true);
    EXPECT_THROW(screen->AcSaveExecute(), db::DatabaseError);
    EXPECT_EQ(count(locked), 0);
    EXPECT_EQ(column(id, "CloseOrder"), QStringLiteral("N"));
    EXPECT_TRUE(screen->AcNew->isEnabled());
    EXPECT_TRUE(screen->AcExit->isEnabled());

    // The summary script fails after the pick was stored: the pick stays, the lock goes.
    server.runScript(QStringLiteral("NWX"), QStringLiteral("company/picking_tables.sql"));
    db()->execute(QStringLiteral("DROP TABLE ProductOnhandSendDayly"));
    tick(QStringLiteral("0029"));
    load();
    messages.queueAnswer(true);
    EXPECT_THROW(screen->AcSaveExecute(), db::DatabaseError);
    EXPECT_EQ(count(locked), 0);
    EXPECT_EQ(column(id, "CloseOrder"), QStringLiteral("P"));
    EXPECT_EQ(count(QStringLiteral("SELECT @@TRANCOUNT")), 0);
}

TEST_F(PickProductTest, AFailedLineIsReportedAfterTheWalkAndTheOtherLinesAreWritten) {
    product(QStringLiteral("A1"));
    product(QStringLiteral("A2"));
    stock(QStringLiteral("A1"), 5, QStringLiteral("A"), QStringLiteral("A-01"));
    const qlonglong picked = line(QStringLiteral("0029"), QStringLiteral("A1"));
    const qlonglong out = line(QStringLiteral("0029"), QStringLiteral("A2"));
    // Sheet numbers longer than the column: every picked-line update fails.
    db()->execute(
        QStringLiteral("UPDATE DocumentNo SET DocumentLength = 30 WHERE Code = 'PRODUCTMANAGE'"));
    openScreen();
    tick(QStringLiteral("0029"));
    load();
    messages.clear();
    save();
    EXPECT_EQ(messages.messages().value(0), QStringLiteral("Update Error #P กรุณายกเลิกแล้วสร้างใหม่"));
    EXPECT_EQ(column(picked, "CloseOrder"), QStringLiteral("N"));
    EXPECT_TRUE(column(picked, "PickNo").isEmpty());
    EXPECT_EQ(column(out, "CloseOrder"), QStringLiteral("O"));
    EXPECT_EQ(column(out, "PickNo"), QStringLiteral("PK0000000001"));
    EXPECT_EQ(lastMessage(), summary(QStringLiteral("PK0000000001"), 1, 1, 0));
}

}  // namespace
