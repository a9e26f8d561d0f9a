#include "ui/BiffWriter.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>

#include "ui/CfbWriter.h"

namespace ui {

namespace {

// Record types (MS-XLS 2.3).
enum : quint16 {
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFont = 0x0031,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kCodePage = 0x0042,
    kColInfo = 0x007D,
    kBoundSheet = 0x0085,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kExtSst = 0x00FF,
    kLabelSst = 0x00FD,
    kDimensions = 0x0200,
    kNumber = 0x0203,
    kWindow2 = 0x023E,
    kStyle = 0x0293,
    kFormat = 0x041E,
    kBof = 0x0809,
};

constexpr int kMaxRecordData = 8224;
constexpr int kFirstCustomFormat = 164;
constexpr int kFirstCustomXf = 16;  // 0-14 style XFs, 15 the default cell XF
constexpr int kMaxXfs = 4000;

class Bytes {
public:
    Bytes& u8(quint8 v) {
        data.append(static_cast<char>(v));
        return *this;
    }
    Bytes& u16(quint16 v) { return raw(qToLittleEndian(v)); }
    Bytes& u32(quint32 v) { return raw(qToLittleEndian(v)); }
    Bytes& f64(double v) {
        quint64 bits;
        std::memcpy(&bits, &v, sizeof bits);
        return raw(qToLittleEndian(bits));
    }
    Bytes& zeros(int n) {
        data.append(n, 0);
        return *this;
    }
    // Characters of a string whose flag byte said compressed (1 byte each) or UTF-16.
    Bytes& chars(QStringView s, bool wide) {
        for (QChar c : s) wide ? u16(c.unicode()) : u8(static_cast<quint8>(c.unicode()));
        return *this;
    }
    QByteArray data;

private:
    template <typename T>
    Bytes& raw(T v) {
        data.append(reinterpret_cast<const char*>(&v), sizeof v);
        return *this;
    }
};

bool needsWide(QStringView s) {
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.unicode() > 0xFF; });
}

void appendRecord(QByteArray& stream, quint16 type, const QByteArray& body) {
    Q_ASSERT(body.size() <= kMaxRecordData);
    Bytes header;
    header.u16(type).u16(static_cast<quint16>(body.size()));
    stream.append(header.data).append(body);
}

// ShortXLUnicodeString (sheet and font names): 1-byte length.
Bytes& shortString(Bytes& b, const QString& s) {
    const bool wide = needsWide(s);
    return b.u8(static_cast<quint8>(s.size())).u8(wide ? 1 : 0).chars(s, wide);
}

QByteArray bof(quint16 substream) {
    Bytes b;
    b.u16(0x0600).u16(substream).u16(0x0DBB).u16(0x07CC).u32(0).u32(0x00000006);
    return b.data;
}

QByteArray xf(quint16 format, bool style) {
    Bytes b;
    b.u16(0).u16(format);            // font 0, number format
    b.u16(style ? 0xFFF5 : 0x0001);  // locked; a style XF has no parent, a cell XF Normal
    b.u8(0x20).u8(0).u8(0);          // bottom-aligned, no rotation or indent
    b.u8(style ? 0xF4 : (format ? 0x04 : 0x00));  // which attributes this XF sets
    b.u32(0).u32(0).u16(0x20C0);                  // no borders, automatic colours
    return b.data;
}

// The shared string table: SST, continued in CONTINUE records past 8224 bytes of data, then
// EXTSST, the index of every bucket's first string in the stream.
void appendSst(QByteArray& stream, const QStringList& strings, quint32 totalUses) {
    const quint32 count = static_cast<quint32>(strings.size());
    const quint32 bucket = std::max<quint32>(8, (count + 127) / 128);
    struct BucketStart {
        quint32 streamPos;
        quint16 recordOffset;
    };
    std::vector<BucketStart> buckets;

    quint16 type = kSst;
    Bytes rec;
    auto flush = [&] {
        appendRecord(stream, type, rec.data);
        type = kContinue;
        rec.data.clear();
    };
    auto room = [&] { return kMaxRecordData - int(rec.data.size()); };

    rec.u32(totalUses).u32(count);
    for (quint32 i = 0; i < count; ++i) {
        const QString& s = strings.at(i);
        const bool wide = needsWide(s);
        const int charSize = wide ? 2 : 1;
        // The length and flags may not be split from the string's first character.
        if (room() < 3 + (s.isEmpty() ? 0 : charSize)) flush();
        if (i % bucket == 0) {
            const auto offset = static_cast<quint16>(4 + rec.data.size());
            buckets.push_back({static_cast<quint32>(stream.size()) + offset, offset});
        }
        rec.u16(static_cast<quint16>(s.size())).u8(wide ? 1 : 0);
        for (qsizetype done = 0; done < s.size();) {
            const qsizetype fits = std::min<qsizetype>(room() / charSize, s.size() - done);
            if (fits == 0) {
                // A continued string starts its CONTINUE record with its flags again.
                flush();
                rec.u8(wide ? 1 : 0);
                continue;
            }
            rec.chars(QStringView(s).mid(done, fits), wide);
            done += fits;
        }
    }
    flush();

    Bytes ext;
    ext.u16(static_cast<quint16>(bucket));
    for (const BucketStart& b : buckets) ext.u32(b.streamPos).u16(b.recordOffset).u16(0);
    appendRecord(stream, kExtSst, ext.data);
}

}  // namespace

QString excelSheetName(const QString& name) {
    QString s = name.left(31);
    for (QChar& c : s)
        if (QStringLiteral("[]:*?/\\").contains(c)) c = u'_';
    if (s.startsWith(u'\'')) s[0] = u'_';
    if (s.endsWith(u'\'')) s[s.size() - 1] = u'_';
    return s.isEmpty() ? QStringLiteral("Sheet1") : s;
}

BiffWriter::BiffWriter(const QString& sheetName) : sheetName_(excelSheetName(sheetName)) {}

void BiffWriter::checkPosition(int row, int column) const {
    if (row < 0 || row >= kMaxRows || column < 0 || column >= kMaxColumns)
        throw std::out_of_range("cell outside an Excel 97-2003 worksheet");
}

void BiffWriter::writeText(int row, int column, const QString& text) {
    checkPosition(row, column);
    // Readers differ on empty shared strings (FreeXL drops the sheet); an empty cell is blank.
    if (text.isEmpty()) return;
    const QString s = text.left(kMaxTextLength);
    auto it = stringIndex_.constFind(s);
    if (it == stringIndex_.constEnd()) {
        it = stringIndex_.insert(s, static_cast<quint32>(strings_.size()));
        strings_.append(s);
    }
    cells_.push_back({quint16(row), quint16(column), quint16(15), true, double(*it)});
}

void BiffWriter::writeNumber(int row, int column, double value, const QString& format) {
    checkPosition(row, column);
    if (!std::isfinite(value)) throw std::invalid_argument("a worksheet number must be finite");
    cells_.push_back({quint16(row), quint16(column), xfFor(format), false, value});
}

void BiffWriter::setColumnWidth(int column, double characters) {
    checkPosition(0, column);
    widths_[column] = std::clamp(characters, 0.0, 255.0);
}

quint16 BiffWriter::xfFor(const QString& format) {
    if (format.isEmpty()) return 15;
    qsizetype i = formats_.indexOf(format);
    if (i < 0) {
        if (formats_.size() >= kMaxXfs - kFirstCustomXf)
            throw std::length_error("too many number formats for one workbook");
        i = formats_.size();
        formats_.append(format);
    }
    return static_cast<quint16>(kFirstCustomXf + i);
}

QByteArray BiffWriter::workbookStream() const {
    // Cells in row order, the last write of a cell winning.
    std::vector<Cell> cells = cells_;
    std::stable_sort(cells.begin(), cells.end(), [](const Cell& a, const Cell& b) {
        return std::tie(a.row, a.column) < std::tie(b.row, b.column);
    });
    auto sameCell = [](const Cell& a, const Cell& b) {
        return a.row == b.row && a.column == b.column;
    };
    std::vector<Cell> unique;
    unique.reserve(cells.size());
    for (const Cell& c : cells) {
        if (!unique.empty() && sameCell(unique.back(), c))
            unique.back() = c;
        else
            unique.push_back(c);
    }
    const auto textCells = static_cast<quint32>(
        std::count_if(unique.begin(), unique.end(), [](const Cell& c) { return c.text; }));

    // Workbook globals.
    QByteArray stream;
    appendRecord(stream, kBof, bof(0x0005));
    appendRecord(stream, kCodePage, Bytes().u16(1200).data);  // strings are Unicode
    {
        Bytes w;
        w.u16(0).u16(0).u16(0x3A98).u16(0x2328).u16(0x0038).u16(0).u16(0).u16(1).u16(600);
        appendRecord(stream, kWindow1, w.data);
    }
    appendRecord(stream, kDateMode, Bytes().u16(0).data);  // serial numbers count from 1900
    // Five fonts, as index 4 is never used; Tahoma has the Thai letters.
    for (int i = 0; i < 5; ++i) {
        Bytes f;
        f.u16(200).u16(0).u16(0x7FFF).u16(400).u16(0).u8(0).u8(0).u8(0).u8(0);
        shortString(f, QStringLiteral("Tahoma"));
        appendRecord(stream, kFont, f.data);
    }
    for (qsizetype i = 0; i < formats_.size(); ++i) {
        const QString& code = formats_.at(i);
        const bool wide = needsWide(code);
        Bytes f;
        f.u16(static_cast<quint16>(kFirstCustomFormat + i));
        f.u16(static_cast<quint16>(code.size())).u8(wide ? 1 : 0).chars(code, wide);
        appendRecord(stream, kFormat, f.data);
    }
    for (int i = 0; i < 15; ++i) appendRecord(stream, kXf, xf(0, true));
    appendRecord(stream, kXf, xf(0, false));
    for (qsizetype i = 0; i < formats_.size(); ++i)
        appendRecord(stream, kXf, xf(static_cast<quint16>(kFirstCustomFormat + i), false));
    appendRecord(stream, kStyle, Bytes().u16(0x8000).u8(0).u8(0xFF).data);  // Normal
    const qsizetype boundSheetAt = stream.size() + 4;
    {
        Bytes b;
        b.u32(0).u8(0).u8(0);  // position patched below; visible worksheet
        shortString(b, sheetName_);
        appendRecord(stream, kBoundSheet, b.data);
    }
    appendSst(stream, strings_, textCells);
    appendRecord(stream, kEof, {});

    // The worksheet.
    qToLittleEndian(static_cast<quint32>(stream.size()), stream.data() + boundSheetAt);
    appendRecord(stream, kBof, bof(0x0010));
    for (const auto& [column, width] : widths_) {
        Bytes c;
        c.u16(quint16(column)).u16(quint16(column)).u16(quint16(std::lround(width * 256)));
        c.u16(15).u16(0).u16(0);
        appendRecord(stream, kColInfo, c.data);
    }
    {
        quint32 rowFirst = 0, rowLast = 0;
        quint16 colFirst = 0, colLast = 0;
        if (!unique.empty()) {
            rowFirst = unique.front().row;
            rowLast = unique.back().row + 1u;
            colFirst = kMaxColumns;
            for (const Cell& c : unique) {
                colFirst = std::min(colFirst, c.column);
                colLast = std::max<quint16>(colLast, c.column + 1);
            }
        }
        appendRecord(stream, kDimensions,
                     Bytes().u32(rowFirst).u32(rowLast).u16(colFirst).u16(colLast).u16(0).data);
    }
    for (const Cell& c : unique) {
        Bytes b;
        b.u16(c.row).u16(c.column).u16(c.xf);
        if (c.text)
            appendRecord(stream, kLabelSst, b.u32(static_cast<quint32>(c.number)).data);
        else
            appendRecord(stream, kNumber, b.f64(c.number).data);
    }
    {
        Bytes w;
        w.u16(0x06B6).u16(0).u16(0).u16(64).u16(0).u16(0).u16(0).u32(0);
        appendRecord(stream, kWindow2, w.data);
    }
    appendRecord(stream, kEof, {});
    return stream;
}

QByteArray BiffWriter::toFile() const {
    return compoundFile(QStringLiteral("Workbook"), workbookStream());
}

}  // namespace ui
