#include "data/ErrorTranslation.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "db/database_error.h"

namespace {

QString u8(const char* text) {
    return QString::fromUtf8(text);
}

struct Case {
    const char* message;  // as the server, the driver or the runtime writes it
    const char* shown;    // the explanation in front of it
};

TEST(ErrorTranslation, ExplainsEveryKnownMessage) {
    const Case cases[] = {
        {"'31/02/2024' is not a valid date", "ป้อนวันที่ไม่ถูกต้อง"},
        {"Cannot insert the value NULL into column 'Transportation', table 'db.dbo.DocHd'; "
         "column does not allow nulls. INSERT fails.",
         "ไม่ได้ป้อนข้อมูลการขนส่ง"},
        {"Cannot insert the value NULL into column 'Price', table 'db.dbo.T'; column does not "
         "allow nulls. INSERT fails.",
         "กำหนดราคาไม่ครบถ้วน"},
        {"Cannot insert the value NULL into column 'Warehouse', table 'db.dbo.DocDt'; column "
         "does not allow nulls. UPDATE fails.",
         "ไม่ได้ป้อนข้อมูลคลัง"},
        {"Cannot insert the value NULL into column 'Customer', table 'db.dbo.SaleHd'; column "
         "does not allow nulls. INSERT fails.",
         "ไม่ได้ป้อนข้อมูลลูกค้า"},
        {"Cannot insert the value NULL into column 'Vendor', table 'db.dbo.PoHd'; column does "
         "not allow nulls. INSERT fails.",
         "ไม่ได้ป้อนข้อมูลเจ้าหนี้"},
        {"Cannot insert the value NULL into column 'Fraction', table 'db.dbo.ProductUnits'; "
         "column does not allow nulls. INSERT fails.",
         "ไม่ได้ป้อนข้อมูลหน่วย หรือ ข้อมูลหน่วยผิดพลาด"},
        {"Cannot insert the value NULL into column 'Salesman', table 'db.dbo.SaleHd'; column "
         "does not allow nulls. INSERT fails.",
         "ไม่ได้ป้อนข้อมูลพนักงานขาย"},
        {"Possible network error: Unable to connect to server SRV01. Connection refused.",
         "ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้"},
        {"DELETE statement conflicted with COLUMN REFERENCE constraint 'FK_OrderBranch_Branch'. "
         "The conflict occurred in database 'db', table 'OrderBranch', column 'BranchCode'.",
         "ข้อมูลที่ลบถูกอ้างโดยข้อมูลอื่น ไม่สามารถลบข้อมูลนี้ได้"},
        {"Printer selected is not valid.", "ยังไม่ได้กำหนดเครื่องพิมพ์ หรือ เครื่องพิมพ์มีปัญหา"},
        {"Insufficient memory for this operation.", "Memory หน่วยความจำของเครื่องไม่เพียงพอ"},
        {"[Microsoft][ODBC SQL Server Driver]SQL Server connection timed out",
         "เครื่องแม่ข่ายตัดการติดต่อ เพราะเครื่องนี้อาจเรียกข้อมูลปริมาณมากเกินไป"},
        {"Cannot insert duplicate key row in object 'dbo.DocumentNo' with unique index "
         "'IX_DocumentNo'.",
         "ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว"},
        {"Violation of PRIMARY KEY constraint 'PK_OrderBranch'. Cannot insert duplicate key in "
         "object 'dbo.OrderBranch'.",
         "ข้อมูลที่เพิ่มซ้ำกับข้อมูลที่มีอยู่แล้ว"},
    };
    for (const Case& c : cases) {
        const QString message = u8(c.message);
        EXPECT_EQ(errorTranslation(message), u8(c.shown)) << c.message;
        EXPECT_EQ(errorReportText(message), u8(c.shown) + "\r" + asciiUpperCase(message) + "\r")
            << c.message;
    }
    EXPECT_EQ(errorTranslationTable().size(), std::size(cases) - 1);
}

TEST(ErrorTranslation, ExplainsTheDatabaseLayersOwnErrors) {
    const db::DatabaseError refused =
        db::DatabaseError::connectionFailure("SRV01", "Connection refused.");
    EXPECT_EQ(errorTranslation(refused.message()),
              u8("ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้"));
    const db::DatabaseError timedOut = db::DatabaseError::timeout("Query timeout expired");
    EXPECT_EQ(errorTranslation(timedOut.message()),
              u8("เครื่องแม่ข่ายตัดการติดต่อ เพราะเครื่องนี้อาจเรียกข้อมูลปริมาณมากเกินไป"));
}

TEST(ErrorTranslation, MatchesAnyCaseAndStopsAtFirstRow) {
    EXPECT_EQ(errorTranslation("'32/01/2024' IS NOT A VALID DATE"), u8("ป้อนวันที่ไม่ถูกต้อง"));
    EXPECT_EQ(errorTranslation("'x' Is Not A vALID dAtE"), u8("ป้อนวันที่ไม่ถูกต้อง"));
    EXPECT_EQ(errorTranslation("cannot insert the value null into column 'price', table 't'"),
              u8("กำหนดราคาไม่ครบถ้วน"));
    // Both the network words and the duplicate-key words: the earlier row wins.
    EXPECT_EQ(errorTranslation("Cannot insert duplicate key row in object 'dbo.T'. Possible "
                               "network error: Unable to connect to server SRV01."),
              u8("ระบบเครือข่าย หรือ คอมพิวเตอร์แม่ข่ายมีปัญหา ติดต่อเครื่องแม่ข่ายไม่ได้"));
    // A date that is not valid while writing a NULL price: row 1 comes before row 3.
    EXPECT_EQ(errorTranslation("Cannot insert the value NULL into column 'Price'; '' is not a "
                               "valid date"),
              u8("ป้อนวันที่ไม่ถูกต้อง"));
}

TEST(ErrorTranslation, NeedsTheWholeFragment) {
    // Another column, or the column name only in part, is no known message.
    for (const char* message :
         {"Cannot insert the value NULL into column 'DocNo', table 'db.dbo.T'; column does not "
          "allow nulls. INSERT fails.",
          "Cannot insert the value NULL into column 'PriceList', table 'db.dbo.T'; column does "
          "not allow nulls. INSERT fails.",
          "Cannot insert the value NULL into column Price", "Query timeout expired",
          "The DELETE statement conflicted with the REFERENCE constraint 'FK_T_U'.",
          "Cannot insert explicit value for identity column in table 'T'."})
        EXPECT_EQ(errorTranslation(u8(message)), "") << message;
}

TEST(ErrorReportText, UnknownMessageIsShownInUpperCaseBetweenCarriageReturns) {
    EXPECT_EQ(errorReportText("Invalid object name 'OrderBranch'."),
              "\rINVALID OBJECT NAME 'ORDERBRANCH'.\r");
    EXPECT_EQ(errorReportText(""), "\r\r");
    // Only ASCII letters change case; Thai and other letters stay as written.
    EXPECT_EQ(errorReportText(u8("ไม่พบสาขา b01 café ß")), u8("\rไม่พบสาขา B01 CAFé ß\r"));
}

TEST(ErrorLog, WritesTheMessageUnchanged) {
    const db::DatabaseError dbError(u8("Cannot insert duplicate key row in object 'dbo.T' — สาขา"),
                                    2601, 14);
    EXPECT_EQ(errorMessageOf(dbError), dbError.message());
    EXPECT_EQ(errorMessageOf(std::runtime_error("'x' is not a valid date")),
              "'x' is not a valid date");
    EXPECT_EQ(errorMessageOf(std::runtime_error("ข้อผิดพลาด")), u8("ข้อผิดพลาด"));
}

TEST(ErrorMail, ComposesBodyAndSubject) {
    const QString report = errorReportText("Printer selected is not valid");
    EXPECT_EQ(errorMailBody(" U01  ", "10.0.0.7", report),
              "[User = U01] \rLocal IP = 10.0.0.7\r" + report);
    EXPECT_EQ(errorMailBody("", "", "\rX\r"), "[User = ] \rLocal IP = \r\rX\r");
    EXPECT_EQ(errorMailSubject("C01 ", u8(" สั่งสินค้าสาขา ")), u8("Error C01 สั่งสินค้าสาขา"));
}

}  // namespace
