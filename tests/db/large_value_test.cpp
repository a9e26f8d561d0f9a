// Values of several megabytes through a connection on the embedded server: parameters and
// results unchanged, Thai text included, and the column of a max value says max.
#include <QByteArray>
#include <QString>

#include "test_server.h"

using namespace db;
using db::testing::ServerTest;

namespace {

QString thaiText(qsizetype atLeastChars) {
    const QString piece = QString::fromUtf8("ข้าวหอมมะลิ 5 kg. สินค้าขายหมด ");
    QString s;
    s.reserve(atLeastChars + piece.size() + 10);
    for (int i = 0; s.size() < atLeastChars; ++i) s += piece + QString::number(i);
    return s;
}

QByteArray allBytes(qsizetype n) {
    QByteArray b(n, '\0');
    for (qsizetype i = 0; i < n; ++i) b[i] = static_cast<char>((i * 7 + i / 256) & 0xFF);
    return b;
}

class LargeValueTest : public ServerTest {
protected:
    void SetUp() override {
        ServerTest::SetUp();
        conn.execute(
            "CREATE TABLE Doc (Id int NOT NULL, V varchar(max) NULL, W nvarchar(max) NULL,"
            " B varbinary(max) NULL)");
    }
    QVariant valueOf(const QString& sql) {
        ResultSet rs = conn.query(sql);
        EXPECT_EQ(rs.rowCount(), 1);
        return rs.rowCount() ? rs.value(0, 0) : QVariant();
    }
};

TEST_F(LargeValueTest, TextAndBytesOfSeveralMegabytesComeBackUnchanged) {
    const QString thai = thaiText(2 * 1000 * 1000);
    const QString ascii(5 * 1000 * 1000 + 1, u'x');
    const QByteArray bytes = allBytes(4 * 1000 * 1000 + 3);
    conn.execute("INSERT INTO Doc (Id, V, W, B) VALUES (1, :v, :w, :b)",
                 {{"v", ascii}, {"w", thai}, {"b", bytes}});

    ResultSet rs = conn.query("SELECT V, W, B, LEN(W), DATALENGTH(B) FROM Doc");
    ASSERT_EQ(rs.rowCount(), 1);
    EXPECT_TRUE(rs.value(0, 0).toString() == ascii);
    EXPECT_TRUE(rs.value(0, 1).toString() == thai);
    EXPECT_EQ(rs.value(0, 2).typeId(), QMetaType::QByteArray);
    EXPECT_TRUE(rs.value(0, 2).toByteArray() == bytes);
    EXPECT_EQ(rs.value(0, 3).toLongLong(), thai.size());
    EXPECT_EQ(rs.value(0, 4).toLongLong(), bytes.size());
    EXPECT_EQ(rs.columns()[0].size, -1);
    EXPECT_EQ(rs.columns()[1].size, -1);
}

TEST_F(LargeValueTest, CharactersOutsideTheBasicPlaneSurviveTheWayIn) {
    // The text is converted in pieces of 65,536 UTF-16 units: a surrogate pair that straddles
    // a piece's end stays one character, as does one at the very end.
    QString text(65535, u'ก');
    text += QString::fromUtf8("😀");  // units 65535 and 65536
    text += QString(70000, u'a');
    text += QString::fromUtf8("𝄞");
    conn.execute("INSERT INTO Doc (Id, W) VALUES (1, :w)", {{"w", text}});
    EXPECT_TRUE(valueOf("SELECT W FROM Doc").toString() == text);
    EXPECT_EQ(valueOf("SELECT SUBSTRING(W, 65536, 1) FROM Doc").toString(), QString::fromUtf8("😀"));
}

TEST_F(LargeValueTest, AStatementRunAgainTakesEachCallsValue) {
    // The connection keeps its statements and the texts they bound; a large one is let go after
    // its call, and the next call of the same statement must still bind its own value.
    const QString sql = QStringLiteral("INSERT INTO Doc (Id, W) VALUES (:id, :w)");
    const QString big = thaiText(500 * 1000);
    conn.execute(sql, {{"id", 1}, {"w", big}});
    conn.execute(sql, {{"id", 2}, {"w", big}});
    conn.execute(sql, {{"id", 3}, {"w", QStringLiteral("short")}});
    conn.execute(sql, {{"id", 4}, {"w", QStringLiteral("short")}});
    conn.execute(sql, {{"id", 5}, {"w", big}});
    ResultSet rs = conn.query("SELECT Id, W FROM Doc ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), 5);
    for (int row : {0, 1, 4}) EXPECT_TRUE(rs.value(row, 1).toString() == big) << row;
    for (int row : {2, 3}) EXPECT_EQ(rs.value(row, 1).toString(), QStringLiteral("short"));
}

TEST_F(LargeValueTest, RowsWithTheSameLongTextOneAfterAnotherEachReadTheirOwn) {
    // Equal short texts one below the other share one decoded value; long ones are decoded
    // each, and a long text that follows another must not take its place.
    const QString a = thaiText(300 * 1000);
    const QString b = a + QStringLiteral("!");
    int id = 0;
    for (const QString& w : {a, a, b, a})
        conn.execute("INSERT INTO Doc (Id, W) VALUES (:id, :w)", {{"id", ++id}, {"w", w}});
    ResultSet rs = conn.query("SELECT W FROM Doc ORDER BY Id");
    ASSERT_EQ(rs.rowCount(), 4);
    EXPECT_TRUE(rs.value(0, 0).toString() == a);
    EXPECT_TRUE(rs.value(1, 0).toString() == a);
    EXPECT_TRUE(rs.value(2, 0).toString() == b);
    EXPECT_TRUE(rs.value(3, 0).toString() == a);
}

TEST_F(LargeValueTest, WhatIsBuiltFromAMaxValueHasAMaxColumn) {
    conn.execute("INSERT INTO Doc (Id, V, W) VALUES (1, 'abc', N'กขค')");
    ResultSet rs =
        conn.query("SELECT V + 'yz' AS C, SUBSTRING(W, 2, 1) AS S, REPLICATE(V, 2) AS R FROM Doc");
    ASSERT_EQ(rs.columnCount(), 3);
    for (const Column& c : rs.columns()) EXPECT_EQ(c.size, -1) << c.name.toStdString();
    EXPECT_EQ(rs.value(0, 0).toString(), QStringLiteral("abcyz"));
    EXPECT_EQ(rs.value(0, 1).toString(), QString::fromUtf8("ข"));
    EXPECT_EQ(rs.value(0, 2).toString(), QStringLiteral("abcabc"));
}

}  // namespace
