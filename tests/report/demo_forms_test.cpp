// The demo templates against a fresh demo server, with a stand-in for the application's
// functions: every template prepares, and its PDF reads back with the document's data.
#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "db/connection.h"
#include "db/connection_params.h"
#include "tests/report/report_support.h"
#include "ui/report/Render.h"

namespace {

class DemoForms : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        QProcess p;
        p.setWorkingDirectory(dir_->path());
        p.start(MAKE_DEMO_SERVER_PATH, {"--no-server-dat", "server"});
        ASSERT_TRUE(p.waitForFinished(300000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }

    std::unique_ptr<db::Connection> connect(const QString& database) {
        auto c = std::make_unique<db::Connection>("DMDATA");
        c->setParams(db::connectionParameterList(database, dir_->filePath("server"), 60));
        return c;
    }

    // Calls of the application's functions show as NAME(arguments), so the test sees what
    // the template passed.
    static report::UserFunctionHandler standIn(QStringList* calls) {
        return [calls](const QString& name, int count,
                       const report::ArgumentEvaluator& arg) -> std::optional<QVariant> {
            QStringList args;
            for (int i = 0; i < count; ++i) args << report::displayText(arg(i), "0.00");
            const QString call = name.toUpper() + "(" + args.join(";") + ")";
            *calls << call;
            return call;
        };
    }

    QString render(report::Report& r, const QString& name) {
        const QString out = QString(REPORT_OUTPUT_DIR "/%1.pdf").arg(name);
        QDir().mkpath(REPORT_OUTPUT_DIR);
        report::writePdf(r.prepare(), out);
        QProcess p;
        p.start("pdftotext", {"-layout", out, "-"});
        p.waitForFinished(30000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    static QTemporaryDir* dir_;
};
QTemporaryDir* DemoForms::dir_ = nullptr;

TEST_F(DemoForms, LayoutsAreRegisteredForTheirFormCodes) {
    auto c = connect("NWX");
    const db::ResultSet rs = c->query(
        "Select FormOrderNo,FormCode,FormDesc,FrfName,SpName,DocCode,DocParaName, ShowPrintPreview "
        "From  SystemForm Where LTrim(RTrim(FormCode))=LTrim(RTrim(:PrintCode)) Order By "
        "FormOrderNo",
        {{"PrintCode", "CARTRANNO "}});
    ASSERT_EQ(rs.rowCount(), 2);
    EXPECT_EQ(rs.value(0, "ShowPrintPreview").toString(), "Y");
    EXPECT_EQ(rs.value(1, "ShowPrintPreview").toString(), "N");
    // Stored with Windows separators, found here.
    const QString stored = rs.value(0, "FrfName").toString();
    EXPECT_EQ(stored, "forms\\TransferByCar.frf");
    const QString path = report::normalizeTemplatePath(QString(REPORT_DEMO_DIR "/..\\") + stored);
    EXPECT_NO_THROW(report::readTemplateFile(path));
    EXPECT_EQ(connect("BR0001")
                  ->query("SELECT COUNT(*) FROM SystemForm WHERE FormCode = "
                          "'ORD-BRANCH'")
                  .value(0, 0)
                  .toInt(),
              1);
}

TEST_F(DemoForms, BranchOrderPrintsLinesTotalsWordsAndPacks) {
    auto c = connect("BR0001");
    const QString orderNo =
        c->query("SELECT TOP 1 OrderNO FROM OrderBranch WHERE OrderQnty > 0 ORDER BY OrderNO")
            .value(0, 0)
            .toString()
            .trimmed();
    ASSERT_FALSE(orderNo.isEmpty());
    const db::ResultSet expected = c->query(
        "SELECT Count(*), Sum(O.OrderQnty * Coalesce((SELECT Pp.Price FROM ProductPrice Pp "
        "WHERE Pp.ProductUnits = O.ProductUnits AND Pp.PriceType = (SELECT M.Id FROM Misc M "
        "WHERE M.GroupCode = 'PRICETYPE' AND M.Code = '0')), 0)) FROM OrderBranch O "
        "WHERE O.OrderNO = :No AND O.OrderQnty <> 0",
        {{"No", orderNo}});
    QStringList calls;
    report::Report r(c.get());
    r.loadFromFile(REPORT_DEMO_DIR "/BranchOrder.frf");
    r.setVariable("DocNo", "'" + orderNo + "'");
    r.setVariable("UserCode", "'SOMSRI'");
    r.setUserFunctionHandler(standIn(&calls));
    const QString text = render(r, "BranchOrder");
    EXPECT_TRUE(text.contains("Order no. " + orderNo)) << text.toStdString();
    EXPECT_TRUE(text.contains("Printed by SOMSRI"));
    const int lines = expected.value(0, 0).toInt();
    const QString total = report::displayText(expected.value(0, 1), "#,##0.00");
    EXPECT_TRUE(text.contains(QString("Total (%1").arg(lines))) << text.toStdString();
    EXPECT_TRUE(text.contains(total)) << total.toStdString();
    const QString words = report::displayText(expected.value(0, 1), "0.00");
    EXPECT_TRUE(calls.contains("TELL_REAL_THAI(" + words + ";2.00)"))
        << calls.join(" ").toStdString();
    EXPECT_TRUE(calls.contains("TELL_REAL_ENG(" + words + ";2.00)"));
    EXPECT_EQ(calls.filter("ONHANDQUANTITY(").size(), lines);
}

TEST_F(DemoForms, TransferDocumentListsBranchesAndBoxes) {
    auto c = connect("NWX");
    report::Report r(c.get());
    r.loadFromFile(REPORT_DEMO_DIR "/TransferByCar.frf");
    r.setVariable("DocNo", "'TC26-00001'");
    const QString text = render(r, "TransferByCar");
    EXPECT_TRUE(text.contains("Doc no. TC26-00001")) << text.toStdString();
    EXPECT_TRUE(text.contains("C01"));
    EXPECT_TRUE(text.contains("Box BX2600005"));
    EXPECT_TRUE(text.contains(QRegularExpression("Total branches\\s+5 "))) << text.toStdString();
}

TEST_F(DemoForms, TransferSummaryCountsASharedBoxForEachBranch) {
    auto c = connect("NWX");
    report::Report r(c.get());
    r.loadFromFile(REPORT_DEMO_DIR "/TransferByCarSummary.frf");
    r.setVariable("DocNo", "'TC26-00004'");
    const QString text = render(r, "TransferByCarSummary");
    EXPECT_TRUE(text.contains("Doc no. TC26-00004")) << text.toStdString();
    // BX2600014 goes to both branches: 3 boxes for 0001, 2 for 0002. (pdftotext drops some
    // Thai marks, so the names are matched loosely.)
    EXPECT_TRUE(text.contains(QRegularExpression("0001\\s+สาขา 0001 \\S+\\s+3\\s")))
        << text.toStdString();
    EXPECT_TRUE(text.contains(QRegularExpression("0002\\s+สาขา 0002 \\S+\\s+2\\s")));
    EXPECT_TRUE(text.contains(QRegularExpression("รวม 2 สาขา")));
    EXPECT_FALSE(text.contains("BX2600015")) << "the returned box is not listed";
}

TEST_F(DemoForms, JournalVoucherOfASalesInvoiceBalances) {
    auto c = connect("BR0001");
    const db::ResultSet iv = c->query("SELECT TOP 1 IvNo, Total FROM IvHd ORDER BY IvNo");
    ASSERT_EQ(iv.rowCount(), 1);
    QStringList calls;
    report::Report r(c.get());
    r.loadFromFile(REPORT_DEMO_DIR "\\Form_GLAuto.frf");
    r.setVariable("DocNo", "'" + iv.value(0, 0).toString().trimmed() + "'");
    r.setVariable("DocYear", "2026");
    r.setVariable("PrintCode", "'A-SALE'");
    r.setUserFunctionHandler(standIn(&calls));
    const QString text = render(r, "Form_GLAuto");
    const QString total = report::displayText(iv.value(0, 1), "#,##0.00");
    EXPECT_TRUE(text.contains("Journal A-SALE")) << text.toStdString();
    EXPECT_EQ(text.count(total), 3) << "receivable, total debit, total credit";
    EXPECT_EQ(calls.size(), 1);
    // Another journal type has no entries here: the voucher still prints, without words.
    r.setVariable("PrintCode", "'A-BANK'");
    calls.clear();
    EXPECT_TRUE(render(r, "Form_GLAuto-bank").contains("No entries"));
    EXPECT_TRUE(calls.isEmpty());
}

}  // namespace
