// The Excel 97-2003 writer: its compound file read back by a reader of our own (every FAT and
// DIFAT link checked), its records walked, and whole workbooks read back with FreeXL.
#include "ui/BiffWriter.h"

#include <freexl.h>
#include <gtest/gtest.h>

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QVariant>
#include <QtEndian>
#include <random>
#include <set>

#include "ui/CfbWriter.h"

// A FreeXL reading of an .xls file's first sheet (also used by the export tests): numbers as
// qlonglong or double, texts as QString, dates as QDate and date-times as QDateTime, empty
// cells as null. Records a test failure and returns no rows when FreeXL refuses the file.
std::vector<QVariantList> readXlsSheet(const QString& path, QString* sheetName) {
    std::vector<QVariantList> rows;
    const void* handle = nullptr;
    const int opened = freexl_open(QFile::encodeName(path).constData(), &handle);
    if (opened != FREEXL_OK) {
        ADD_FAILURE() << "FreeXL cannot open " << path.toStdString() << ": " << opened;
        return rows;
    }
    unsigned int sheets = 0;
    freexl_get_info(handle, FREEXL_BIFF_SHEET_COUNT, &sheets);
    EXPECT_EQ(sheets, 1u);
    const char* name = nullptr;
    if (sheetName && freexl_get_worksheet_name(handle, 0, &name) == FREEXL_OK)
        *sheetName = QString::fromUtf8(name);
    freexl_select_active_worksheet(handle, 0);
    unsigned int rowCount = 0;
    unsigned short columnCount = 0;
    freexl_worksheet_dimensions(handle, &rowCount, &columnCount);
    rows.resize(rowCount);
    for (unsigned int r = 0; r < rowCount; ++r) {
        for (unsigned short c = 0; c < columnCount; ++c) {
            FreeXL_CellValue v;
            QVariant cell;
            if (freexl_get_cell_value(handle, r, c, &v) == FREEXL_OK) {
                switch (v.type) {
                    case FREEXL_CELL_INT:
                        cell = qlonglong(v.value.int_value);
                        break;
                    case FREEXL_CELL_DOUBLE:
                        cell = v.value.double_value;
                        break;
                    case FREEXL_CELL_DATE:
                        cell =
                            QDate::fromString(QString::fromUtf8(v.value.text_value), Qt::ISODate);
                        break;
                    case FREEXL_CELL_DATETIME:
                        cell = QDateTime::fromString(QString::fromUtf8(v.value.text_value),
                                                     QStringLiteral("yyyy-MM-dd HH:mm:ss"));
                        break;
                    case FREEXL_CELL_NULL:
                        break;
                    default:
                        cell = QString::fromUtf8(v.value.text_value);
                }
            }
            rows[r].append(cell);
        }
    }
    freexl_close(handle);
    return rows;
}

namespace {

quint32 u32At(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 u16At(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}

// A strict reader of the one-stream compound files the writer makes: every sector is owned
// exactly once (FAT, DIFAT, directory or stream), and the stream is its chain's sectors.
QByteArray readCompoundStream(const QByteArray& file, const QString& expectedName) {
    auto sector = [&](quint32 s) { return file.mid(512 * (qsizetype(s) + 1), 512); };
    EXPECT_EQ(file.left(8), QByteArray::fromHex("D0CF11E0A1B11AE1"));
    EXPECT_EQ(u16At(file, 26), 3);
    EXPECT_EQ(u16At(file, 30), 9);
    EXPECT_EQ(file.size() % 512, 0);
    const quint32 sectorCount = quint32(file.size() / 512 - 1);

    std::vector<quint32> fatSectors;
    const quint32 fatCount = u32At(file, 44);
    for (int i = 0; i < 109 && fatSectors.size() < fatCount; ++i)
        fatSectors.push_back(u32At(file, 76 + 4 * i));
    std::vector<quint32> difatSectors;
    for (quint32 d = u32At(file, 68); d != 0xFFFFFFFE; d = u32At(sector(d), 508)) {
        difatSectors.push_back(d);
        const QByteArray s = sector(d);
        for (int i = 0; i < 127 && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(u32At(s, 4 * i));
        if (difatSectors.size() > sectorCount) break;  // a loop
    }
    EXPECT_EQ(difatSectors.size(), u32At(file, 72));
    EXPECT_EQ(fatSectors.size(), fatCount);

    QByteArray fat;
    for (quint32 s : fatSectors) fat += sector(s);
    auto next = [&](quint32 s) { return u32At(fat, 4 * qsizetype(s)); };
    std::set<quint32> seen;
    auto own = [&](quint32 s) { EXPECT_TRUE(seen.insert(s).second) << "sector " << s; };
    for (quint32 s : fatSectors) {
        own(s);
        EXPECT_EQ(next(s), 0xFFFFFFFDu);
    }
    for (quint32 s : difatSectors) {
        own(s);
        EXPECT_EQ(next(s), 0xFFFFFFFCu);
    }

    const quint32 directory = u32At(file, 48);
    own(directory);
    EXPECT_EQ(next(directory), 0xFFFFFFFEu);
    const QByteArray dir = sector(directory);
    EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(dir.constData()), 10),
              QStringLiteral("Root Entry"));
    EXPECT_EQ(u32At(dir, 76), 1u);  // the root's child: the stream
    const QByteArray entry = dir.mid(128, 128);
    const int nameBytes = u16At(entry, 64);
    EXPECT_EQ(
        QString::fromUtf16(reinterpret_cast<const char16_t*>(entry.constData()), nameBytes / 2 - 1),
        expectedName);
    EXPECT_EQ(entry.at(66), 2);

    QByteArray stream;
    const quint32 size = u32At(entry, 120);
    for (quint32 s = u32At(entry, 116); s != 0xFFFFFFFE; s = next(s)) {
        if (s >= sectorCount || seen.count(s)) {
            ADD_FAILURE() << "bad chain at sector " << s;
            break;
        }
        own(s);
        stream += sector(s);
    }
    EXPECT_EQ(seen.size(), sectorCount);  // nothing unaccounted for
    EXPECT_GE(qsizetype(stream.size()), qsizetype(size));
    return stream.left(size);
}

TEST(CompoundFile, SmallStreamIsPaddedOutOfTheMiniStream) {
    const QByteArray file = ui::compoundFile(QStringLiteral("Workbook"), "abc");
    EXPECT_EQ(u32At(file, 60), 0xFFFFFFFEu);  // no mini FAT
    const QByteArray stream = readCompoundStream(file, QStringLiteral("Workbook"));
    ASSERT_EQ(stream.size(), ui::kCfbMiniStreamCutoff);
    EXPECT_EQ(stream.left(3), "abc");
    EXPECT_EQ(stream.mid(3), QByteArray(ui::kCfbMiniStreamCutoff - 3, 0));
}

TEST(CompoundFile, StreamsPastTheHeadersFatCapacityUseDifatSectors) {
    // The header lists 109 FAT sectors, enough for about 7 MB; 9 MB needs the DIFAT chain.
    QByteArray data(9 * 1024 * 1024 + 123, Qt::Uninitialized);
    std::mt19937 random(7);
    for (char& c : data) c = static_cast<char>(random());
    const QByteArray file = ui::compoundFile(QStringLiteral("Workbook"), data);
    EXPECT_GT(u32At(file, 44), 109u);
    EXPECT_GE(u32At(file, 72), 1u);
    EXPECT_TRUE(readCompoundStream(file, QStringLiteral("Workbook")) == data);

    // Right at the edge: exactly the sectors 109 FAT sectors can map, and one more.
    for (int sectors : {109 * 128 - 111, 109 * 128 - 110, 109 * 128 - 109}) {
        const QByteArray edge(512 * sectors, 'x');
        const QByteArray f = ui::compoundFile(QStringLiteral("Workbook"), edge);
        EXPECT_TRUE(readCompoundStream(f, QStringLiteral("Workbook")) == edge) << sectors;
    }
}

// The records of a workbook stream: type and data.
std::vector<std::pair<quint16, QByteArray>> records(const QByteArray& stream,
                                                    std::vector<qsizetype>* offsets = nullptr) {
    std::vector<std::pair<quint16, QByteArray>> out;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const quint16 type = u16At(stream, at), length = u16At(stream, at + 2);
        if (type == 0 && length == 0) break;  // padding
        if (offsets) offsets->push_back(at);
        out.emplace_back(type, stream.mid(at + 4, length));
        at += 4 + length;
    }
    return out;
}

QString thaiText(int length, int seed) {
    QString s;
    for (int i = 0; i < length; ++i) s += QChar(0x0E01 + (i * 7 + seed) % 46);
    return s;
}

// The shared string table as a reader assembles it from SST and its CONTINUE records: a
// string's length and flags never split from it, a continued string's next part starting
// with its flags again.
QStringList sharedStrings(const std::vector<std::pair<quint16, QByteArray>>& recs, size_t sst,
                          quint32* uses) {
    std::vector<QByteArray> parts{recs[sst].second};
    for (size_t i = sst + 1; i < recs.size() && recs[i].first == 0x003C; ++i)
        parts.push_back(recs[i].second);
    size_t part = 0;
    qsizetype at = 8;
    *uses = u32At(parts[0], 0);
    const quint32 count = u32At(parts[0], 4);
    QStringList strings;
    for (quint32 n = 0; n < count; ++n) {
        if (at == parts[part].size()) ++part, at = 0;
        if (part >= parts.size() || at + 3 > parts[part].size()) {
            ADD_FAILURE() << "string " << n << ": header split or missing";
            break;
        }
        const quint16 length = u16At(parts[part], at);
        bool wide = parts[part].at(at + 2) & 1;
        at += 3;
        QString s;
        while (s.size() < length) {
            if (at == parts[part].size()) {
                if (++part >= parts.size()) return strings;
                wide = parts[part].at(0) & 1;
                at = 1;
            }
            const QByteArray& p = parts[part];
            const qsizetype take =
                std::min<qsizetype>(length - s.size(), (p.size() - at) / (wide ? 2 : 1));
            for (qsizetype i = 0; i < take; ++i, at += wide ? 2 : 1)
                s += wide ? QChar(u16At(p, at)) : QChar(uchar(p.at(at)));
            if (take == 0 && at != p.size()) {
                ADD_FAILURE() << "string " << n << ": a character split between records";
                return strings;
            }
        }
        strings << s;
    }
    return strings;
}

TEST(BiffWriter, SharedStringsSplitAcrossContinueRecords) {
    // Boundaries inside long Thai (two bytes a character) and Latin (one byte) texts, between
    // strings and right after a string's header; a mixed text is UTF-16 as a whole.
    QStringList texts;
    texts << thaiText(9000, 1) << QString(20000, u'a') << QStringLiteral("x");
    for (int i = 0; i < 3000; ++i)
        texts << (i % 3 ? QStringLiteral("item %1").arg(i) : thaiText(i % 50 + 1, i));
    texts << (QString(5000, u'b') + thaiText(3000, 2)) << QString(40000, u'c');
    ui::BiffWriter writer;
    for (int i = 0; i < texts.size(); ++i) writer.writeText(i, 0, texts[i]);
    writer.writeText(0, 1, texts[2]);  // used twice, stored once

    std::vector<qsizetype> offsets;
    const QByteArray stream = writer.workbookStream();
    const auto recs = records(stream, &offsets);
    size_t sst = 0, extsst = 0;
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_LE(recs[i].second.size(), 8224);
        if (recs[i].first == 0x00FC) sst = i;
        if (recs[i].first == 0x00FF) extsst = i;
    }
    ASSERT_GT(sst, 0u);
    ASSERT_GT(extsst, sst + 5);  // continued several times

    QStringList expected = texts;
    expected.last() = expected.last().left(ui::BiffWriter::kMaxTextLength);
    quint32 uses = 0;
    const QStringList strings = sharedStrings(recs, sst, &uses);
    EXPECT_EQ(uses, quint32(texts.size() + 1));
    ASSERT_EQ(strings.size(), expected.size());
    for (qsizetype i = 0; i < strings.size(); ++i)
        ASSERT_EQ(strings[i], expected[i]) << "string " << i;

    // EXTSST: each bucket's first string is where it says, in the stream and in its record.
    const QByteArray ext = recs[extsst].second;
    const int bucket = u16At(ext, 0);
    EXPECT_EQ((ext.size() - 2) / 8, (strings.size() + bucket - 1) / bucket);
    EXPECT_LE((ext.size() - 2) / 8, 128);
    for (qsizetype b = 0; 2 + 8 * b < ext.size(); ++b) {
        const quint32 position = u32At(ext, 2 + 8 * b);
        const quint16 inRecord = u16At(ext, 6 + 8 * b);
        EXPECT_EQ(u16At(stream, position), expected[b * bucket].size()) << "bucket " << b;
        bool found = false;
        for (size_t r = sst; r < extsst; ++r)
            found = found || offsets[r] + 4 + (inRecord - 4) == qsizetype(position);
        EXPECT_TRUE(found) << "bucket " << b;
    }
}

void writeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(content), content.size());
}

TEST(BiffWriter, FreeXlReadsThaiTextsBackAcrossRecords) {
    // FreeXL joins a string from at most two records, so no text here spans three; longer
    // ones are checked at the record level above.
    QStringList texts;
    texts << thaiText(8000, 1);  // from the SST record into the first CONTINUE
    for (int i = 0; i < 3000; ++i)
        texts << (i % 3 ? QStringLiteral("item %1").arg(i) : thaiText(i % 50 + 1, i));
    texts << (QString(3000, u'b') + thaiText(1000, 2)) << QString(6000, u'a');
    ui::BiffWriter writer(QStringLiteral("ข้อมูล"));
    for (int i = 0; i < texts.size(); ++i) writer.writeText(i, 0, texts[i]);
    writer.writeText(texts.size(), 0, QString());  // writes nothing

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("strings.xls"));
    writeFile(path, writer.toFile());
    QString name;
    const auto rows = readXlsSheet(path, &name);
    EXPECT_EQ(name, QStringLiteral("ข้อมูล"));
    ASSERT_EQ(rows.size(), size_t(texts.size()));
    for (int i = 0; i < texts.size(); ++i)
        ASSERT_EQ(rows[i].value(0).toString(), texts[i]) << "row " << i;
}

TEST(BiffWriter, NumbersFormatsAndPositions) {
    ui::BiffWriter writer;
    writer.writeNumber(0, 0, 1234.5, QStringLiteral("#,##0.00"));
    writer.writeNumber(0, 1, 45356.75, QStringLiteral("d/m/yyyy hh:mm:ss"));
    writer.writeNumber(0, 2, 45356, QStringLiteral("d/m/yyyy"));
    writer.writeNumber(0, 3, -7, QStringLiteral("#,##0.00"));  // a format used twice
    writer.writeText(2, 255, QStringLiteral("last column"));
    writer.writeNumber(1, 0, 1);
    writer.writeNumber(1, 0, 2);  // the last write wins
    writer.setColumnWidth(0, 20);
    EXPECT_THROW(writer.writeNumber(65536, 0, 1), std::out_of_range);
    EXPECT_THROW(writer.writeNumber(0, 256, 1), std::out_of_range);
    EXPECT_THROW(writer.writeNumber(0, 0, std::nan("")), std::invalid_argument);
    EXPECT_EQ(writer.sheetName(), QStringLiteral("Sheet1"));
    EXPECT_EQ(ui::excelSheetName(QStringLiteral("'a/b[1]:c*?'")), QStringLiteral("_a_b_1__c___"));
    EXPECT_EQ(ui::excelSheetName(QString(40, u'x')).size(), 31);

    int formats = 0, xfs = 0;
    for (const auto& [type, data] : records(writer.workbookStream())) {
        formats += type == 0x041E;
        xfs += type == 0x00E0;
    }
    EXPECT_EQ(formats, 3);
    EXPECT_EQ(xfs, 16 + 3);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("numbers.xls"));
    writeFile(path, writer.toFile());
    const auto rows = readXlsSheet(path, nullptr);
    ASSERT_EQ(rows.size(), 3u);
    ASSERT_EQ(rows[0].size(), 256);
    EXPECT_EQ(rows[0][0], QVariant(1234.5));
    EXPECT_EQ(rows[0][1], QVariant(QDateTime(QDate(2024, 3, 5), QTime(18, 0))));
    EXPECT_EQ(rows[0][2], QVariant(QDate(2024, 3, 5)));
    EXPECT_EQ(rows[0][3].toDouble(), -7);
    EXPECT_EQ(rows[1][0].toDouble(), 2);
    EXPECT_EQ(rows[2][255], QVariant(QStringLiteral("last column")));
    EXPECT_FALSE(rows[1][1].isValid());
}

}  // namespace
