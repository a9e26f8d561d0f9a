// Output as a user gets it: PDF files read back with pdftotext, the report_render tool in its
// two modes, barcodes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/common/client_fixture.h"
#include "tests/report/report_support.h"
#include "ui/report/Barcode.h"
#include "ui/report/Render.h"

using namespace reporttest;

namespace {

// poppler may put Thai tone marks and vowels above the line elsewhere, read the fonts' shifted
// forms of them as private-use characters, and split SARA AM: compare without any of these and
// without blanks.
QString comparable(const QString& text) {
    QString out;
    for (const QChar c : text) {
        if (c == QChar(0x0E33))
            out += QChar(0x0E32);
        else if (!c.isMark() && !c.isSpace() && c.category() != QChar::Other_PrivateUse)
            out += c;
    }
    return out;
}

QString pdfText(const QString& path) {
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return "(pdftotext failed)";
    return QString::fromUtf8(p.readAllStandardOutput());
}

const char* kDocXml = R"(<report>
  <page size="A4" left="15" top="15" right="15" bottom="15"/>
  <band type="ReportTitle" height="15">
    <text name="Title" width="180" height="10" size="16" bold="true" align="center">ใบส่งสินค้า Delivery note [DocNo]</text>
  </band>
  <band type="MasterData" name="D" dataset="T" height="7">
    <text width="100" height="7" frame="bottom">[Item]</text>
    <text left="100" width="40" height="7" align="right" format="#,##0.00">[Amount]</text>
    <checkbox left="145" width="5" height="5" expr="[Done]"/>
    <barcode left="150" width="30" height="7" type="Code128" expr="[Code]"/>
  </band>
  <band type="ReportSummary" height="10">
    <rect width="180" height="9" radius="2" fill="240,240,240"/>
    <text left="2" width="150" height="8" format="#,##0.00">รวมทั้งสิ้น Total [SUM(Amount)]</text>
  </band>
  <band type="PageFooter" height="8"><text width="180" height="6" align="right">Page [PAGE#] of [TOTALPAGES]</text></band>
</report>)";

TEST(ReportPdf, WrittenPdfReadsBackWithThaiAndEnglish) {
    QTemporaryDir dir;
    report::Report r;
    r.load(parse(kDocXml, "delivery.frf"));
    r.setVariable("DocNo", "'DN-0001'");
    r.setDataSet("T", rows({"Item", "Amount", "Done", "Code"},
                           {{"น้ำดื่มตราช้าง 600 มล.", 1234.5, "Y", "ABC-001"},
                            {"Steel shelf", 99.999, "N", "ABC-002"}}));
    const QString path = dir.filePath("out.pdf");
    report::writePdf(r.prepare(), path);
    const QString text = pdfText(path);
    EXPECT_TRUE(text.contains("Delivery note DN-0001")) << text.toStdString();
    EXPECT_TRUE(text.contains("1,234.50"));
    EXPECT_TRUE(text.contains("100.00"));
    EXPECT_TRUE(text.contains("Total 1,334.50"));
    EXPECT_TRUE(text.contains("Page 1 of 1"));
    const QString flat = comparable(text);
    EXPECT_TRUE(flat.contains(comparable("ใบส่งสินค้า"))) << text.toStdString();
    EXPECT_TRUE(flat.contains(comparable("น้ำดื่มตราช้าง600มล.")));
    EXPECT_TRUE(flat.contains(comparable("รวมทั้งสิ้น")));
}

TEST(ReportPdf, AnUnwritablePathIsAnError) {
    report::Report r;
    r.load(parse(kDocXml));
    r.setDataSet("T", rows({"Item", "Amount", "Done", "Code"}, {}));
    r.setVariable("DocNo", "''");
    EXPECT_THROW(report::writePdf(r.prepare(), "/nonexistent-dir/x.pdf"), report::ReportError);
}

TEST(ReportBarcode, SymbologiesCheckTheirData) {
    const auto ean = report::encodeBarcode("EAN13", "885000000001");  // check digit added
    EXPECT_FALSE(ean->bars.empty());
    EXPECT_FALSE(ean->twoDimensional);
    EXPECT_EQ(ean->text, "8850000000010");
    EXPECT_NO_THROW(report::encodeBarcode("ean13", "8850000000010"));
    EXPECT_THROW(report::encodeBarcode("EAN13", "8850000000014"), report::ReportError);
    EXPECT_THROW(report::encodeBarcode("EAN13", "88500A"), report::ReportError);
    EXPECT_THROW(report::encodeBarcode("Code128", ""), report::ReportError);
    const auto qr = report::encodeBarcode("QR", "ใบโอน CARTRANNO 0001");
    EXPECT_TRUE(qr->twoDimensional);
    EXPECT_NEAR(qr->size.width(), qr->size.height(), 0.01);
    EXPECT_THROW(report::encodeBarcode("PDF417", "x"), report::ReportError);
}

TEST(ReportBarcode, BadDataPrintsTheReasonInsteadOfStopping) {
    report::Report r;
    r.load(parse(R"(<report><band type="MasterData" name="D" dataset="T" height="10">
        <barcode width="40" height="10" type="EAN13" expr="[Code]"/></band></report>)"));
    r.setDataSet("T", rows({"Code"}, {{"12345"}, {"885000000001"}}));
    const report::Page page = r.prepare().pages.at(0);
    ASSERT_EQ(page.items.size(), 2u);
    EXPECT_FALSE(page.items[0].barcode);
    EXPECT_TRUE(page.items[0].text.contains("12 or 13 digits"));
    EXPECT_TRUE(page.items[1].barcode);
}

struct Tool {
    int exitCode = -1;
    QString out, err;
};

Tool runTool(const QStringList& args, const QString& input = {}, const QString& cwd = {}) {
    QProcess p;
    if (!cwd.isEmpty()) p.setWorkingDirectory(cwd);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(REPORT_RENDER_PATH, args);
    p.write(input.toUtf8());
    p.closeWriteChannel();
    Tool t;
    if (!p.waitForFinished(60000)) return t;
    t.exitCode = p.exitCode();
    t.out = QString::fromUtf8(p.readAllStandardOutput());
    t.err = QString::fromUtf8(p.readAllStandardError());
    return t;
}

TEST(ReportRender, RendersATemplateAgainstTheDatabase) {
    testing_support::ClientServer server;
    server.createCompany("SHOP");
    server.connect("SHOP")->execute(
        "CREATE TABLE Goods (Code varchar(10), Name nvarchar(40), Price money);"
        "INSERT INTO Goods VALUES ('G1', N'ปากกา', 12.5), ('G2', 'Ruler', 20)");
    QDir(server.folder()).mkpath("forms");
    QFile f(server.folder() + "/forms/goods.frf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<report>
      <dataset name="G">SELECT Code, Name, Price FROM Goods WHERE Price &gt;= [MinPrice] ORDER BY Code</dataset>
      <band type="ReportTitle" height="8"><text width="100" height="8">Goods of [Shop]</text></band>
      <band type="MasterData" name="D" dataset="G" height="6"><text width="100" height="6">[Code] [Name] [Price]</text></band>
    </report>)");
    f.close();
    // The stored name may use Windows separators; Server.Dat of the current directory.
    const Tool t = runTool({"-d", "SHOP", "--template", "forms\\goods.frf", "--var",
                            "Shop='Ladprao'", "--var", "MinPrice=10", "-o", "out.pdf"},
                           {}, server.folder());
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    const QString text = pdfText(server.folder() + "/out.pdf");
    EXPECT_TRUE(text.contains("Goods of Ladprao")) << text.toStdString();
    EXPECT_TRUE(comparable(text).contains(comparable("G1 ปากกา 12.5"))) << text.toStdString();
    EXPECT_TRUE(text.contains("G2 Ruler 20"));
    // -S names the server as Server.Dat would.
    const Tool s = runTool({"-S", server.serverDir, "-d", "SHOP", "--template",
                            server.folder() + "/forms/goods.frf", "--var", "Shop='X'", "--var",
                            "MinPrice=15", "-o", server.folder() + "/two.pdf"});
    ASSERT_EQ(s.exitCode, 0) << s.err.toStdString();
    EXPECT_FALSE(pdfText(server.folder() + "/two.pdf").contains("G1"));
    // Without the variable, [MinPrice] is the query's own bracketed name, and the server's
    // error is reported with the data set; the exit code says so.
    const Tool bad = runTool({"-d", "SHOP", "--template", "forms/goods.frf", "-o", "x.pdf"}, {},
                             server.folder());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(bad.err.contains("data set \"G\"")) << bad.err.toStdString();
    EXPECT_TRUE(bad.err.contains("MinPrice"));
    const Tool noVar = runTool(
        {"-d", "SHOP", "--template", "forms/goods.frf", "--var", "MinPrice=0", "-o", "x.pdf"}, {},
        server.folder());
    EXPECT_EQ(noVar.exitCode, 1);
    EXPECT_TRUE(noVar.err.contains("unknown name Shop")) << noVar.err.toStdString();
    EXPECT_FALSE(QFile::exists(server.folder() + "/x.pdf"));
}

TEST(ReportRender, EvalPrintsOneResultPerLineAndStopsAtTheFirstError) {
    testing_support::ClientServer server;
    const Tool ok =
        runTool({"-d", "SHOP", "--eval"}, "1 + 2\n'ก' + 'ข'\n\nFORMATFLOAT('#,##0.00', 1234.5)\n",
                server.folder());
    EXPECT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    EXPECT_EQ(ok.out, "3\nกข\n1,234.50\n");
    const Tool bad = runTool({"-d", "SHOP", "--eval"}, "2 * 2\n1 / 0\n3\n", server.folder());
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.out, "4\n");
    EXPECT_TRUE(bad.err.contains("line 2: 1 / 0: division by zero")) << bad.err.toStdString();
    // A name neither the engine nor the application knows is an error.
    const Tool unknown = runTool({"-d", "SHOP", "--eval"}, "NOSUCH_FN(1, 2)\n", server.folder());
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains("unknown function NOSUCH_FN")) << unknown.err.toStdString();
    const Tool usage = runTool({"--eval"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_TRUE(usage.err.contains("-d database is required"));
}

// The tool reaches the application's own functions, as the print dialog does: amounts in words
// in any letter case, and quantity texts read from the database's units and settings row.
TEST(ReportRender, EvalReachesTheApplicationsFunctions) {
    testing_support::ClientServer server;
    server.createCompany("SHOP");
    server.runScript("SHOP", "company/product_tables.sql");
    server.connect("SHOP")->execute(
        "INSERT INTO ProductUnits (Product, UnitName, Fraction, SmallUnitFlag, StockUnitFlag)"
        " VALUES (1, 'Can', 1, 'Y', 'N'), (1, 'Case', 12, 'N', 'Y');"
        "UPDATE Config SET OnhandDecimal = NULL, UnitLeft = '(', UnitRight = ')' WHERE Id = 1");
    const Tool t = runTool({"-d", "SHOP", "--eval"},
                           "tell_real_thai(1, 2)\nTELL_REAL_ENG(21.01, 2)\n"
                           "OnhandQuantity(30, 2)\nFRACSMALLBYSTOCK(30, 1)\n",
                           server.folder());
    ASSERT_EQ(t.exitCode, 0) << t.err.toStdString();
    EXPECT_EQ(t.out, QString::fromUtf8("หนึ่งบาทถ้วน\n"
                                       "TWENTY ONE  BAHT  AND ONE  SATANG\n"
                                       "2 (Case) 6 (Can)\n"
                                       "2;1/2  Case\n"));
}

}  // namespace
