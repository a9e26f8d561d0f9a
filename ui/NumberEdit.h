#pragma once
// A whole-number field with a display pattern. While it has the focus it shows the plain
// number and takes digits and a leading minus only; otherwise it shows the value through the
// pattern (formatNumber). Empty text is 0. A number beyond its range (by default what an int
// column holds) is refused with a message when the field is left, and the old value stays.
#include <QLineEdit>
#include <limits>

class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent = nullptr);

    // The number typed so far while editing (when within the range), else the value.
    int value() const;
    void setValue(int value);

    // The numbers the field takes.
    void setRange(int lowest, int highest);
    int lowest() const { return lowest_; }
    int highest() const { return highest_; }

    // e.g. "#,##0"; empty shows the number plainly.
    void setDisplayFormat(const QString& pattern);
    QString displayFormat() const { return pattern_; }
    // Shows 0 as "0" even under a pattern that prints nothing for zero ("####").
    void setZeroShown(bool shown);
    bool zeroShown() const { return zeroShown_; }

    // The text shown when the field does not have the focus.
    QString displayText() const;

signals:
    void valueChanged(int value);

protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void commit();
    void refresh();
    QString editText() const;

    bool inRange(qlonglong n) const;

    int value_ = 0;
    int lowest_ = std::numeric_limits<int>::min();
    int highest_ = std::numeric_limits<int>::max();
    bool committing_ = false;
    QString pattern_;
    bool zeroShown_ = false;
    bool editing_ = false;  // has the focus: the text is the plain number being typed
};
