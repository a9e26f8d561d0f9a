#include "ui/NumberEdit.h"

#include <QRegularExpression>
#include <QScopeGuard>
#include <QValidator>
#include <limits>
#include <optional>

#include "data/Messages.h"
#include "data/NumberFormat.h"
#include "ui/ValueLimits.h"

namespace {

// Digits after an optional minus. A number beyond the field's range can be typed, so that
// leaving the field can say why it is not taken.
class WholeNumberValidator : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int&) const override {
        static const QRegularExpression digits(QStringLiteral("^-?\\d*$"));
        if (!digits.match(input).hasMatch()) return Invalid;
        if (input.isEmpty() || input == u"-") return Intermediate;
        return Acceptable;
    }
};

// The typed number; nullopt when it has more digits than any whole number. "" and "-" are 0.
std::optional<qlonglong> parse(const QString& text) {
    if (text.isEmpty() || text == u"-") return 0;
    bool ok = false;
    const qlonglong n = text.toLongLong(&ok);
    return ok ? std::optional(n) : std::nullopt;
}

}  // namespace

NumberEdit::NumberEdit(QWidget* parent) : QLineEdit(parent) {
    setValidator(new WholeNumberValidator(this));
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(this, &QLineEdit::editingFinished, this, &NumberEdit::commit);
    refresh();
}

int NumberEdit::value() const {
    if (!editing_) return value_;
    const std::optional<qlonglong> n = parse(text());
    return n && inRange(*n) ? static_cast<int>(*n) : value_;
}

void NumberEdit::setRange(int lowest, int highest) {
    lowest_ = lowest;
    highest_ = highest;
}

bool NumberEdit::inRange(qlonglong n) const {
    return n >= lowest_ && n <= highest_;
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
    if (!editing_ || committing_) return;
    const std::optional<qlonglong> n = parse(text());
    if (n && inRange(*n)) {
        setValue(static_cast<int>(*n));
        return;
    }
    // Beyond the range: said, and the field keeps the number it had. Guarded, as the message
    // box takes the focus and leaving the field commits again.
    committing_ = true;
    const auto done = qScopeGuard([this] { committing_ = false; });
    setText(editText());
    MessageService::current().message(outOfRangeMessage(lowest_, highest_));
}

void NumberEdit::refresh() {
    setText(editing_ ? editText() : displayText());
}

QString NumberEdit::editText() const {
    // A zero the display leaves blank is edited from blank too.
    return value_ == 0 && displayText().isEmpty() ? QString() : QString::number(value_);
}
