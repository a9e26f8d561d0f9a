#pragma once
// A date field: shows and takes DD/MM/YYYY with a four-digit year, and may be empty (NULL).
// Text that is not such a date is not taken: leaving the field raises DateConvertError, which
// the program's error report explains, and the focus comes back to the field with the text as
// typed. It can show and edit one field of one row of a data set.
#include <QDate>
#include <QLineEdit>
#include <QPointer>
#include <stdexcept>

// "'31/02/2024' is not a valid date": the words the error report recognises.
class DateConvertError : public std::runtime_error {
public:
    explicit DateConvertError(const QString& text);
};

namespace db {
class DataSet;
}

class DateEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DateEdit(QWidget* parent = nullptr);

    // Null when the field is empty.
    QDate date() const { return date_; }
    // A null or invalid date empties the field.
    void setDate(const QDate& date);
    bool isEmpty() const { return date_.isNull(); }

    // Binds the field to `field` of the data set's row `row()`; a date typed here is stored
    // there, and changes there show here. Nothing is bound while the data set is null.
    void setDataField(db::DataSet* dataSet, const QString& field);
    // The row shown, usually a grid's current row; -1 (or a row that does not exist) shows
    // nothing and stores nothing.
    void setRow(int row);
    int row() const { return row_; }

    // Throws DateConvertError when the text is neither empty nor a date.
    void checkDate() const;

signals:
    void dateChanged(const QDate& date);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    void commit();
    void refresh();
    void display(const QDate& date);

    QDate date_;
    QPointer<db::DataSet> dataSet_;
    QString field_;
    int row_ = -1;
};
