// Document numbering on a company database built from sql/company.
#include <gtest/gtest.h>

#include "data/DocumentNumbering.h"
#include "data/Messages.h"
#include "db/connection.h"
#include "db/connection_params.h"
#include "tests/common/temp_server.h"

namespace {

const QString kNotFound = QStringLiteral("ไม่พบรหัสเอกสาร ");

class DocumentNumberingTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.createDatabase("Company",
                              {"company/common_tables.sql", "company/common_procedures.sql"});
        conn.setParams(db::connectionParameterList(QStringLiteral("Company"),
                                                   QString::fromStdString(server.dir()), 60));
        conn.execute(QStringLiteral("UPDATE Config SET RunYear = 2024 WHERE Id = 1"));
    }

    int addSeries(const QString& code, int year, const QString& prefix, int lastNo, int length,
                  const QString& autoRun) {
        conn.execute(QStringLiteral("INSERT INTO DocumentNo (Code, DocYear, Description, Prefix,"
                                    " LastNo, DocumentLength, AutoRun, DocType, UserCanModify)"
                                    " VALUES (:Code, :Year, 'D', :Prefix, :LastNo, :Length,"
                                    " :AutoRun, 'I', 'Y')"),
                     {{QStringLiteral("Code"), code},
                      {QStringLiteral("Year"), year},
                      {QStringLiteral("Prefix"), prefix},
                      {QStringLiteral("LastNo"), lastNo},
                      {QStringLiteral("Length"), length},
                      {QStringLiteral("AutoRun"), autoRun}});
        return conn
            .query(QStringLiteral("SELECT Id FROM DocumentNo WHERE Code = :Code"
                                  " AND DocYear = :Year"),
                   {{QStringLiteral("Code"), code}, {QStringLiteral("Year"), year}})
            .value(0, 0)
            .toInt();
    }

    void redirect(const QString& code, int year, int seriesId) {
        conn.execute(QStringLiteral("INSERT INTO DocNoConvert (Code, DocYear, DocumentNo)"
                                    " VALUES (:Code, :Year, :Id)"),
                     {{QStringLiteral("Code"), code},
                      {QStringLiteral("Year"), year},
                      {QStringLiteral("Id"), seriesId}});
    }

    int lastNo(const QString& code, int year) {
        return conn
            .query(QStringLiteral("SELECT LastNo FROM DocumentNo WHERE Code = :Code"
                                  " AND DocYear = :Year"),
                   {{QStringLiteral("Code"), code}, {QStringLiteral("Year"), year}})
            .value(0, 0)
            .toInt();
    }

    testsupport::TempServer server;
    db::Connection conn{QStringLiteral("DMDATA")};
    RecordingMessageService messages;
    ScopedMessageService scoped{messages};
    SettingsRow config{conn};
    DocumentNumbering numbering{conn, config};
};

TEST_F(DocumentNumberingTest, LooksUpTheSeriesOfTheRunningYear) {
    addSeries(QStringLiteral("ORD-BRANCH"), 2024, QStringLiteral("No"), 0, 12, QStringLiteral("Y"));
    addSeries(QStringLiteral("ORD-BRANCH"), 2023, QStringLiteral("No"), 0, 9, QStringLiteral("N"));
    addSeries(QStringLiteral("PICKORDER"), 2024, QStringLiteral("PK"), 0, 10, QStringLiteral("N"));

    EXPECT_FALSE(numbering.DocAutoRun());
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("ORD-BRANCH")), 12);
    EXPECT_TRUE(numbering.DocAutoRun());
    EXPECT_EQ(config.runYear(), 2024);
    ASSERT_EQ(numbering.documentNo().rowCount(), 1);
    EXPECT_EQ(numbering.documentNo().value(0, QStringLiteral("Code")).toString(), "ORD-BRANCH");
    EXPECT_TRUE(numbering.docConvert().isEmpty());

    // A series the user numbers: AutoRun other than "Y".
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("PICKORDER")), 10);
    EXPECT_FALSE(numbering.DocAutoRun());
    EXPECT_TRUE(messages.messages().isEmpty());

    // The settings row is read once; a reopen (as after a connect) sees a new RunYear.
    conn.execute(QStringLiteral("UPDATE Config SET RunYear = 2023 WHERE Id = 1"));
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("ORD-BRANCH")), 12);
    config.reopen();
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("ORD-BRANCH")), 9);
    EXPECT_FALSE(numbering.DocAutoRun());
}

TEST_F(DocumentNumberingTest, MissingSeriesIsReportedAndNumberingIsManual) {
    addSeries(QStringLiteral("ORD-BRANCH"), 2024, QStringLiteral("No"), 0, 12, QStringLiteral("Y"));
    addSeries(QStringLiteral("PICKORDER"), 2023, QStringLiteral("PK"), 0, 10, QStringLiteral("Y"));
    ASSERT_EQ(numbering.GetDocumentLength(QStringLiteral("ORD-BRANCH")), 12);
    ASSERT_TRUE(numbering.DocAutoRun());

    // Only another year's series: not found for the running year.
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("PICKORDER")), 0);
    EXPECT_FALSE(numbering.DocAutoRun());
    EXPECT_EQ(messages.messages(), QStringList{kNotFound + "PICKORDER\rปี 2024"});

    // Without the settings row the year is 0.
    conn.execute(QStringLiteral("DELETE FROM Config"));
    config.reopen();
    numbering.setDocAutoRun(true);
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("ORD-BRANCH")), 0);
    EXPECT_FALSE(numbering.DocAutoRun());
    EXPECT_EQ(messages.messages().last(), kNotFound + "ORD-BRANCH\rปี 0");
}

TEST_F(DocumentNumberingTest, RedirectedCodeKeepsDocAutoRunAndDrawsFromTheOtherSeries) {
    const int shared =
        addSeries(QStringLiteral("SHARED"), 2024, QStringLiteral("SH"), 41, 8, QStringLiteral("Y"));
    addSeries(QStringLiteral("PICKORDER"), 2024, QStringLiteral("PK"), 0, 10, QStringLiteral("N"));
    redirect(QStringLiteral("PICKORDER"), 2024, shared);

    // Right after start-up: still manual although the target numbers automatically.
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("PICKORDER")), 8);
    EXPECT_FALSE(numbering.DocAutoRun());
    ASSERT_EQ(numbering.docConvert().rowCount(), 1);
    EXPECT_EQ(numbering.docConvert().value(0, QStringLiteral("Id")).toInt(), shared);
    // And left true when it was true.
    numbering.setDocAutoRun(true);
    EXPECT_EQ(numbering.GetDocumentLength(QStringLiteral("PICKORDER")), 8);
    EXPECT_TRUE(numbering.DocAutoRun());
    EXPECT_TRUE(messages.messages().isEmpty());

    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("PICKORDER"), QDate(2024, 3, 1)), "SH000042");
    EXPECT_EQ(lastNo(QStringLiteral("SHARED"), 2024), 42);
    EXPECT_EQ(lastNo(QStringLiteral("PICKORDER"), 2024), 0);
}

TEST_F(DocumentNumberingTest, DrawsNumbersInSequencePerYearOfTheDate) {
    addSeries(QStringLiteral("ORD-BRANCH"), 2024, QStringLiteral("No"), 0, 12, QStringLiteral("Y"));
    addSeries(QStringLiteral("ORD-BRANCH"), 2025, QStringLiteral("No"), 999999, 12,
              QStringLiteral("Y"));

    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2024, 1, 1)),
              "No0000000001");
    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2024, 12, 31)),
              "No0000000002");
    // A date outside RunYear draws from its own year's series; after 999999 the counter is 1.
    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2025, 1, 1)),
              "No0000000001");
    EXPECT_EQ(lastNo(QStringLiteral("ORD-BRANCH"), 2024), 2);
    EXPECT_EQ(lastNo(QStringLiteral("ORD-BRANCH"), 2025), 1);

    // No series for the year: the server's error reaches the caller.
    EXPECT_THROW(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2026, 1, 1)),
                 db::DatabaseError);
    EXPECT_EQ(lastNo(QStringLiteral("ORD-BRANCH"), 2024), 2);
}

TEST_F(DocumentNumberingTest, AProcedureThatGivesNoNumberFailsTheDraw) {
    // An installed procedure that answers without a number and without an error.
    conn.execute(
        QStringLiteral("ALTER PROCEDURE NewDocumentNo @DocCode varchar(20),"
                       " @DocYear int, @NewNo varchar(50) OUTPUT AS"
                       " BEGIN SET @NewNo = NULL RETURN 0 END"));
    try {
        numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2024, 1, 1));
        FAIL() << "an empty number was handed out";
    } catch (const db::DatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("gave no number"))) << e.what();
    }
}

TEST_F(DocumentNumberingTest, NumberDrawnInARolledBackTransactionGoesBack) {
    addSeries(QStringLiteral("ORD-BRANCH"), 2024, QStringLiteral("No"), 5, 12, QStringLiteral("Y"));

    conn.startTransaction();
    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2024, 6, 1)),
              "No0000000006");
    EXPECT_TRUE(conn.inTransaction());
    conn.rollback();
    EXPECT_EQ(lastNo(QStringLiteral("ORD-BRANCH"), 2024), 5);

    conn.startTransaction();
    EXPECT_EQ(numbering.GetNewDocNo(QStringLiteral("ORD-BRANCH"), QDate(2024, 6, 1)),
              "No0000000006");
    conn.commit();
    EXPECT_EQ(lastNo(QStringLiteral("ORD-BRANCH"), 2024), 6);
}

}  // namespace
