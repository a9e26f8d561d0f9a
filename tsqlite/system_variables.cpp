#include "tsqlite/system_variables.h"

#include <iterator>

namespace tsqlite {

namespace {

using V = SystemValue;
using B = BaseType;

constexpr SystemVariable kVariables[] = {
    {"@@rowcount", V::RowCount, B::Int},
    {"@@identity", V::Identity, B::Decimal, 0, 38, 0},
    {"@@trancount", V::TranCount, B::Int},
    {"@@error", V::Error, B::Int},
    {"@@nestlevel", V::NestLevel, B::Int},
    {"@@fetch_status", V::FetchStatus, B::Int},
    {"@@datefirst", V::DateFirst, B::TinyInt, 0, 0, 0, true},
    {"@@version", V::Version, B::NVarChar, 300, 0, 0, true},
    {"@@servername", V::ServerName, B::NVarChar, 128, 0, 0, true},
    {"@@spid", V::Spid, B::SmallInt, 0, 0, 0, true},
    {"@@getdate", V::GetDate, B::DateTime, 0, 0, 0, false, true},
    {"@@identitybase", V::IdentityBase, B::Decimal, 0, 38, 0, false, true},
    {"@@error_number", V::ErrorNumber, B::Int, 0, 0, 0, false, true},
    {"@@error_severity", V::ErrorSeverity, B::Int, 0, 0, 0, false, true},
    {"@@error_state", V::ErrorState, B::Int, 0, 0, 0, false, true},
    {"@@error_line", V::ErrorLine, B::Int, 0, 0, 0, false, true},
    {"@@error_message", V::ErrorMessage, B::NVarChar, 4000, 0, 0, false, true},
    {"@@error_procedure", V::ErrorProcedure, B::NVarChar, 128, 0, 0, false, true},
};

bool sameLetters(std::string_view lowerName, std::string_view name) {
    if (lowerName.size() != name.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != lowerName[i]) return false;
    }
    return true;
}

}  // namespace

SqlType SystemVariable::type() const {
    return SqlType::of(base, length, precision, scale);
}

const SystemVariable* findSystemVariable(std::string_view name) {
    if (name.size() < 3 || name[0] != '@' || name[1] != '@') return nullptr;
    for (const SystemVariable& v : kVariables)
        if (sameLetters(v.name, name)) return &v;
    return nullptr;
}

Value constantValue(const SystemVariable& v) {
    switch (v.value) {
        case V::DateFirst:
            return Value::integer(7);
        case V::Version:
            return Value::text("Microsoft SQL Server 2012 compatible (tsqlite)");
        case V::ServerName:
            return Value::text("tsqlite");
        case V::Spid:
            return Value::integer(51);
        default:
            return Value::null();
    }
}

}  // namespace tsqlite
