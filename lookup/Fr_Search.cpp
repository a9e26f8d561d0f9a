#include "lookup/Fr_Search.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>

#include "data/Conventions.h"
#include "data/Dm_Config.h"
#include "statements/Lines.h"

const QString TFrSearch::kGridHint =
    QStringLiteral("สีแดง : เอกสารยกเลิก\r\nสีน้ำเงิน : เอกสารรับ/จ่ายแล้ว");

void TFrSearch::ResetSortState() {
    LastSortField.clear();
    SortDescending = false;
}

TFrSearch::TFrSearch(QWidget* parent) : TSearchDialog(parent) {
    setObjectName(QStringLiteral("FrSearch"));
    setWindowTitle(QStringLiteral("ค้นหา"));
    // A title bar without buttons: the dialog ends only through its own buttons and keys.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    LCode = new QLabel(QStringLiteral("รหัส"));
    Code = new QLineEdit;
    Code->setObjectName(QStringLiteral("Code"));
    upperCaseTyping(Code);
    LCode->setBuddy(Code);
    BtSearch = new QPushButton(QStringLiteral("ค้นหา"));
    BtSearch->setObjectName(QStringLiteral("BtSearch"));
    BtSearch->setFocusPolicy(Qt::ClickFocus);  // Tab passes it by
    BtOk = new QPushButton(QStringLiteral("เลือก"));
    BtOk->setObjectName(QStringLiteral("BtOk"));
    BtCancel = new QPushButton(QStringLiteral("ไม่เลือก"));
    BtCancel->setObjectName(QStringLiteral("BtCancel"));
    // Enter belongs to the dialog's key handling, not to a default button.
    for (QPushButton* b : {BtSearch, BtOk, BtCancel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    DgSearch = new QTableView;
    setUpSearchGrid(DgSearch);
    DgSearchModel = new TSearchGridModel(&QSearch, this);
    DgSearch->setModel(DgSearchModel);
    DgSearch->setToolTip(displayText(kGridHint));

    auto* header = new QHBoxLayout;
    header->addWidget(LCode);
    header->addWidget(Code, 1);
    header->addWidget(BtSearch);
    header->addWidget(BtOk);
    header->addWidget(BtCancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(DgSearch, 1);
    setFixedSize(560, 400);

    connect(BtSearch, &QPushButton::clicked, this, [this] { BtSearchClick(); });
    connect(BtOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BtCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(DgSearch, &QTableView::doubleClicked, this, &QDialog::accept);
    connect(DgSearch->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { DgSearchTitleBtnClick(column); });
}

void TFrSearch::showEvent(QShowEvent* event) {
    TSearchDialog::showEvent(event);
    if (event->spontaneous()) return;
    if (QScreen* screen = this->screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void TFrSearch::FormShow() {
    if (DmConfig && !DmConfig->ThaiLanguage) {
        BtSearch->setText(QStringLiteral("Search"));
        BtOk->setText(QStringLiteral("Choose"));
        BtCancel->setText(QStringLiteral("Cancel"));
        for (QPushButton* b : {BtSearch, BtOk, BtCancel}) {
            QFont font = b->font();
            font.setPointSize(8);
            b->setFont(font);
        }
        DgSearch->setToolTip({});
    }
    QSearch.close();
    Code->clear();
    Code->setFocus();
}

void TFrSearch::BtSearchClick() {
    RerunSearch();
}

void TFrSearch::RerunSearch() {
    QSearch.close();
    QSearch.open();
    // Columns widen to what they show (a date with its time, a long name), never narrow.
    QHeaderView* header = DgSearch->horizontalHeader();
    const QAbstractItemView* view = DgSearch;  // where the hint is public
    for (int c = 0; c < header->count(); ++c) {
        const int wanted = qMax(view->sizeHintForColumn(c), header->sectionSizeHint(c));
        if (header->sectionSize(c) < wanted) header->resizeSection(c, wanted);
    }
    focusFirstRow(DgSearch);
}

void TFrSearch::DgSearchTitleBtnClick(int column) {
    const int dataColumn = DgSearchModel->dataColumn(column);
    if (dataColumn < 0) return;
    const db::Column& field = QSearch.columns().at(dataColumn);
    const QString name = field.name.toUpper();
    if (isLargeObject(field) || name == u"REMARK" || name == u"MEMO") return;

    for (QString& line : QSearch.sql) {
        const std::string text = line.toStdString();
        if (!statements::holdsOrderBy(text)) continue;
        const bool descending = name == LastSortField && SortDescending;
        line =
            QString::fromStdString(statements::orderedByPosition(text, dataColumn + 1, descending));
        SortDescending = name != LastSortField || !SortDescending;
        // Kept in capitals: the next click compares the name in capitals with it.
        LastSortField = name;
    }
    RerunSearch();
}

void TFrSearch::done(int result) {
    const int row = currentRow(DgSearch);
    if (result != QDialog::Accepted || row < 0) {
        ChosenValue.clear();
        result = QDialog::Rejected;
    } else {
        ChosenValue = searchDisplayText(QSearch.value(row, ResultColumn));
    }
    QDialog::done(result);
}

bool TFrSearch::FormKeyDown(QWidget* focused, QKeyEvent* key) {
    if (key->key() == Qt::Key_Down && focused == Code) {
        DgSearch->setFocus();
        return true;
    }
    return TSearchDialog::FormKeyDown(focused, key);
}
