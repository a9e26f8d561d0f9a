#pragma once
// The distribution centre NWX with the transfer tables of sql/, and the transfer-document
// screen on it. Vehicles (group CARNO):
//   C01: trip TC0001 closed (box BX05), then trip TC0002 closed with BX01 (two lines of
//        branch 0001's note), BX02 (lines of 0001 and 0002), BX03 (0002) and BX04 (coming in
//        from 0002, not counted);
//   C02: trip TC0003 closed, then trip TC0004 still open;
//   C03: no trip.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <tuple>
#include <vector>

#include "data/Messages.h"
#include "lookup/Fr_Search.h"
#include "tests/common/client_fixture.h"
#include "transfer_documents/Fr_PrintTransferCar.h"
#include "ui/DBGrid.h"

namespace testing_support {

class TransferCarTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"), QDate::currentDate().year());
        server.runScript(QStringLiteral("NWX"), QStringLiteral("company/transfer_tables.sql"));
        db()->execute(QStringLiteral(R"(
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C01', 'รถ 6 ล้อ สายเหนือ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C02', 'รถ 4 ล้อ กรุงเทพฯ')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('CARNO', 'C03', 'รถ 10 ล้อ ขอนแก่น')
INSERT INTO Misc (GroupCode, Code, Description) VALUES ('DIVISION', 'C09', 'รถ ไม่ใช่รหัสรถ')
INSERT INTO Branch (BranchCode, BranchName) VALUES ('0002', 'สาขา 0002 บางนา')
INSERT INTO Branch (BranchCode, BranchName) VALUES ('0001', 'สาขา 0001 ลาดพร้าว')
INSERT INTO TranBranchHd (DocNo, TranType, Branch) VALUES ('TO01', 'O', 2)
INSERT INTO TranBranchHd (DocNo, TranType, Branch) VALUES ('TO02', 'O', 1)
INSERT INTO TranBranchHd (DocNo, TranType, Branch) VALUES ('TI01', 'I', 1)
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX01')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX01')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX02')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX02')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (1, 'BX03')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (3, 'BX04')
INSERT INTO TranBranchDt (TranBranchHd, BoxNo) VALUES (2, 'BX05')
INSERT INTO TransferCarHd (DocNo, CarNo, Closed) VALUES ('TC0001', 'C01', 'Y')
INSERT INTO TransferCarHd (DocNo, CarNo, Closed) VALUES ('TC0002', 'C01', 'Y')
INSERT INTO TransferCarHd (DocNo, CarNo, Closed) VALUES ('TC0003', 'C02', 'Y')
INSERT INTO TransferCarHd (DocNo, CarNo, Closed) VALUES ('TC0004', 'C02', 'N')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (1, 'BX05')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX01')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX02')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX03')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (2, 'BX04')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (3, 'BX01')
INSERT INTO TransferCarDt (TransferCarHd, BoxNo) VALUES (4, 'BX03')
)"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        modules.config.GetCompanyConfig(QStringLiteral("NWX"));
        modules.config.UserId = 1;
        modules.config.MenuId = 1014;
        modules.config.ThaiLanguage = true;
        TFrSearch::ResetSortState();
    }

    std::unique_ptr<db::Connection> db() { return server.connect(QStringLiteral("NWX")); }

    // The screen, shown and active, printing into `printed`.
    void openScreen(bool withPrintHandler = true) {
        screen = std::make_unique<TFrPrintTransferCar>();
        if (withPrintHandler)
            screen->setPrintHandler([this](const QString& docNo, int year, const QString& code) {
                printed.emplace_back(docNo, year, code);
            });
        screen->show();
        QApplication::setActiveWindow(screen.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(screen.get()));
    }

    // Types a vehicle code into the field and leaves it with Enter, as the user does.
    void load(const QString& carNo) {
        QLineEdit* field = screen->CarNo;
        ASSERT_TRUE(field->hasFocus());
        field->selectAll();
        if (carNo.isEmpty())
            QTest::keyClick(field, Qt::Key_Delete);
        else
            QTest::keyClicks(field, carNo);
        QTest::keyClick(field, Qt::Key_Return);
    }

    // The box list as "BranchCode BranchName=CountBoxNO" lines.
    QStringList boxList() const {
        QStringList out;
        const db::DataSet& q = screen->QBranchBox;
        for (int r = 0; r < q.rowCount(); ++r)
            out << q.value(r, QStringLiteral("BranchCode")).toString() + u' ' +
                       q.value(r, QStringLiteral("BranchName")).toString() + u'=' +
                       q.value(r, QStringLiteral("CountBoxNO")).toString();
        return out;
    }

    ClientServer server;
    DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    std::unique_ptr<TFrPrintTransferCar> screen;
    std::vector<std::tuple<QString, int, QString>> printed;
};

}  // namespace testing_support
