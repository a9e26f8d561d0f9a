#include "printing/ReportUserFunctions.h"

#include <cmath>

#include "data/ConvertError.h"
#include "data/U_DM.h"
#include "db/decimal.h"
#include "printing/AmountInWords.h"

namespace {

enum class Function {
    ThaiBaht,
    ThaiDecimal,
    EnglishBaht,
    EnglishDecimal,
    OnhandQuantity,
    OnhandQuantityLSUnit,
    FracSmallByStock,
};

struct Entry {
    const char* name;
    Function function;
    int arguments;  // how many it evaluates
};

// In this order the names are compared.
const Entry kFunctions[] = {
    {"TELL_REAL_THAI", Function::ThaiBaht, 2},
    {"TELL_REAL_THAI2", Function::ThaiDecimal, 2},
    {"TELL_REAL_ENG", Function::EnglishBaht, 2},
    {"TELL_REAL_ENG2", Function::EnglishDecimal, 2},
    {"ONHANDQUANTITY", Function::OnhandQuantity, 2},
    {"ONHANDQUANTITYLSUNIT", Function::OnhandQuantityLSUnit, 3},
    {"FRACSMALLBYSTOCK", Function::FracSmallByStock, 2},
};

QString shown(const QVariant& value) {
    if (value.isNull()) return QStringLiteral("NULL");
    return QLatin1Char('"') + value.toString() + QLatin1Char('"');
}

// The argument's value as a number: numbers as they are, text and exact decimals by their
// digits. Empty, NULL, dates and anything else are no number.
std::optional<double> numberOf(const QVariant& value) {
    if (value.isNull()) return std::nullopt;
    double number = 0;
    bool ok = false;
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::Long:
        case QMetaType::ULong:
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Bool:
            number = value.toDouble(&ok);
            break;
        case QMetaType::QString:
            number = value.toString().trimmed().toDouble(&ok);
            break;
        default:
            if (value.typeId() == qMetaTypeId<db::Decimal>()) {
                number = value.value<db::Decimal>().toDouble();
                ok = true;
            } else if (value.typeId() >= QMetaType::User && value.canConvert<QString>()) {
                number = value.toString().trimmed().toDouble(&ok);
            }
    }
    if (!ok || !std::isfinite(number)) return std::nullopt;
    return number;
}

class Call {
public:
    Call(const Entry& entry, int argumentCount, const report::ArgumentEvaluator& argument)
        : entry_(entry), argument_(argument) {
        if (argumentCount < entry.arguments)
            throw ConvertError(QStringLiteral("%1 needs %2 arguments, %3 given")
                                   .arg(name())
                                   .arg(entry.arguments)
                                   .arg(argumentCount));
    }

    QString name() const { return QString::fromLatin1(entry_.name); }

    double real(int index) const {
        const QVariant value = argument_(index);
        const std::optional<double> number = numberOf(value);
        if (!number)
            throw ConvertError(QStringLiteral("%1: argument %2 (%3) is not a number")
                                   .arg(name())
                                   .arg(index + 1)
                                   .arg(shown(value)));
        return *number;
    }

    int integer(int index) const {
        const QVariant value = argument_(index);
        const std::optional<double> number = numberOf(value);
        if (!number || *number != std::trunc(*number) || *number < -2147483648.0 ||
            *number > 2147483647.0)
            throw ConvertError(
                QStringLiteral("%1: argument %2 (%3) is not a whole number of 32 bits")
                    .arg(name())
                    .arg(index + 1)
                    .arg(shown(value)));
        return static_cast<int>(*number);
    }

private:
    const Entry& entry_;
    const report::ArgumentEvaluator& argument_;
};

// The arguments a function uses, converted: the amount or quantity first, then the decimals
// or the unit, then the part.
struct Arguments {
    double number = 0;
    int second = 0;
    int third = 0;
};

Arguments evaluate(const Call& c, int count) {
    Arguments args;
    args.number = c.real(0);
    args.second = c.integer(1);
    if (count > 2) args.third = c.integer(2);
    return args;
}

QString run(TDM& dm, Function function, const Arguments& a) {
    switch (function) {
        case Function::ThaiBaht:
            return ThaiBahtText(a.number, a.second);
        case Function::ThaiDecimal:
            return ThaiDecimalText(a.number, a.second);
        case Function::EnglishBaht:
            return EnglishBahtText(a.number, a.second);
        case Function::EnglishDecimal:
            return EnglishDecimalText(a.number, a.second);
        case Function::OnhandQuantity:
            return dm.OnhandQuantity(a.second, a.number);
        case Function::OnhandQuantityLSUnit:
            return dm.OnhandQuantityLSUnit(a.second, a.third, a.number);
        case Function::FracSmallByStock:
            return dm.FracSmallByStock(a.second, a.number);
    }
    return QString();
}

}  // namespace

std::optional<QVariant> frfReportUserFunction(TDM& dm, const QString& name, int argumentCount,
                                              const report::ArgumentEvaluator& argument) {
    const QString upper = name.toUpper();
    for (const Entry& entry : kFunctions) {
        if (upper != QLatin1String(entry.name)) continue;
        const Call c(entry, argumentCount, argument);
        const Arguments args = evaluate(c, entry.arguments);
        try {
            return QVariant(run(dm, entry.function, args));
        } catch (const ConvertError& error) {
            // A routine's own range error still says which function of the template failed.
            throw ConvertError(c.name() + QStringLiteral(": ") + QString::fromUtf8(error.what()));
        }
    }
    return std::nullopt;
}

report::UserFunctionHandler reportUserFunctionHandler(TDM& dm) {
    return
        [&dm](const QString& name, int argumentCount, const report::ArgumentEvaluator& argument) {
            return frfReportUserFunction(dm, name, argumentCount, argument);
        };
}
