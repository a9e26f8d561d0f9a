#include "ui/DateEdit.h"

#include <QFocusEvent>
#include <QRegularExpression>
#include <QValidator>

#include "data/Conventions.h"
#include "db/data_set.h"

namespace {

class DateValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        if (input.trimmed().isEmpty()) return Acceptable;
        // Anything that can still become DD/MM/YYYY may be typed.
        static const QRegularExpression partial(
            QStringLiteral("^\\s*\\d{0,2}(/(\\d{0,2}(/\\d{0,4})?)?)?\\s*$"));
        if (!partial.match(input).hasMatch()) return Invalid;
        return parseDate(input).isValid() ? Acceptable : Intermediate;
    }

    // "1/2/2024" is taken as 01/02/2024; the year stays four digits.
    void fixup(QString& input) const override {
        static const QRegularExpression loose(
            QStringLiteral("^\\s*(\\d{1,2})/(\\d{1,2})/(\\d{4})\\s*$"));
        const QRegularExpressionMatch m = loose.match(input);
        if (!m.hasMatch()) return;
        input = QStringLiteral("%1/%2/%3")
                    .arg(m.captured(1), 2, QLatin1Char('0'))
                    .arg(m.captured(2), 2, QLatin1Char('0'))
                    .arg(m.captured(3));
    }
};

}  // namespace

DateConvertError::DateConvertError(const QString& text)
    : std::runtime_error(QStringLiteral("'%1' is not a valid date").arg(text).toStdString()) {}

DateEdit::DateEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new DateValidator(this));
    setMaxLength(10);
    setPlaceholderText(QStringLiteral("DD/MM/YYYY"));
    connect(this, &QLineEdit::editingFinished, this, &DateEdit::commit);
}

void DateEdit::setDate(const QDate& date) {
    const QDate d = date.isValid() ? date : QDate();
    display(d);
    if (dataSet_ && row_ >= 0 && row_ < dataSet_->rowCount())
        dataSet_->setValue(row_, field_, d.isNull() ? QVariant() : QVariant(d));
}

void DateEdit::setDataField(db::DataSet* dataSet, const QString& field) {
    if (dataSet_) dataSet_->disconnect(this);
    dataSet_ = dataSet;
    field_ = field;
    if (dataSet) {
        connect(dataSet, &db::DataSet::reset, this, &DateEdit::refresh);
        connect(dataSet, &db::DataSet::rowInserted, this, &DateEdit::refresh);
        connect(dataSet, &db::DataSet::rowRemoved, this, &DateEdit::refresh);
        connect(dataSet, &db::DataSet::valueChanged, this, [this](int row, int) {
            if (row == row_) refresh();
        });
    }
    refresh();
}

void DateEdit::setRow(int row) {
    row_ = row;
    refresh();
}

void DateEdit::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);  // commits what was typed, when it is a date
    const QString typed = text().trimmed();
    if (typed.isEmpty() || parseDate(typed).isValid()) {
        if (text() != formatDate(date_)) setText(formatDate(date_));
        return;
    }
    // The window losing the focus (to a message, another program) is no leaving the field.
    const Qt::FocusReason reason = event->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason) return;
    // Raised once the focus has moved, outside the focus change, so that it reaches the error
    // report as any error of a command does; the field then takes the focus back.
    QMetaObject::invokeMethod(
        this,
        [this] {
            setFocus(Qt::OtherFocusReason);
            selectAll();
            checkDate();
        },
        Qt::QueuedConnection);
}

void DateEdit::checkDate() const {
    const QString typed = text().trimmed();
    if (!typed.isEmpty() && !parseDate(typed).isValid()) throw DateConvertError(typed);
}

void DateEdit::commit() {
    const QString typed = text().trimmed();
    const QDate d = typed.isEmpty() ? QDate() : parseDate(typed);
    if (!typed.isEmpty() && !d.isValid()) return;
    if (d == date_) {
        setText(formatDate(d));
        return;
    }
    setDate(d);
}

void DateEdit::refresh() {
    if (!dataSet_) return;
    const int column = dataSet_->columnIndex(field_);
    if (row_ < 0 || row_ >= dataSet_->rowCount() || column < 0)
        display(QDate());
    else
        display(dataSet_->value(row_, column).toDate());
}

void DateEdit::display(const QDate& date) {
    setText(formatDate(date));
    if (date == date_) return;
    date_ = date;
    emit dateChanged(date);
}
