#pragma once
// How a report template reaches functions the report engine does not know itself: the engine
// hands the name, the number of argument expressions written and a way to evaluate each one
// through its own evaluator; the handler answers with the value, or with nothing when the name
// is not one of its own either.
#include <QString>
#include <QVariant>
#include <functional>
#include <optional>

namespace report {

// Evaluates argument expression `index` (0-based) of the call; throws when it cannot.
using ArgumentEvaluator = std::function<QVariant(int index)>;

using UserFunctionHandler = std::function<std::optional<QVariant>(
    const QString& name, int argumentCount, const ArgumentEvaluator& argument)>;

}  // namespace report
