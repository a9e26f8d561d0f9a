#include "lookup/Fa_GetDocNo.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

#include "lookup/SearchGrid.h"

TFaGetDocNo::TFaGetDocNo(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("FaGetDocNo"));
    LDocNo = new QLabel(QStringLiteral("เลขที่"));
    DocNo = new QLineEdit;
    DocNo->setObjectName(QStringLiteral("DocNo"));
    upperCaseTyping(DocNo);
    LDocNo->setBuddy(DocNo);
    BtSearch = new QToolButton;
    BtSearch->setObjectName(QStringLiteral("BtSearch"));
    BtSearch->setText(QStringLiteral("..."));
    BtSearch->setToolTip(QStringLiteral("ค้นหาเลขที่เอกสาร"));
    BtSearch->setFocusPolicy(Qt::NoFocus);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(LDocNo);
    layout->addWidget(DocNo, 1);
    layout->addWidget(BtSearch);
    setFocusProxy(DocNo);

    DocNo->installEventFilter(this);
    connect(BtSearch, &QToolButton::clicked, this, [this] { BtSearchClick(); });
    // After the capitals (connected first): writes what the field then holds.
    connect(DocNo, &QLineEdit::textEdited, this, [this] { writeBoundValue(DocNo->text()); });
    connect(qApp, &QApplication::focusChanged, this, &TFaGetDocNo::focusChanged);
}

TFaGetDocNo::~TFaGetDocNo() {
    unbind();
}

QString TFaGetDocNo::text() const {
    return DocNo->text();
}

void TFaGetDocNo::setText(const QString& text) {
    DocNo->setText(text);
    writeBoundValue(DocNo->text());
}

void TFaGetDocNo::BtSearchClick() {
    if (search_) search_();
}

bool TFaGetDocNo::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DocNo && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F5) {
        BtSearchClick();
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TFaGetDocNo::focusChanged(QWidget*, QWidget* now) {
    // Entering and leaving are moves between controls of this window: the focus going to
    // another window (a search dialog) and coming back is neither.
    if (!now || now->window() != window()) return;
    const bool inside = now == this || isAncestorOf(now);
    if (inside == focusInside_) return;
    focusInside_ = inside;
    if (inside)
        BtSearch->setEnabled(true);
    else if (leave_)
        leave_();
}

void TFaGetDocNo::bind(db::DataSet* dataSet, int row, const QString& column) {
    unbind();
    bound_ = dataSet;
    boundRow_ = row;
    boundColumn_ = column;
    const int c = dataSet->columnIndex(column);
    const bool text = c >= 0 && dataSet->columns().at(c).type == db::FieldType::String;
    const int width = text ? dataSet->columns().at(c).size : 0;
    DocNo->setMaxLength(width > 0 ? width : 32767);
    boundConnections_ << connect(dataSet, &db::DataSet::reset, this, [this] { showBoundValue(); })
                      << connect(dataSet, &db::DataSet::valueChanged, this, [this](int r, int) {
                             if (r == boundRow_) showBoundValue();
                         });
    showBoundValue();
}

void TFaGetDocNo::unbind() {
    for (const auto& c : boundConnections_) disconnect(c);
    boundConnections_.clear();
    bound_ = nullptr;
    boundRow_ = -1;
    boundColumn_.clear();
    DocNo->setMaxLength(32767);
}

void TFaGetDocNo::showBoundValue() {
    QString value;
    if (bound_ && boundRow_ >= 0 && boundRow_ < bound_->rowCount() &&
        bound_->columnIndex(boundColumn_) >= 0)
        value = searchDisplayText(bound_->value(boundRow_, boundColumn_));
    // Only a real change: rewriting the same text would move the cursor while typing.
    if (DocNo->text() != value) DocNo->setText(value);
}

void TFaGetDocNo::writeBoundValue(const QString& text) {
    if (!bound_ || boundRow_ < 0 || boundRow_ >= bound_->rowCount()) return;
    bound_->setValue(boundRow_, boundColumn_, text);
}
