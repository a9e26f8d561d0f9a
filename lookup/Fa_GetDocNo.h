#pragma once
// The document-number field embedded in the screens that work on numbered documents: the
// label "เลขที่", the edit DocNo (typed letters become capitals) and the search button.
//
// The host screen
//   - gives the search its action: setSearchHandler([this] { FaGetDocNo1BtSearchClick(); });
//     BtSearch and F5 in DocNo run it; without one they do nothing;
//   - gives the field its leave handler: setLeaveHandler(...), run when the focus moves from
//     the panel to another control of the same window;
//   - either reads and writes DocNo's text itself (text(), setText()), or binds DocNo to one
//     column of a row of its header data set: bind(&QHeader, row, "OrderNo"). Typing then
//     writes the row's value and a change of that value shows in the field; when the current
//     row changes, the host binds again.
// BtSearch is enabled whenever the focus enters the panel; the host enables and disables
// DocNo and BtSearch directly.
#include <QFrame>
#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <functional>

#include "db/data_set.h"

class QLabel;
class QLineEdit;
class QToolButton;

class TFaGetDocNo : public QFrame {
    Q_OBJECT
public:
    explicit TFaGetDocNo(QWidget* parent = nullptr);
    ~TFaGetDocNo() override;

    QLabel* LDocNo;
    QLineEdit* DocNo;
    QToolButton* BtSearch;

    void setSearchHandler(std::function<void()> handler) { search_ = std::move(handler); }
    bool hasSearchHandler() const { return static_cast<bool>(search_); }
    void setLeaveHandler(std::function<void()> handler) { leave_ = std::move(handler); }

    QString text() const;
    void setText(const QString& text);

    // Binds DocNo to the value of `column` in `row` of the data set (which outlives the
    // binding or is destroyed first; either is safe). A string column limits the typed length
    // to its width.
    void bind(db::DataSet* dataSet, int row, const QString& column);
    void unbind();
    db::DataSet* boundDataSet() const { return bound_; }
    int boundRow() const { return boundRow_; }

    // Runs the search action, if there is one (the button's click, F5 in DocNo).
    void BtSearchClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focusChanged(QWidget* old, QWidget* now);
    void showBoundValue();
    void writeBoundValue(const QString& text);

    std::function<void()> search_;
    std::function<void()> leave_;
    bool focusInside_ = false;

    QPointer<db::DataSet> bound_;
    int boundRow_ = -1;
    QString boundColumn_;
    QList<QMetaObject::Connection> boundConnections_;
};
