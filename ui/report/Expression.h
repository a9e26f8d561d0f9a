#pragma once
// The expression language of report templates. A text object holds literal text with
// expressions in square brackets: "Total: [SUM([Lines."Amount"])] baht". An expression knows
// numbers (12, 1.5), texts in single quotes ('it''s'), names (report variables, fields of the
// current record, PAGE#, TOTALPAGES, LINE#, DATE, TIME), fields of a named data set
// (Lines."Amount" or Lines.Amount), brackets as parentheses ([Qty] * 2), the operators
// + - * / MOD, = <> < > <= >=, AND OR NOT, and function calls. Functions the engine does not
// know go to the application's handler (UserFunctions.h).
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/report/UserFunctions.h"

namespace report {

// Every failure of the report engine: a template that cannot be read, an expression that
// cannot be parsed or computed, a query that fails. The text says where.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct Node {
    enum class Kind { Number, Text, Name, Field, Unary, Binary, Call };
    Kind kind = Kind::Number;
    double number = 0;
    QString text;   // Text: the literal; Name: the name; Field: the data set; Call: the name
    QString field;  // Field: the column; Call: the name as written
    QString op;     // Unary and Binary: "-", "NOT", "+", "=", "AND", ...
    std::vector<std::shared_ptr<const Node>> args;  // operands or arguments
    int depth = 1;                                  // of the tree below, this node included
};
using NodePtr = std::shared_ptr<const Node>;

// Parses one expression; throws ReportError naming the position of the fault.
NodePtr parseExpression(const QString& text);

// A text object's text cut into literal pieces and bracketed expressions. An unmatched "["
// is an error; a "]" outside brackets is literal text.
struct TextPart {
    QString literal;  // when expr is null
    NodePtr expr;
    QString source;  // the expression's text as written, without the brackets
};
std::vector<TextPart> parseText(const QString& text);

// Calls found in a tree, in order, by upper-case name (aggregates, TOTALPAGES, ...).
void collectNodes(const NodePtr& node, const std::function<void(const NodePtr&)>& visit);
bool usesName(const NodePtr& node, const QString& upperName);

// Where names, fields, aggregates and unknown functions get their values.
class EvalContext {
public:
    virtual ~EvalContext() = default;
    virtual QVariant name(const QString& name) = 0;
    virtual QVariant field(const QString& dataSet, const QString& field) = 0;
    virtual QVariant aggregate(const Node& call) = 0;
    // The application's functions: nullopt when the name is not one of them either.
    virtual std::optional<QVariant> userFunction(const QString& name, int argumentCount,
                                                 const ArgumentEvaluator& argument) = 0;
};

bool isAggregateName(const QString& upperName);  // SUM, COUNT, MIN, MAX, AVG

// Computes an expression; throws ReportError for a fault (unknown name, division by zero,
// text where a number belongs, ...). Numbers come back as double, texts as QString,
// comparisons as bool; fields come as the database gave them.
QVariant evaluate(const Node& node, EvalContext& context);

// Values as the operators see them.
bool isNumber(const QVariant& value);
double toNumber(const QVariant& value);  // throws ReportError for text that is not a number
bool toCondition(const QVariant& value);

// A value as printed: NULL as "", numbers through the display pattern (plainly without one),
// dates as DD/MM/YYYY (with the time when it is not midnight), booleans as True/False.
QString displayText(const QVariant& value, const QString& pattern = {});

// FORMATDATETIME's patterns: d dd ddd dddd m mm mmm mmmm yy yyyy h hh n nn s ss z zzz am/pm,
// "m" right after an hour meaning minutes; text in quotes is printed as it stands.
QString formatDateTime(const QString& pattern, const QDateTime& value);

}  // namespace report
