// The expression parser and evaluator must answer any text with a value or an error: parsed
// as a text object's text, then every expression computed against names, fields, aggregates
// and application functions that all answer.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "ui/report/Expression.h"

namespace {

class Context : public report::EvalContext {
public:
    QVariant name(const QString& name) override {
        if (name.size() % 3 == 0) return QString(name);
        if (name.size() % 3 == 1) return double(name.size());
        throw report::ReportError(QStringLiteral("unknown name"));
    }
    QVariant field(const QString& dataSet, const QString& field) override {
        return dataSet.size() > field.size() ? QVariant() : QVariant(double(field.size()) / 7);
    }
    QVariant aggregate(const report::Node& call) override { return double(call.args.size()); }
    std::optional<QVariant> userFunction(const QString& name, int count,
                                         const report::ArgumentEvaluator& argument) override {
        if (name.size() % 2) return std::nullopt;
        QString joined;
        for (int i = 0; i <= count; ++i) joined += report::displayText(argument(i), "#,##0.00");
        return joined;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Context context;
    try {
        for (const report::TextPart& part : report::parseText(text)) {
            if (!part.expr) continue;
            try {
                (void)report::displayText(report::evaluate(*part.expr, context), "#,##0.00;(#)");
            } catch (const report::ReportError&) {
            }
        }
    } catch (const report::ReportError&) {
    }
    try {
        (void)report::evaluate(*report::parseExpression(text), context);
    } catch (const report::ReportError&) {
    }
    (void)report::formatDateTime(text, QDateTime(QDate(2026, 12, 9), QTime(23, 5, 1)));
    return 0;
}
