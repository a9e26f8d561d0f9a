// Reading and writing template files: what is accepted, what is refused and how the refusal
// reads, and that writing then reading gives the same template.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/report/report_support.h"

using namespace reporttest;
using report::ReportError;

namespace {

QString refusal(const QString& xml) {
    try {
        parse(xml, "bad.frf");
    } catch (const ReportError& e) {
        return e.message();
    }
    return "(accepted)";
}

TEST(ReportTemplate, ReadsPageBandsObjectsAndVariables) {
    const report::Template t = parse(R"(<report>
      <page size="A5" orientation="landscape" left="5" top="6" right="7" bottom="8"/>
      <variable name="DocNo">'X'</variable>
      <dataset name="T">SELECT 1 AS A</dataset>
      <band type="masterdata" name="D" dataset="T" height="12.5">
        <text name="A" left="1" top="2" width="30" height="5" font="Loma" size="9" bold="true"
              align="right" valign="center" wrap="false" stretch="yes" format="#,##0.00"
              frame="left,bottom" linewidth="0.5" linecolor="255,0,0" fill="1,2,3" radius="1">[A] บาท</text>
        <barcode type="QR" expr="[A]" width="10" height="10" showtext="false"/>
        <checkbox expr="'Y'" width="4" height="4"/>
        <rect width="10" height="10"/>
      </band></report>)");
    EXPECT_TRUE(t.page.landscape);
    EXPECT_EQ(t.page.paperSize(), QSizeF(210, 148));
    EXPECT_EQ(t.page.left, 5);
    EXPECT_EQ(t.variables.at(0).second, "'X'");
    ASSERT_EQ(t.bands.size(), 1u);
    const report::Band& b = t.bands[0];
    EXPECT_EQ(b.type, report::BandType::MasterData);
    EXPECT_EQ(b.height, 12.5);
    const report::ReportObject& a = b.objects.at(0);
    EXPECT_EQ(a.text, "[A] บาท");
    EXPECT_EQ(a.rect, QRectF(1, 2, 30, 5));
    EXPECT_TRUE(a.bold && a.stretch && !a.wordWrap);
    EXPECT_EQ(a.align, Qt::AlignRight | Qt::AlignVCenter);
    EXPECT_TRUE(a.frameLeft && a.frameBottom && !a.frameTop && !a.frameRight);
    EXPECT_EQ(a.lineColor, QColor(255, 0, 0));
    EXPECT_EQ(a.fill, QColor(1, 2, 3));
    EXPECT_EQ(b.objects.at(1).text, "[A]");
    EXPECT_FALSE(b.objects.at(1).showText);
    EXPECT_TRUE(b.objects.at(3).frameTop);  // a rectangle is framed unless told otherwise
}

TEST(ReportTemplate, WritingAndReadingGivesTheSameTemplate) {
    const report::Template t = parse(R"(<report>
      <page width="100" height="150" left="5" top="5" right="5" bottom="5"/>
      <variable name="V">1 + 2</variable>
      <dataset name="T">SELECT 'a &lt; b' AS A</dataset>
      <band type="GroupHeader" name="G" data="D" condition="[A]" height="5" newpage="true"/>
      <band type="MasterData" name="D" dataset="T" height="6">
        <text name="X" width="20" height="6" italic="true" color="10,20,30" align="center" format="0.0">ก [A] &amp; "q"</text>
        <line width="20" height="0" linewidth="0.4"/>
        <picture file="logo.png" width="5" height="5"/>
      </band>
      <band type="GroupFooter" group="G" height="5"/>
      <band type="PageFooter" height="5" firstpage="false"/>
    </report>)");
    const report::Template again = report::readTemplate(report::writeTemplate(t), "again");
    EXPECT_EQ(report::writeTemplate(again), report::writeTemplate(t));
    EXPECT_EQ(again.dataSets.at(0).sql, "SELECT 'a < b' AS A");
    EXPECT_EQ(again.bands.at(1).objects.at(0).text, "ก [A] & \"q\"");
    EXPECT_EQ(again.bands.at(1).objects.at(0).color, QColor(10, 20, 30));
    EXPECT_TRUE(again.bands.at(0).startNewPage);
    EXPECT_FALSE(again.bands.at(3).printOnFirstPage);
    EXPECT_EQ(again.bands.at(1).objects.at(2).file, "logo.png");
}

TEST(ReportTemplate, RefusalsNameTheTemplateTheLineAndTheFault) {
    EXPECT_TRUE(refusal("<form/>").contains("not a report template"));
    EXPECT_TRUE(refusal("<report><band type=\"Middle\"/></report>").contains("unknown band type"));
    const QString line3 =
        refusal("<report>\n<band type=\"MasterData\">\n<text width=\"x\"/></band></report>");
    EXPECT_TRUE(line3.contains("Template \"bad.frf\", line 3")) << line3.toStdString();
    EXPECT_TRUE(line3.contains("width=\"x\""));
    EXPECT_TRUE(refusal("<report><page width=\"1e9\"/></report>").contains("not a number from"));
    EXPECT_TRUE(refusal("<report><page left=\"150\" right=\"150\"/></report>").contains("margins"));
    EXPECT_TRUE(refusal("<report><band type=\"PageHeader\"><text color=\"1,2\"/></band></report>")
                    .contains("colour"));
    EXPECT_TRUE(
        refusal("<report><band type=\"PageHeader\"><barcode type=\"PDF417\"/></band></report>")
            .contains("barcode type"));
    EXPECT_TRUE(refusal("<report><band type=\"DetailData\" master=\"none\"/></report>")
                    .contains("names no master"));
    EXPECT_TRUE(refusal("<report><band type=\"GroupHeader\" data=\"none\"/></report>")
                    .contains("names no data band"));
    EXPECT_TRUE(refusal("<report><dataset name=\"A\"/><dataset name=\"a\"/></report>")
                    .contains("defined twice"));
    EXPECT_TRUE(refusal("<report><band type=\"PageHeader\"><text>a<b/></text></band></report>")
                    .contains("line 1"));
    EXPECT_TRUE(refusal("<report><page").contains("line 1"));
    EXPECT_TRUE(refusal("<report><band type=\"PageHeader\"><text bold=\"maybe\"/></band></report>")
                    .contains("neither true nor false"));
}

TEST(ReportTemplate, WindowsPathsAreFound) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("forms");
    QFile f(dir.filePath("forms/a.frf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<report/>");
    f.close();
    // As the print dialog joins them: current directory + "\" + ".\forms\a.frf".
    const report::Template t = report::readTemplateFile(dir.path() + "\\" + "forms\\a.frf");
    EXPECT_EQ(t.name, "a.frf");
    EXPECT_EQ(t.folder, dir.filePath("forms"));
    EXPECT_EQ(report::normalizeTemplatePath("C:\\\\x\\\\y.frf"), "C:/x/y.frf");
    // The journal template's stored name begins with a separator.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(report::templatePathFor("\\forms\\a.frf"), QDir::currentPath() + "/forms/a.frf");
    EXPECT_NO_THROW(report::readTemplateFile(report::templatePathFor("forms\\a.frf")));
    QDir::setCurrent(before);
    try {
        report::readTemplateFile(dir.filePath("missing.frf"));
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains("cannot be opened"));
    }
}

TEST(ReportTemplate, TheDocumentedExampleIsAValidTemplate) {
    QFile f(REPORT_DOCS_PAGE);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString page = QString::fromUtf8(f.readAll());
    const qsizetype start = page.indexOf("```xml\n");
    const qsizetype end = page.indexOf("```", start + 7);
    ASSERT_GT(start, 0);
    const report::Template t = parse(page.mid(start + 7, end - start - 7), "example.frf");
    EXPECT_EQ(t.bands.size(), 8u);
    // It prepares with rows of the data set in place of the query.
    report::Report r;
    r.load(t);
    r.setDataSet("Lines",
                 rows({"BranchCode", "BranchName", "Code", "Name", "Qty", "Price", "BarCode"},
                      {{"0001", "ลาดพร้าว", "A1", "น้ำดื่ม", 2, 10.5, "885000000001"},
                       {"0002", "บางนา", "B1", "Rice", 1, 100, "885000000001"}}));
    const report::PreparedReport doc = r.prepare();
    const QStringList t1 = texts(doc.pages.at(0));
    EXPECT_TRUE(t1.contains("Branch total 21.00"));
    EXPECT_TRUE(t1.contains("Total 121.00 in 2 lines")) << t1.join("|").toStdString();
    EXPECT_TRUE(t1.contains("Page 1 of 1"));
}

}  // namespace
