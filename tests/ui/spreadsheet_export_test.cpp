// The spreadsheet export: the same table written as .xls (read back with FreeXL), .xlsx (its
// sheet XML unpacked) and .txt (decoded from the Thai code page), the table taken from a
// grid, and the save dialog.
#include "ui/SpreadsheetExport.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QProcess>
#include <QStandardItemModel>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTableView>
#include <QTemporaryDir>
#include <QtEndian>
#include <cmath>

#include "db/data_set.h"
#include "db/decimal.h"
#include "ui/DBGrid.h"

// In biff_writer_test.cpp.
std::vector<QVariantList> readXlsSheet(const QString& path, QString* sheetName);

namespace {

using ui::ColumnKind;
using ui::ExportColumn;
using ui::ExportSettings;
using ui::ExportTable;

const QString kTitle = QStringLiteral("ดูรายงาน BracnhOrder สาขา : 001 ณ.  05/03/2024 08:05:09");

QVariant dec(const char* text) {
    return QVariant::fromValue(*db::Decimal::parse(QString::fromLatin1(text)));
}

ExportColumn column(const QString& title, ColumnKind kind, const QString& pattern = {}) {
    ExportColumn c;
    c.title = title;
    c.kind = kind;
    c.pattern = pattern;
    return c;
}

// One column of each kind, with NULLs and zeros.
ExportTable sampleTable() {
    ExportTable t;
    t.columns = {column(QStringLiteral("สินค้า"), ColumnKind::Text),
                 column(QStringLiteral("Qty"), ColumnKind::Integer),
                 column(QStringLiteral("Amount"), ColumnKind::Decimal),
                 column(QStringLiteral("Rate"), ColumnKind::Float, QStringLiteral("#,##0.0")),
                 column(QStringLiteral("OrderDate"), ColumnKind::DateTime),
                 column(QStringLiteral("Stamp"), ColumnKind::DateTime),
                 column(QStringLiteral("Closed"), ColumnKind::Bool)};
    t.rows.push_back({QStringLiteral("น้ำปลา ตราปลาหมึก"), qlonglong(1234), dec("1234.50"), 1234.56,
                      QDateTime(QDate(2024, 3, 5), QTime(0, 0)),
                      QDateTime(QDate(2024, 12, 31), QTime(8, 5, 9)), true});
    t.rows.push_back({QStringLiteral("Tab\there"), qlonglong(0), dec("-0.25"), 0.0,
                      QDateTime(QDate(2024, 1, 15), QTime(0, 0)), QVariant(), false});
    t.rows.push_back(
        {QVariant(), QVariant(), dec("0.00"), std::nan(""), QVariant(), QVariant(), QVariant()});
    return t;
}

QByteArray fileContent(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(SpreadsheetExport, XlsHoldsTitleColumnTitlesAndTypedCells) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("order.xls"));
    ASSERT_TRUE(ui::exportSpreadsheet(path, sampleTable(), {kTitle}));
    QString sheetName;
    const auto rows = readXlsSheet(path, &sheetName);
    EXPECT_EQ(sheetName, QStringLiteral("order"));
    ASSERT_EQ(rows.size(), 5u);
    ASSERT_EQ(rows[0].size(), 7);
    EXPECT_EQ(rows[0][0], QVariant(kTitle));
    EXPECT_FALSE(rows[0][1].isValid());
    EXPECT_EQ(rows[1][0], QVariant(QStringLiteral("สินค้า")));
    EXPECT_EQ(rows[1][6], QVariant(QStringLiteral("Closed")));

    const QVariantList& r = rows[2];
    EXPECT_EQ(r[0], QVariant(QStringLiteral("น้ำปลา ตราปลาหมึก")));
    EXPECT_EQ(r[1].toDouble(), 1234);
    EXPECT_EQ(r[2].toDouble(), 1234.5);
    EXPECT_EQ(r[3].toDouble(), 1234.56);  // the pattern shows it, the value stays whole
    EXPECT_EQ(r[4], QVariant(QDate(2024, 3, 5)));
    EXPECT_EQ(r[5], QVariant(QDateTime(QDate(2024, 12, 31), QTime(8, 5, 9))));
    EXPECT_EQ(r[6], QVariant(QStringLiteral("True")));
    // Zeros are numbers, NULLs empty cells.
    EXPECT_NE(rows[3][1].typeId(), QMetaType::QString);
    EXPECT_EQ(rows[3][1].toDouble(), 0);
    EXPECT_EQ(rows[3][2].toDouble(), -0.25);
    EXPECT_EQ(rows[3][3].toDouble(), 0);
    EXPECT_FALSE(rows[3][5].isValid());
    EXPECT_EQ(rows[3][6], QVariant(QStringLiteral("False")));
    EXPECT_FALSE(rows[4][0].isValid());
    EXPECT_TRUE(rows[4][2].isValid());
    EXPECT_EQ(rows[4][2].toDouble(), 0);
    EXPECT_EQ(rows[4][3], QVariant(QStringLiteral("NAN")));  // no NaN number in a sheet
}

TEST(SpreadsheetExport, EveryOtherExtensionGetsAnExcel97Workbook) {
    QTemporaryDir dir;
    for (const char* name : {"a.doc", "b.wks", "c.wq1", "d.XLS", "e.Txt.bak", "noextension"}) {
        const QString path = dir.filePath(QLatin1String(name));
        ASSERT_TRUE(ui::exportSpreadsheet(path, sampleTable(), {kTitle})) << name;
        EXPECT_EQ(fileContent(path).left(8), QByteArray::fromHex("D0CF11E0A1B11AE1")) << name;
        const auto rows = readXlsSheet(path, nullptr);
        ASSERT_EQ(rows.size(), 5u) << name;
        EXPECT_EQ(rows[0][0], QVariant(kTitle)) << name;
    }
    // Upper-case extensions choose their format as well.
    const QString text = dir.filePath(QStringLiteral("f.TXT"));
    ASSERT_TRUE(ui::exportSpreadsheet(text, sampleTable(), {}));
    EXPECT_TRUE(fileContent(text).startsWith("\xca\xd4\xb9\xa4\xe9\xd2\t"));  // "สินค้า" in 874
}

TEST(SpreadsheetExport, TwentyThousandRowsWithProgress) {
    ExportTable t;
    t.columns = {column(QStringLiteral("รหัส"), ColumnKind::Text),
                 column(QStringLiteral("ชื่อสินค้า"), ColumnKind::Text),
                 column(QStringLiteral("Qty"), ColumnKind::Integer),
                 column(QStringLiteral("Amount"), ColumnKind::Decimal),
                 column(QStringLiteral("Date"), ColumnKind::DateTime)};
    const int count = 20000;
    for (int i = 0; i < count; ++i)
        t.rows.push_back({QStringLiteral("P%1").arg(i, 6, 10, QLatin1Char('0')),
                          QStringLiteral("สินค้าทดสอบลำดับที่ %1").arg(i), qlonglong(i),
                          QVariant::fromValue(db::Decimal(i).rounded(2)),
                          QDateTime(QDate(2024, 1, 1).addDays(i % 366), QTime(0, 0))});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.xls"));
    std::vector<std::pair<int, int>> calls;
    ASSERT_TRUE(ui::exportSpreadsheet(path, t, {kTitle}, {}, [&](int done, int total) {
        calls.emplace_back(done, total);
        return true;
    }));
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.front(), std::make_pair(0, count));
    EXPECT_EQ(calls.back(), std::make_pair(count, count));
    EXPECT_LE(calls.size(), 110u);  // throttled, not once a row
    EXPECT_TRUE(std::is_sorted(calls.begin(), calls.end()));
    // About 1.5 MB: dozens of FAT sectors, the string table continued over many records.
    EXPECT_GT(fileContent(path).size(), 1000000);

    const auto rows = readXlsSheet(path, nullptr);
    ASSERT_EQ(rows.size(), size_t(count + 2));
    for (int i : {0, 1, 4711, 9999, count - 1}) {
        const QVariantList& r = rows[size_t(i + 2)];
        EXPECT_EQ(r[0], QVariant(QStringLiteral("P%1").arg(i, 6, 10, QLatin1Char('0'))));
        EXPECT_EQ(r[1], QVariant(QStringLiteral("สินค้าทดสอบลำดับที่ %1").arg(i)));
        EXPECT_EQ(r[2].toDouble(), i);
        EXPECT_EQ(r[3].toDouble(), i);
        EXPECT_EQ(r[4], QVariant(QDate(2024, 1, 1).addDays(i % 366)));
    }
}

TEST(SpreadsheetExport, XlsPastSevenMegabytesStillReadsBack) {
    // 10 MB of cells: more FAT sectors than the compound file header can list.
    ExportTable t;
    for (int c = 0; c < 10; ++c) t.columns << column(QString::number(c), ColumnKind::Float);
    for (int i = 0; i < 60000; ++i) {
        QVariantList row;
        for (int c = 0; c < 10; ++c) row << i * 10.0 + c + 0.5;
        t.rows.push_back(row);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("large.xls"));
    ASSERT_TRUE(ui::exportSpreadsheet(path, t, {}));
    const QByteArray content = fileContent(path);
    EXPECT_GT(content.size(), 7 * 1024 * 1024);
    EXPECT_GE(qFromLittleEndian<quint32>(content.constData() + 72), 1u);  // DIFAT sectors
    const auto rows = readXlsSheet(path, nullptr);
    ASSERT_EQ(rows.size(), 60001u);
    EXPECT_EQ(rows[60000][9].toDouble(), 599999.5);
    EXPECT_EQ(rows[30001][3].toDouble(), 300003.5);
}

TEST(SpreadsheetExport, FailuresAndCancelLeaveTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("old.xls"));
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old content");
    }
    // 65,535 rows, a title line and the column titles: one row more than the format holds.
    ExportTable tooLong;
    tooLong.columns = {column(QStringLiteral("n"), ColumnKind::Integer)};
    tooLong.rows.assign(65535, QVariantList{qlonglong(1)});
    EXPECT_THROW(ui::exportSpreadsheet(path, tooLong, {kTitle}), ui::ExportError);
    EXPECT_EQ(fileContent(path), "old content");
    ExportTable tooWide;
    for (int c = 0; c < 257; ++c) tooWide.columns << column(QString::number(c), ColumnKind::Text);
    EXPECT_THROW(ui::exportSpreadsheet(path, tooWide, {}), ui::ExportError);

    for (const char* name : {"old.xls", "old.xlsx", "old.txt"}) {
        const QString p = dir.filePath(QLatin1String(name));
        if (!QFile::exists(p)) QFile::copy(path, p);
        const bool written = ui::exportSpreadsheet(
            p, sampleTable(), {}, {}, [](int done, int total) { return done < total / 2 + 1; });
        EXPECT_FALSE(written) << name;
        EXPECT_EQ(fileContent(p), "old content") << name;
    }
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("new.xls"))));
    EXPECT_FALSE(ui::exportSpreadsheet(dir.filePath(QStringLiteral("new.xls")), sampleTable(), {},
                                       {}, [](int, int) { return false; }));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("new.xls"))));

    EXPECT_THROW(ui::exportSpreadsheet(dir.filePath(QStringLiteral("missing/folder/x.xls")),
                                       sampleTable(), {}),
                 ui::ExportError);
    EXPECT_THROW(ui::exportSpreadsheet(dir.filePath(QStringLiteral("missing/folder/x.xlsx")),
                                       sampleTable(), {}),
                 ui::ExportError);
}

TEST(SpreadsheetExport, TextFileIsTabSeparatedThaiCodePage) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("order.txt"));
    ASSERT_TRUE(ui::exportSpreadsheet(path, sampleTable(), {kTitle}));
    const QByteArray bytes = fileContent(path);
    // Single-byte Thai: "ส" is 0xCA in code page 874.
    EXPECT_TRUE(bytes.contains("\xca\xd4\xb9\xa4\xe9\xd2"));
    QStringDecoder decoder("windows-874");
    const QString text = decoder(bytes);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_EQ(text, kTitle + QStringLiteral("\r\n"
                                            "สินค้า\tQty\tAmount\tRate\tOrderDate\tStamp\tClosed\r\n"
                                            "น้ำปลา ตราปลาหมึก\t1234\t1,234.50\t1,234.6\t5/3/2024\t"
                                            "31/12/2024 08:05:09\tTrue\r\n"
                                            "Tab here\t0\t-0.25\t0.0\t15/1/2024\t\tFalse\r\n"
                                            "\t\t0.00\tNAN\t\t\t\r\n"));
}

TEST(SpreadsheetExport, ValueTextsFollowSettingsAndPatterns) {
    const ExportSettings defaults;
    const ExportColumn plain = column(QStringLiteral("n"), ColumnKind::Decimal);
    EXPECT_EQ(ui::exportText(plain, dec("1234567.891")), QStringLiteral("1,234,567.891"));
    EXPECT_EQ(ui::exportText(plain, qlonglong(1234567)), QStringLiteral("1234567"));
    EXPECT_EQ(ui::exportText(plain, 0.1 + 0.2), QStringLiteral("0.3"));
    EXPECT_EQ(ui::exportText(plain, QStringLiteral(" 12.5 ")), QStringLiteral("12.5"));
    EXPECT_EQ(ui::exportText(plain, QStringLiteral("n/a")), QStringLiteral("n/a"));

    // "#" shows nothing for zero; the export writes the zero all the same, unless told not to.
    const ExportColumn hash =
        column(QStringLiteral("n"), ColumnKind::Integer, QStringLiteral("#,###"));
    EXPECT_EQ(ui::exportText(hash, qlonglong(0)), QStringLiteral("0"));
    EXPECT_EQ(ui::exportText(hash, qlonglong(-1234567)), QStringLiteral("-1,234,567"));
    ExportSettings blankZeros;
    blankZeros.zerosAsNumbers = false;
    EXPECT_EQ(ui::exportText(hash, qlonglong(0), blankZeros), QString());
    EXPECT_EQ(ui::exportText(plain, dec("0.00"), blankZeros), QString());

    ExportColumn money = column(QStringLiteral("m"), ColumnKind::Decimal);
    money.currency = true;
    EXPECT_EQ(ui::exportText(money, dec("1234.5")), QStringLiteral("฿1,234.50"));
    ExportSettings european;
    european.thousandsSeparator = u'.';
    european.decimalSeparator = u',';
    EXPECT_EQ(ui::exportText(money, dec("1234.5"), european), QStringLiteral("฿1.234,50"));

    const QDateTime when(QDate(2024, 3, 5), QTime(7, 8, 9));
    const ExportColumn stamp = column(QStringLiteral("d"), ColumnKind::DateTime);
    const ExportColumn date = column(QStringLiteral("d"), ColumnKind::Date);
    EXPECT_EQ(ui::exportText(stamp, when), QStringLiteral("5/3/2024 07:08:09"));
    EXPECT_EQ(ui::exportText(date, when), QStringLiteral("5/3/2024"));
    EXPECT_EQ(ui::exportText(date, QDate(2024, 11, 25)), QStringLiteral("25/11/2024"));
    ExportSettings other;
    other.dateSeparator = u'-';
    other.timeSeparator = u'.';
    other.fourDigitYear = false;
    other.leadingZerosInDate = true;
    EXPECT_EQ(ui::exportText(stamp, when, other), QStringLiteral("05-03-24 07.08.09"));
    EXPECT_EQ(ui::exportText(stamp, QDateTime()), QString());

    // A text column writes any value as text.
    const ExportColumn text = column(QStringLiteral("t"), ColumnKind::Text);
    EXPECT_EQ(ui::exportText(text, true), QStringLiteral("True"));
    EXPECT_EQ(ui::exportText(text, when), QStringLiteral("5/3/2024 07:08:09"));
    EXPECT_EQ(ui::exportText(text, QStringLiteral("a\r\nb")), QStringLiteral("a  b"));
    EXPECT_EQ(ui::exportText(text, QVariant()), QString());
    EXPECT_EQ(defaults.currencySign, QStringLiteral("฿"));
}

// A member of the .xlsx package, unpacked with unzip; empty when unzip is missing.
QString zipMember(const QString& zip, const QString& member) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, member});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0) return {};
    return QString::fromUtf8(unzip.readAllStandardOutput());
}

TEST(SpreadsheetExport, XlsxSheetHoldsTheSameCells) {
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty())
        GTEST_SKIP() << "unzip is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("order.xlsx"));
    ExportTable t = sampleTable();
    t.columns << column(QStringLiteral("Pct"), ColumnKind::Float, QStringLiteral("0.0%;(0.0%)"));
    t.rows[0] << 12.5;
    ASSERT_TRUE(ui::exportSpreadsheet(path, t, {kTitle}));
    EXPECT_TRUE(fileContent(path).startsWith("PK\x03\x04"));

    const QString sheet = zipMember(path, QStringLiteral("xl/worksheets/sheet1.xml"));
    const QString strings = zipMember(path, QStringLiteral("xl/sharedStrings.xml"));
    const QString styles = zipMember(path, QStringLiteral("xl/styles.xml"));
    const QString workbook = zipMember(path, QStringLiteral("xl/workbook.xml"));
    ASSERT_FALSE(sheet.isEmpty());
    EXPECT_TRUE(strings.contains(kTitle));
    EXPECT_TRUE(strings.contains(QStringLiteral("น้ำปลา ตราปลาหมึก")));
    EXPECT_TRUE(strings.contains(QStringLiteral(">True<")));
    EXPECT_TRUE(workbook.contains(QStringLiteral("name=\"order\"")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<dimension ref=\"A1:H5\"/>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"B3\"><v>1234</v></c>")));
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>45356</v>")));    // 5 March 2024
    EXPECT_TRUE(sheet.contains(QStringLiteral("<v>45657.33690")));  // 31 Dec 2024 08:05:09
    EXPECT_TRUE(sheet.contains(QStringLiteral("<c r=\"B4\"><v>0</v></c>")));  // a zero, a number
    EXPECT_FALSE(sheet.contains(QStringLiteral("r=\"A5\"")));                 // NULL: no cell
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"d/m/yyyy\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"d/m/yyyy hh:mm:ss\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.00\"")));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.0\"")));
    // Characters Excel would read as codes are escaped: "%" does not multiply by 100 here.
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"0.0\\%;\\(0.0\\%\\)\"")));
}

TEST(SpreadsheetExport, TableFromGridTakesVisibleColumnsInDisplayOrder) {
    QStandardItemModel model(3, 4);
    model.setHorizontalHeaderLabels({QStringLiteral("Code"), QStringLiteral("Hidden"),
                                     QStringLiteral("Amount"), QStringLiteral("Date")});
    for (int r = 0; r < 3; ++r) {
        model.setData(model.index(r, 0), QStringLiteral("P%1").arg(r));
        model.setData(model.index(r, 1), r);
        model.setData(model.index(r, 2),
                      r == 0 ? QVariant() : QVariant::fromValue(db::Decimal(r).rounded(2)));
        model.setData(model.index(r, 3), QDateTime(QDate(2024, 3, r + 1), QTime(0, 0)));
    }
    QTableView view;
    view.setModel(&model);
    view.setColumnHidden(1, true);
    view.horizontalHeader()->moveSection(3, 0);  // Date shown first
    view.setRowHidden(1, true);

    const ExportTable t = ui::exportTableFromView(&view);
    ASSERT_EQ(t.columns.size(), 3);
    EXPECT_EQ(t.columns[0].title, QStringLiteral("Date"));
    EXPECT_EQ(t.columns[1].title, QStringLiteral("Code"));
    EXPECT_EQ(t.columns[2].title, QStringLiteral("Amount"));
    EXPECT_EQ(t.columns[0].kind, ColumnKind::DateTime);
    EXPECT_EQ(t.columns[1].kind, ColumnKind::Text);
    EXPECT_EQ(t.columns[2].kind, ColumnKind::Decimal);  // from the first non-null value
    ASSERT_EQ(t.rows.size(), 2u);
    EXPECT_EQ(t.rows[1][1], QVariant(QStringLiteral("P2")));
    EXPECT_EQ(t.rows[1][2].value<db::Decimal>().toString(), QStringLiteral("2.00"));
    EXPECT_FALSE(t.rows[0][2].isValid());

    // Without a header every column, every row.
    const ExportTable all = ui::exportTableFromModel(&model);
    EXPECT_EQ(all.columns.size(), 4);
    EXPECT_EQ(all.rows.size(), 3u);
    EXPECT_EQ(all.columns[1].kind, ColumnKind::Integer);

    // And the progress dialog around the export.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("grid.xls"));
    EXPECT_TRUE(ui::exportSpreadsheetWithProgress(&view, path, t, {kTitle}));
    const auto rows = readXlsSheet(path, nullptr);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[3][0], QVariant(QDate(2024, 3, 3)));
}

TEST(SpreadsheetExport, AGridsColumnsAreWrittenAsTheGridShowsThem) {
    // Money and on-hand quantities come from the server with four and six places; the grid
    // shows them through its own patterns, and so does every export.
    db::DataSet data;
    data.load(db::ResultSet({{"Price", db::FieldType::Decimal, 0, 19, 4},
                             {"Onhand", db::FieldType::Decimal, 0, 38, 6},
                             {"OrderQnty", db::FieldType::Integer, 0, 10, 0}},
                            {{dec("24.0000"), dec("6.000000"), qlonglong(1234)},
                             {dec("1234.5000"), dec("2.500000"), qlonglong(0)}}));
    DBGrid grid;
    grid.setDataSet(&data);
    grid.setColumns({{"Price", "ราคาขาย", 8, true, "#,##0.00", true},
                     {"Onhand", "คงเหลือ", 8, true, {}, true},
                     {"OrderQnty", "จำนวนสั่ง", 8, false, {}, true}});
    const ExportTable t = ui::exportTableFromView(&grid);
    ASSERT_EQ(t.columns.size(), 3);
    QStringList texts, shown;
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            texts << ui::exportText(t.columns[c], t.rows[r][c]);
            shown << grid.displayText(r, grid.visibleColumns()[c].field);
        }
    EXPECT_EQ(texts, shown);
    EXPECT_EQ(texts, QStringList({"24.00", "6", "1234", "1,234.50", "2.5", "0"}));

    QTemporaryDir dir;
    const QString txt = dir.filePath(QStringLiteral("grid.txt"));
    ASSERT_TRUE(ui::exportSpreadsheet(txt, t, {kTitle}));
    const QString lines = QStringDecoder("windows-874").decode(fileContent(txt));
    EXPECT_TRUE(lines.contains(QStringLiteral("24.00\t6\t1234\r\n")));
    if (QStandardPaths::findExecutable(QStringLiteral("unzip")).isEmpty()) return;
    const QString xlsx = dir.filePath(QStringLiteral("grid.xlsx"));
    ASSERT_TRUE(ui::exportSpreadsheet(xlsx, t, {kTitle}));
    const QString styles = zipMember(xlsx, QStringLiteral("xl/styles.xml"));
    EXPECT_TRUE(styles.contains(QStringLiteral("formatCode=\"#,##0.00\"")));
    EXPECT_FALSE(styles.contains(QStringLiteral("#,##0.0000")));
    EXPECT_FALSE(styles.contains(QStringLiteral("#,##0.000000")));
}

class SaveDialog : public ::testing::Test {
protected:
    void TearDown() override { ui::setSaveDialogHook({}); }
    // Answers the dialog with `name` in the filter whose extension is `extension`.
    void answer(const QString& name, const QString& extension = {}) {
        ui::setSaveDialogHook([=, this](QWidget*, const QString& directory, const QString& filter,
                                        QString* selected) {
            shownDirectory = directory;
            shownFilter = filter;
            shownSelected = *selected;
            if (!extension.isEmpty())
                for (const QString& f : filter.split(QStringLiteral(";;")))
                    if (f.endsWith(QStringLiteral("(*.") + extension + u')')) *selected = f;
            return name;
        });
    }
    QString shownDirectory, shownFilter, shownSelected;
};

TEST_F(SaveDialog, OffersTheFileTypesAndAddsTheChosenExtension) {
    EXPECT_EQ(ui::exportFileFilter(),
              QStringLiteral("Microsoft  Excel fies (*.xls);;Microsoft  Word document (*.doc);;"
                             "Text (*.txt);;Lotus 1-2-3 (*.wks);;QuattroPro spreadsheet (*.wq1);;"
                             "Microsoft Excel workbook (*.xlsx)"));
    answer(QStringLiteral("/tmp/report"));
    EXPECT_EQ(ui::askExportFileName(nullptr, QStringLiteral("/home/clerk")),
              QStringLiteral("/tmp/report.xls"));
    EXPECT_EQ(shownDirectory, QStringLiteral("/home/clerk"));
    EXPECT_EQ(shownFilter, ui::exportFileFilter());
    EXPECT_EQ(shownSelected, QStringLiteral("Microsoft  Excel fies (*.xls)"));

    answer(QStringLiteral("/tmp/report"), QStringLiteral("txt"));
    EXPECT_EQ(ui::askExportFileName(nullptr, {}), QStringLiteral("/tmp/report.txt"));
    answer(QStringLiteral("/tmp/report"), QStringLiteral("xlsx"));
    EXPECT_EQ(ui::askExportFileName(nullptr, {}), QStringLiteral("/tmp/report.xlsx"));
    answer(QStringLiteral("/tmp/report.csv"), QStringLiteral("txt"));  // an extension stays
    EXPECT_EQ(ui::askExportFileName(nullptr, {}), QStringLiteral("/tmp/report.csv"));
}

TEST_F(SaveDialog, CancelGivesNoName) {
    answer(QString());
    EXPECT_EQ(ui::askExportFileName(nullptr, QDir::currentPath()), QString());
}

}  // namespace
