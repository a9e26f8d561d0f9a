#pragma once
// A whole-number field with a display pattern. While it has the focus it shows the plain
// number and takes digits and a leading minus only; otherwise it shows the value through the
// pattern (formatNumber). Empty text is 0.
#include <QLineEdit>

class NumberEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit NumberEdit(QWidget* parent = nullptr);

    // The number typed so far while editing, else the value.
    int value() const;
    void setValue(int value);

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

    int value_ = 0;
    QString pattern_;
    bool zeroShown_ = false;
    bool editing_ = false;  // has the focus: the text is the plain number being typed
};
