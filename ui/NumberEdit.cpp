#include "ui/NumberEdit.h"

#include <QRegularExpression>
#include <QValidator>
#include <limits>

#include "data/NumberFormat.h"

namespace {

// Digits after an optional minus, within the range of an int: a number that would not fit is
// refused as it is typed rather than cut short later.
class WholeNumberValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        static const QRegularExpression digits(QStringLiteral("^-?\\d*$"));
        if (!digits.match(input).hasMatch()) return Invalid;
        if (input.isEmpty() || input == u"-") return Intermediate;
        bool ok = false;
        const qlonglong n = input.toLongLong(&ok);
        if (!ok || n < std::numeric_limits<int>::min() || n > std::numeric_limits<int>::max())
            return Invalid;
        return Acceptable;
    }
};

int parse(const QString& text) {
    bool ok = false;
    const int n = text.toInt(&ok);
    return ok ? n : 0;  // "" and "-" are 0
}

}  // namespace

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new WholeNumberValidator(this));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::editingFinished, this, &NumberEdit::commit);
    refresh();
}

int NumberEdit::value() const {
    return editing_ ? parse(text()) : value_;
}

void NumberEdit::setValue(int value) {
    const bool changed = value != value_;
    value_ = value;
    refresh();
    if (changed) emit valueChanged(value);
}

void NumberEdit::setDisplayFormat(const QString& pattern) {
    pattern_ = pattern;
    refresh();
}

void NumberEdit::setZeroShown(bool shown) {
    zeroShown_ = shown;
    refresh();
}

QString NumberEdit::displayText() const {
    const QString shown = formatNumber(value_, pattern_);
    return shown.isEmpty() && value_ == 0 && zeroShown_ ? QStringLiteral("0") : shown;
}

void NumberEdit::focusInEvent(QFocusEvent* event) {
    editing_ = true;
    setText(editText());
    QLineEdit::focusInEvent(event);  // selects the text when tabbed into
}

void NumberEdit::focusOutEvent(QFocusEvent* event) {
    // "" and "-" are not acceptable input and finish no editing, so commit here as well.
    commit();
    editing_ = false;
    refresh();
    QLineEdit::focusOutEvent(event);
}

void NumberEdit::commit() {
    if (editing_) setValue(parse(text()));
}

void NumberEdit::refresh() {
    setText(editing_ ? editText() : displayText());
}

QString NumberEdit::editText() const {
    // A zero the display leaves blank is edited from blank too.
    return value_ == 0 && displayText().isEmpty() ? QString() : QString::number(value_);
}
