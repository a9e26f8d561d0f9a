// Bands on pages: breaks with the page header and footer repeated, groups and their totals,
// texts that stretch their band, page x of y, masters with details from the database.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QTemporaryDir>

#include "tests/common/client_fixture.h"
#include "tests/report/report_support.h"
#include "ui/report/Render.h"

using namespace reporttest;
using report::ReportError;

namespace {

// A5 portrait with 10 mm margins: 190 mm of height for bands.
const char* kListXml = R"(<report>
  <page size="A5" left="10" top="10" right="10" bottom="10"/>
  <dataset name="Lines">unused</dataset>
  <band type="ReportTitle" height="12"><text name="Title" width="100" height="10">Delivery list</text></band>
  <band type="PageHeader" height="8"><text name="Head" width="100" height="6">Header [PAGE#]</text></band>
  <band type="ColumnHeader" height="6"><text width="40" height="6">Item</text></band>
  <band type="GroupHeader" name="ByBranch" data="Data" condition="[Lines.&quot;Branch&quot;]" height="7">
    <text name="BranchName" width="60" height="7">Branch [Branch]</text>
  </band>
  <band type="MasterData" name="Data" dataset="Lines" height="10">
    <text name="Item" width="40" height="10">[Item]</text>
    <text name="Qty" left="40" width="20" height="10" align="right" format="#,##0.00">[Qty]</text>
  </band>
  <band type="GroupFooter" group="ByBranch" height="7">
    <text name="BranchTotal" width="60" height="7" format="#,##0.00">Total [SUM([Qty])] in [COUNT()] lines</text>
  </band>
  <band type="ReportSummary" height="7">
    <text name="Grand" width="80" height="7" format="0.00">Grand [SUM([Qty])] avg [AVG([Qty])] min [MIN([Qty])] max [MAX([Qty])]</text>
  </band>
  <band type="PageFooter" height="8"><text name="Foot" width="100" height="6">Page [PAGE#] of [TOTALPAGES]</text></band>
</report>)";

report::PreparedReport prepareList(int count, int perBranch) {
    std::vector<QVariantList> values;
    for (int i = 0; i < count; ++i)
        values.push_back(
            {QString("B%1").arg(i / perBranch), QString("Item %1").arg(i + 1), double(i + 1)});
    report::Report r;
    r.load(parse(kListXml));
    r.setDataSet("Lines", rows({"Branch", "Item", "Qty"}, values));
    return r.prepare();
}

TEST(ReportLayout, BandsBreakAcrossPagesWithHeaderAndFooterOnEach) {
    const report::PreparedReport doc = prepareList(40, 1000);
    ASSERT_GE(doc.pages.size(), 3u);
    const int total = static_cast<int>(doc.pages.size());
    int rowsSeen = 0;
    int previous = 0;
    for (int p = 0; p < total; ++p) {
        const report::Page& page = doc.pages[p];
        const QStringList t = texts(page);
        EXPECT_TRUE(t.contains(QString("Header %1").arg(p + 1))) << p;
        EXPECT_TRUE(t.contains(QString("Page %1 of %2").arg(p + 1).arg(total))) << p;
        EXPECT_TRUE(t.contains("Item")) << "column header on page " << p;
        EXPECT_EQ(t.contains("Delivery list"), p == 0);
        const report::PageItem* foot =
            findItem(page, QString("Page %1 of %2").arg(p + 1).arg(total));
        ASSERT_NE(foot, nullptr);
        EXPECT_NEAR(foot->rect.top(), 210 - 10 - 8, 0.01);  // the footer sits at the bottom
        for (const report::PageItem& item : page.items) {
            if (!item.text.startsWith("Item ")) continue;
            ++rowsSeen;
            EXPECT_EQ(item.text, QString("Item %1").arg(++previous));
            EXPECT_LE(item.rect.bottom(), foot->rect.top() + 0.01) << "row runs into the footer";
        }
    }
    EXPECT_EQ(rowsSeen, 40);
}

TEST(ReportLayout, GroupFooterSumsItsOwnGroupAndTheSummaryAll) {
    const report::PreparedReport doc = prepareList(5, 3);  // B0: 1,2,3  B1: 4,5
    QStringList all;
    for (const auto& page : doc.pages) all << texts(page);
    const int b0 = all.indexOf("Branch B0");
    const int t0 = all.indexOf("Total 6.00 in 3.00 lines");
    const int b1 = all.indexOf("Branch B1");
    const int t1 = all.indexOf("Total 9.00 in 2.00 lines");
    ASSERT_GE(b0, 0);
    ASSERT_GE(t0, 0) << all.join(" | ").toStdString();
    ASSERT_GE(b1, 0);
    ASSERT_GE(t1, 0);
    EXPECT_LT(b0, all.indexOf("Item 1"));
    EXPECT_LT(all.indexOf("Item 3"), t0);
    EXPECT_LT(t0, b1);
    EXPECT_LT(all.indexOf("Item 5"), t1);
    EXPECT_TRUE(all.contains("Grand 15.00 avg 3.00 min 1.00 max 5.00"))
        << all.join(" | ").toStdString();
    EXPECT_TRUE(all.contains("5.00"));  // the quantity through its display pattern
}

TEST(ReportLayout, NestedGroupsCloseInnerFirst) {
    const char* xml = R"(<report>
      <band type="GroupHeader" name="G1" data="D" condition="A" height="5"><text width="50" height="5">A=[A]</text></band>
      <band type="GroupHeader" name="G2" data="D" condition="B" height="5"><text width="50" height="5">B=[B]</text></band>
      <band type="MasterData" name="D" dataset="T" height="5"><text width="50" height="5">[V]</text></band>
      <band type="GroupFooter" group="G2" height="5"><text width="50" height="5">end B [SUM(V)]</text></band>
      <band type="GroupFooter" group="G1" height="5"><text width="50" height="5">end A [SUM(V)]</text></band>
    </report>)";
    report::Report r;
    r.load(parse(xml));
    r.setDataSet(
        "T", rows({"A", "B", "V"}, {{"x", "1", 1}, {"x", "1", 2}, {"x", "2", 4}, {"y", "2", 8}}));
    const QStringList t = texts(r.prepare().pages.at(0));
    EXPECT_EQ(t.join(","), "A=x,B=1,1,2,end B 3,B=2,4,end B 4,end A 7,A=y,B=2,8,end B 8,end A 8");
}

TEST(ReportLayout, StretchedTextGrowsItsBandAndItsNeighboursFrames) {
    const char* xml = R"(<report>
      <band type="MasterData" name="D" dataset="T" height="6">
        <text name="Note" width="30" height="6" stretch="true" frame="all">[Note]</text>
        <text name="Cell" left="30" width="20" height="6" frame="all">[Id]</text>
      </band>
    </report>)";
    report::Report r;
    r.load(parse(xml));
    const QString longText = QString("word ").repeated(40).trimmed();
    r.setDataSet("T", rows({"Id", "Note"}, {{1, longText}, {2, "short"}}));
    const report::Page page = r.prepare().pages.at(0);
    const report::PageItem* note = findItem(page, longText);
    const report::PageItem* cell1 = findItem(page, "1");
    const report::PageItem* cell2 = findItem(page, "2");
    ASSERT_TRUE(note && cell1 && cell2);
    EXPECT_GT(note->rect.height(), 20);
    EXPECT_NEAR(cell1->rect.height(), note->rect.height(), 0.01);  // the row stays a row
    EXPECT_NEAR(cell2->rect.top(), note->rect.bottom(), 0.01);     // the next row starts below
    EXPECT_NEAR(findItem(page, "short")->rect.height(), 6, 0.01);
}

TEST(ReportLayout, ErrorsNameTemplateObjectAndText) {
    const char* xml = R"(<report>
      <band type="MasterData" name="D" dataset="T" height="6">
        <text name="Price" width="30" height="6">[Qty * ]</text>
      </band></report>)";
    report::Report r;
    r.load(parse(xml, "order.frf"));
    r.setDataSet("T", rows({"Qty"}, {{1}}));
    try {
        r.prepare();
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains("\"order.frf\"")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("\"Price\""));
        EXPECT_TRUE(e.message().contains("[Qty * ]"));
    }
    const char* runtime = R"(<report>
      <band type="MasterData" name="D" dataset="T" height="6">
        <text width="30" height="6">[Qty / Zero]</text>
      </band></report>)";
    r.load(parse(runtime, "order.frf"));
    r.setDataSet("T", rows({"Qty", "Zero"}, {{1, 0}}));
    try {
        r.prepare();
        FAIL() << "no error";
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains("\"D #1\"")) << e.message().toStdString();
        EXPECT_TRUE(e.message().contains("division by zero"));
    }
}

TEST(ReportLayout, AggregatesOutsideFootersAreRefused) {
    report::Report r;
    r.load(parse(R"(<report><band type="MasterData" name="D" dataset="T" height="6">
        <text width="30" height="6">[SUM(Qty)]</text></band></report>)"));
    r.setDataSet("T", rows({"Qty"}, {{1}}));
    EXPECT_THROW(r.prepare(), ReportError);
}

TEST(ReportLayout, BandTallerThanThePageDoesNotLoop) {
    report::Report r;
    r.load(
        parse(R"(<report><page size="A5"/><band type="MasterData" name="D" dataset="T" height="400">
        <text width="30" height="6">[Qty]</text></band></report>)"));
    r.setDataSet("T", rows({"Qty"}, {{1}, {2}, {3}}));
    EXPECT_EQ(r.prepare().pages.size(), 3u);
}

TEST(ReportLayout, ThaiWrapsBetweenWordsWithoutBlanks) {
    report::ReportObject o;
    o.fontFamily = "Loma";
    o.fontSize = 12;
    // Words of the text; Thai writes no blanks between them.
    const QStringList words = {"ประเทศ", "ไทย", "มี", "ภาษา", "เขียน", "ของ", "ตนเอง", "สวย", "งาม"};
    QString text;
    for (int i = 0; i < 6; ++i) text += words.join("");
    const QStringList lines = report::textLines(o, text, 40);
    ASSERT_GT(lines.size(), 2);
    // Every line ends where a word ends.
    QSet<int> ends;
    int at = 0;
    for (int i = 0; i < 6; ++i)
        for (const QString& w : words) ends.insert(at += w.size());
    int pos = 0;
    for (const QString& line : lines) {
        pos += line.size();
        EXPECT_TRUE(ends.contains(pos)) << "broke inside a word: " << line.toStdString();
    }
    EXPECT_EQ(pos, text.size());
}

// Masters and details from the embedded server, parameters from variables and master rows.
TEST(ReportLayout, DetailQueriesRunPerMasterWithTypedParameters) {
    testing_support::ClientServer server;
    server.createDatabase("SHOP");
    auto c = server.connect("SHOP");
    c->execute("CREATE TABLE Hd (DocNo varchar(10), Branch varchar(10), DocYear int)");
    c->execute("CREATE TABLE Dt (DocNo varchar(10), Item nvarchar(40), Qty decimal(12,2))");
    c->execute(
        "INSERT INTO Hd VALUES ('A1', 'Ladprao', 2026), ('A2', 'Bangna', 2026), "
        "('A3', 'Old', 2025)");
    c->execute(
        "INSERT INTO Dt VALUES ('A1', N'น้ำดื่ม', 3), ('A1', N'ข้าวสาร', 2.5), "
        "('A2', N'สบู่', 1), ('A3', N'เก่า', 9)");
    const char* xml = R"(<report>
      <dataset name="Hd">SELECT DocNo, Branch FROM Hd WHERE DocYear = [Year] AND [DocNo] &lt;&gt; 'x' ORDER BY DocNo</dataset>
      <dataset name="Dt">SELECT Item, Qty FROM Dt WHERE DocNo = :DocNo ORDER BY Item</dataset>
      <band type="MasterData" name="M" dataset="Hd" height="6"><text width="50" height="6">[DocNo] [Branch]</text></band>
      <band type="DetailData" name="L" master="M" dataset="Dt" height="6"><text width="50" height="6">- [Item] [Qty]</text></band>
      <band type="GroupFooter" group="none" height="1"/>
    </report>)";
    // A footer of no group is refused when the template is read.
    EXPECT_THROW(parse(xml), ReportError);
    QString good = xml;
    good.remove(R"(<band type="GroupFooter" group="none" height="1"/>)");
    report::Report r(c.get());
    r.load(parse(good));
    r.setVariable("Year", "2026");
    const QStringList t = texts(r.prepare().pages.at(0));
    EXPECT_EQ(t.join(","), "A1 Ladprao,- ข้าวสาร 2.50,- น้ำดื่ม 3.00,A2 Bangna,- สบู่ 1.00");
    // A query that fails names the data set.
    r.load(parse(QString(good).replace("FROM Dt", "FROM Missing")));
    try {
        r.prepare();
        FAIL();
    } catch (const ReportError& e) {
        EXPECT_TRUE(e.message().contains("data set \"Dt\"")) << e.message().toStdString();
    }
}

}  // namespace

namespace {

TEST(ReportLayout, PageFootersSumTheirOwnPage) {
    report::Report r;
    r.load(parse(R"(<report><page size="A5" top="10" bottom="10"/>
      <band type="MasterData" name="D" dataset="T" height="50"><text width="50" height="6">[LINE#]: [V] p[PAGE#]</text></band>
      <band type="PageFooter" height="6"><text width="100" height="6">page sum [SUM(V)] lines [COUNT()]</text></band>
      <band type="ReportSummary" height="6"><text width="100" height="6">all [SUM(V)]</text></band>
    </report>)"));
    std::vector<QVariantList> values;
    for (int i = 1; i <= 7; ++i) values.push_back({i});
    r.setDataSet("T", rows({"V"}, values));
    const report::PreparedReport doc = r.prepare();
    ASSERT_EQ(doc.pages.size(), 3u);  // 3 rows of 50 mm on 180 mm, the summary on the last
    EXPECT_TRUE(texts(doc.pages[0]).contains("page sum 6 lines 3"));
    EXPECT_TRUE(texts(doc.pages[1]).contains("page sum 15 lines 3"));
    EXPECT_TRUE(texts(doc.pages[2]).contains("page sum 7 lines 1"));
    EXPECT_TRUE(texts(doc.pages[2]).contains("all 28"));
    // A record moved to the next page shows that page's number.
    EXPECT_TRUE(texts(doc.pages[1]).contains("4: 4 p2"))
        << texts(doc.pages[1]).join("|").toStdString();
}

TEST(ReportLayout, GroupsMayStartNewPages) {
    report::Report r;
    r.load(parse(R"(<report>
      <band type="GroupHeader" name="G" data="D" condition="K" height="6" newpage="true"><text width="50" height="6">group [K]</text></band>
      <band type="MasterData" name="D" dataset="T" height="6"><text width="50" height="6">[V]</text></band>
    </report>)"));
    r.setDataSet("T", rows({"K", "V"}, {{"a", 1}, {"a", 2}, {"b", 3}, {"c", 4}}));
    const report::PreparedReport doc = r.prepare();
    ASSERT_EQ(doc.pages.size(), 3u);
    EXPECT_EQ(texts(doc.pages[0]).join(","), "group a,1,2");
    EXPECT_EQ(texts(doc.pages[2]).join(","), "group c,4");
}

TEST(ReportLayout, PicturesAndCheckBoxes) {
    QTemporaryDir dir;
    QImage logo(20, 10, QImage::Format_RGB32);
    logo.fill(Qt::red);
    ASSERT_TRUE(logo.save(dir.filePath("logo.png")));
    QFile f(dir.filePath("t.frf"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(R"(<report><band type="MasterData" name="D" dataset="T" height="12">
        <picture width="20" height="10" file="logo.png"/>
        <picture left="20" width="20" height="10" expr="[Image]"/>
        <checkbox left="40" width="5" height="5" expr="[Flag]"/>
      </band></report>)");
    f.close();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    logo.save(&buffer, "PNG");
    report::Report r;
    r.loadFromFile(dir.filePath("t.frf"));
    r.setDataSet("T", rows({"Image", "Flag"}, {{png, "Y"},
                                               {QVariant(), "N"},
                                               {QVariant(), "y"},
                                               {QVariant(), true},
                                               {QVariant(), QVariant()},
                                               {QVariant(), 2}}));
    const report::Page page = r.prepare().pages.at(0);
    ASSERT_EQ(page.items.size(), 18u);
    EXPECT_EQ(page.items[0].image.size(), QSize(20, 10));
    EXPECT_EQ(page.items[1].image.size(), QSize(20, 10));
    EXPECT_TRUE(page.items[4].image.isNull());
    QList<bool> ticks;
    for (size_t i = 2; i < page.items.size(); i += 3) ticks << page.items[i].checked;
    EXPECT_EQ(ticks, (QList<bool>{true, false, false, true, false, true}));
    // A template given in memory finds its pictures from the current directory.
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    report::Report inMemory;
    inMemory.load(parse(R"(<report><band type="ReportTitle" height="12">
        <picture width="20" height="10" file="logo.png"/></band></report>)"));
    EXPECT_EQ(inMemory.prepare().pages.at(0).items.at(0).image.size(), QSize(20, 10));
    QDir::setCurrent(before);
    // Data that is no picture is an error naming the object.
    r.setDataSet("T", rows({"Image", "Flag"}, {{QByteArray("not a picture"), "Y"}}));
    EXPECT_THROW(r.prepare(), ReportError);
}

TEST(ReportLayout, PrepareReportSaysWhetherItPrepared) {
    report::Report r;
    QStringList errors;
    auto sink = [&](const std::exception& e) { errors << QString::fromUtf8(e.what()); };
    EXPECT_FALSE(r.prepareReport(sink));  // nothing loaded
    EXPECT_EQ(errors.size(), 1);
    r.load(parse(R"(<report><band type="ReportTitle" height="6">
        <text width="30" height="6">[X]</text></band></report>)"));
    r.setVariable("X", "'ok'");
    ASSERT_TRUE(r.prepareReport(sink));
    ASSERT_NE(r.prepared(), nullptr);
    EXPECT_EQ(texts(r.prepared()->pages.at(0)), QStringList{"ok"});
    r.setVariable("X", "1 / 0");
    EXPECT_FALSE(r.prepareReport(sink));
    EXPECT_EQ(r.prepared(), nullptr);  // the earlier pages are not printed by mistake
    EXPECT_TRUE(errors.last().contains("division by zero"));
}

TEST(ReportLayout, ReportErrorsReachTheErrorReport) {
    TDM dm;
    QString shown;
    dm.setReportPresenter([&](const QString& text) { shown = text; });
    report::Report r;
    r.load(parse(R"(<report><band type="ReportTitle" height="6">
        <text name="Total" width="30" height="6">[1 / 0]</text></band></report>)",
                 "order.frf"));
    try {
        r.prepare();
        FAIL();
    } catch (const std::exception& e) {
        dm.ApplicationEvents1Exception(e);
    }
    // The report shows the message in capitals.
    EXPECT_TRUE(shown.contains("Template \"order.frf\", object \"Total\"", Qt::CaseInsensitive))
        << shown.toStdString();
    EXPECT_TRUE(shown.contains("division by zero", Qt::CaseInsensitive));
}

}  // namespace
