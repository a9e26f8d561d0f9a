#pragma once
// The requisition screen on a company database of a throw-away server, with messages recorded
// and the browse button's chooser replaced, and the buying workbooks each test describes cell
// by cell (written with libxlsxwriter, as another program would).
#include <gtest/gtest.h>

#include <xlsxwriter.h>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "data/Messages.h"
#include "spreadsheet_intake/Fr_LoadSrrToPoRQ.h"
#include "tests/common/client_fixture.h"

namespace load_srr {

using Value = std::variant<std::monostate, double, std::string, bool>;

// A cell in sheet coordinates from 1 (row 1, column 1 is A1).
struct Cell {
    int row;
    int column;
    Value value;
};

// Writes the cells as the first (only) worksheet of an .xlsx workbook.
inline void writeXlsx(const QString& path, const std::vector<Cell>& cells) {
    const QByteArray file = path.toLocal8Bit();
    lxw_workbook* book = workbook_new(file.constData());
    ASSERT_NE(book, nullptr);
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    for (const Cell& c : cells) {
        const auto row = static_cast<lxw_row_t>(c.row - 1);
        const auto column = static_cast<lxw_col_t>(c.column - 1);
        if (const auto* n = std::get_if<double>(&c.value))
            worksheet_write_number(sheet, row, column, *n, nullptr);
        else if (const auto* s = std::get_if<std::string>(&c.value))
            worksheet_write_string(sheet, row, column, s->c_str(), nullptr);
        else if (const auto* b = std::get_if<bool>(&c.value))
            worksheet_write_boolean(sheet, row, column, *b ? 1 : 0, nullptr);
    }
    ASSERT_EQ(workbook_close(book), LXW_NO_ERROR) << path.toStdString();
}

// A buying sheet in the screen's layout, placed with its top-left cell at (top, left).
class BuyingSheet {
public:
    explicit BuyingSheet(int top = 1, int left = 1) : top_(top), left_(left) {
        at(1, 1, std::string("ใบขอซื้อ"));
        at(6, TFrLoadSrrToPoRQ::kQuantityColumn, std::string("Qty"));
        at(6, TFrLoadSrrToPoRQ::kVendorColumn, std::string("VenCode"));
        at(6, TFrLoadSrrToPoRQ::kFinalOrderColumn, std::string("FinalOrder"));
    }
    // A cell counted from the sheet's top-left cell, as the layout counts.
    BuyingSheet& at(int row, int column, Value value) {
        cells_.push_back({top_ + row - 1, left_ + column - 1, std::move(value)});
        return *this;
    }
    // A data row.
    BuyingSheet& line(int row, Value quantity, Value vendor, Value item, Value barcode,
                      Value finalOrder) {
        at(row, TFrLoadSrrToPoRQ::kQuantityColumn, std::move(quantity));
        at(row, TFrLoadSrrToPoRQ::kVendorColumn, std::move(vendor));
        at(row, TFrLoadSrrToPoRQ::kItemColumn, std::move(item));
        at(row, TFrLoadSrrToPoRQ::kBarcodeColumn, std::move(barcode));
        at(row, TFrLoadSrrToPoRQ::kFinalOrderColumn, std::move(finalOrder));
        return *this;
    }
    const std::vector<Cell>& cells() const { return cells_; }

private:
    int top_, left_;
    std::vector<Cell> cells_;
};

class LoadSrrTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(files.mkpath(QStringLiteral(".")));
        server.createConfig();
        server.createCompany(QStringLiteral("NWX"));
        modules.dm.setDatabaseParameter(QStringLiteral("NWX"));
        modules.config.GetCompanyConfig(QStringLiteral("NWX"));
        modules.config.UserId = 1;
        modules.config.MenuId = 1601;
        modules.config.ThaiLanguage = true;
        TFrLoadSrrToPoRQ::setFileChooser([this](QWidget*, const QString& current) {
            chooserSaw = current;
            return chosen;
        });
        screen = std::make_unique<TFrLoadSrrToPoRQ>();
        screen->show();
        QApplication::processEvents();
    }
    void TearDown() override {
        screen.reset();
        TFrLoadSrrToPoRQ::setFileChooser({});
    }

    QString file(const QString& name) const { return files.filePath(name); }
    QString write(const QString& name, const BuyingSheet& sheet) {
        const QString path = file(name);
        writeXlsx(path, sheet.cells());
        return path;
    }
    // Types the name and presses Load.
    void load(const QString& path) {
        screen->EdFileName->setText(path);
        screen->BLoadClick();
    }
    QString text(int row, const char* field) const {
        return screen->PrImportSet.value(row, QString::fromLatin1(field)).toString();
    }

    testing_support::ClientServer server;
    testing_support::DataModules modules{server};
    RecordingMessageService messages;
    ScopedMessageService scopedMessages{messages};
    QDir files{server.folder() + QStringLiteral("/files")};
    QString chosen;
    QString chooserSaw;
    std::unique_ptr<TFrLoadSrrToPoRQ> screen;
};

inline const QString kLoaded = QStringLiteral("Load ข้อมูลเรียบร้อยแล้ว");
inline const QString kNotFound = QStringLiteral("ไม่พบ File ที่ต้องการ กรุณาตรวจสอบอีกครั้ง");

}  // namespace load_srr
