// Stored procedures: CREATE and DROP PROCEDURE, EXEC with named, default and OUTPUT
// arguments, and sp_executesql.
#include <cctype>

#include "tsqlite/session_impl.h"

namespace tsqlite {

void Session::Impl::runExecuteSql(const ast::Stmt& s, Sink& sink) {
    if (s.args.empty()) return;
    Value text = evalExpr(*s.args[0].value);
    std::map<std::string, Variable> vars;
    std::vector<std::string> order;
    std::set<std::string> outputs;
    if (s.args.size() > 1 && s.args[1].value) {
        std::string defs = evalExpr(*s.args[1].value).s;
        // OUTPUT marks are not part of a DECLARE: note them and take them out.
        std::string plain, word;
        for (size_t i = 0; i <= defs.size(); ++i) {
            char ch = i < defs.size() ? defs[i] : ' ';
            if (std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '@') {
                word += ch;
                continue;
            }
            std::string up = upperAscii(word);
            if (up == "OUTPUT" || up == "OUT") {
                if (!order.empty()) outputs.insert(order.back());
            } else {
                if (!word.empty() && word[0] == '@') order.push_back(lower(word));
                plain += word;
            }
            word.clear();
            if (i < defs.size()) plain += ch;
        }
        if (!plain.empty()) {
            auto decl = parse("DECLARE " + plain);
            Translator tr(*this);
            for (auto& st : decl->statements)
                for (auto& v : st->vars)
                    vars[lower(v.name)] = Variable{tr.resolveType(v.type, false), Value::null()};
        }
    }
    std::vector<std::pair<std::string, std::string>> writeBack;  // param -> caller variable
    size_t positional = 0;
    for (size_t i = 2; i < s.args.size(); ++i) {
        const auto& a = s.args[i];
        std::string name =
            a.name.empty() ? (positional < order.size() ? order[positional++] : "") : lower(a.name);
        auto it = vars.find(name);
        if (it == vars.end())
            throw raise(8145, {a.name.empty() ? std::string("@?") : a.name, "sp_executesql"});
        if (a.value) {
            SqlType from;
            Value v = evalExpr(*a.value, &from);
            it->second.value = convertValue(v, from, it->second.type);
            if (a.output && a.value->kind == ast::ExprKind::Variable)
                writeBack.emplace_back(name, a.value->text);
        }
    }
    runNested(text.isNull() ? "" : text.s, sink, &vars);
    for (auto& [param, callerVar] : writeBack)
        if (outputs.count(param)) setVariable(callerVar, vars[param].value, vars[param].type);
}

void Session::Impl::createProcedure(const ast::Stmt& s) {
    std::string db = s.target.database().empty() ? currentDatabase() : s.target.database();
    std::string schema = schemaOf(db);
    std::string sch = quoteIdent(schema);
    auto existing = queryRow(
        "SELECT id FROM " + sch + ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
        {Value::text(s.target.name())});
    std::string text = batchText
                           ? batchText->substr(static_cast<size_t>(s.bodyOffset),
                                               static_cast<size_t>(s.sourceEnd - s.bodyOffset))
                           : "";
    if (s.isAlter && existing.empty()) throw raise(208, {s.target.name()}).withState(3);
    if (!s.isAlter && !existing.empty()) throw raise(2714, {s.target.name()}).withState(3);
    atomically([&] {
        if (!existing.empty())
            queryRow("UPDATE " + sch + ".__tsq_objects SET definition = ? WHERE id = ?",
                     {Value::text(text), existing[0]});
        else
            queryRow("INSERT INTO " + sch +
                         ".__tsq_objects(id, name, xtype, parent_obj, definition, crdate) "
                         "VALUES (?, ?, 'P', 0, ?, ?)",
                     {Value::integer(nextObjectId(schema)), Value::text(s.target.name()),
                      Value::text(text), Value::text(currentDateTime())});
        bumpVersion(schema);
    });
}

void Session::Impl::dropProcedure(const ast::Stmt& s) {
    std::string db = s.target.database().empty() ? currentDatabase() : s.target.database();
    std::string schema = schemaOf(db);
    auto existing = queryRow("SELECT id FROM " + quoteIdent(schema) +
                                 ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
                             {Value::text(s.target.name())});
    if (existing.empty()) {
        if (s.ifExists) return;
        throw raise(3701, {"procedure", s.target.name()});
    }
    atomically([&] {
        queryRow("DELETE FROM " + quoteIdent(schema) + ".__tsq_objects WHERE id = ?",
                 {existing[0]});
        bumpVersion(schema);
    });
}

Procedure& Session::Impl::findProcedure(const ast::ObjectName& n) {
    std::string db = n.database().empty() ? currentDatabase() : n.database();
    std::string schema = schemaOf(db);
    catalog(schema);
    std::string key = schema + "." + lower(n.name());
    auto it = procs.find(key);
    if (it != procs.end()) return it->second;
    auto row = queryRow("SELECT definition FROM " + quoteIdent(schema) +
                            ".__tsq_objects WHERE name = ? COLLATE NOCASE AND xtype = 'P'",
                        {Value::text(n.name())});
    if (row.empty()) throw raise(2812, {n.name()});
    Procedure p;
    p.batch = std::shared_ptr<ast::Batch>(parseBatch(row[0].s).release());
    for (auto& st : p.batch->statements)
        if (st->kind == ast::StmtKind::CreateProcedure) p.def = st.get();
    if (!p.def) throw raise(2812, {n.name()});
    p.db = catalogs[schema].name;
    p.name = p.def->target.name();
    return procs.emplace(key, std::move(p)).first->second;
}

void Session::Impl::runExec(const ast::Stmt& s, Sink& sink) {
    std::string pname = lower(s.target.name());
    // System procedures the scripts use.
    if (pname == "sp_addtype") {
        std::vector<Value> a;
        for (auto& arg : s.args) a.push_back(arg.value ? evalExpr(*arg.value) : Value::null());
        if (a.size() < 2) throw raise(201, {"sp_addtype", "@phystype"});
        auto t = SqlType::parse(a[1].s);
        if (!t) throw raise(15036, {a[1].s});
        bool nullable = !(a.size() > 2 && upperAscii(a[2].s).find("NOT") != std::string::npos);
        createType(a[0].s, *t, nullable);
        return;
    }
    if (pname == "sp_executesql") {
        runExecuteSql(s, sink);
        return;
    }
    std::vector<ArgValue> given;
    for (auto& a : s.args) {
        ArgValue v;
        if (a.value) {
            v.value = evalExpr(*a.value, &v.type);
            v.given = true;
            if (a.output && a.value->kind == ast::ExprKind::Variable) v.callerVar = a.value->text;
        }
        v.output = a.output;
        given.push_back(v);
    }
    std::vector<std::string> names;
    for (auto& a : s.args) names.push_back(a.name);
    int rc = callProcedure(s.target, names, given, sink);
    if (!s.returnVar.empty()) setVariable(s.returnVar, Value::integer(rc), *SqlType::parse("int"));
    for (auto& v : given)
        if (v.output && !v.callerVar.empty()) setVariable(v.callerVar, v.value, v.type);
}

int Session::Impl::callProcedure(const ast::ObjectName& name,
                                 const std::vector<std::string>& argNames,
                                 std::vector<ArgValue>& args, Sink& sink) {
    if (frame && frame->depth >= kMaxNesting) throw raise(217, {std::to_string(kMaxNesting)});
    // Copies: a DDL statement inside the procedure may empty the procedure cache.
    Procedure proc = findProcedure(name);
    const ast::Stmt& def = *proc.def;
    Frame f;
    f.db = proc.db;
    f.depth = frame ? frame->depth + 1 : 1;
    f.procDepth = frame ? frame->procDepth + 1 : 1;
    // Errors in the call itself belong to the procedure, at line 0.
    auto callError = [&](Error e) {
        e.procedure = proc.name;
        e.line = 0;
        e.lineFixed = true;
        e.abortsBatch = false;
        return e;
    };
    f.procedure = proc.name;
    std::vector<int> argFor(def.params.size(), -1);
    size_t positional = 0;
    for (size_t i = 0; i < argNames.size(); ++i) {
        if (argNames[i].empty()) {
            if (positional >= def.params.size()) throw callError(raise(8144, {proc.name}));
            argFor[positional++] = static_cast<int>(i);
            continue;
        }
        bool found = false;
        for (size_t p = 0; p < def.params.size(); ++p)
            if (lower(def.params[p].name) == lower(argNames[i])) {
                argFor[p] = static_cast<int>(i);
                found = true;
            }
        if (!found) throw callError(raise(8145, {argNames[i], proc.name}).withState(2));
    }
    Frame* saved = frame;
    frame = &f;
    // SET options a procedure changes end with it.
    bool savedNocount = nocount;
    int tranAtStart = tranCount;
    Restore<bool> restoreNocount{nocount, savedNocount};
    size_t tempsBefore = tempTables();
    struct DropTemps {
        Impl& impl;
        size_t before;
        ~DropTemps() {
            try {
                impl.dropTempTablesSince(before);
            } catch (...) {
            }
        }
    } dropTemps{*this, tempsBefore};
    try {
        Translator tr(*this);
        for (size_t p = 0; p < def.params.size(); ++p) {
            const auto& prm = def.params[p];
            Variable v;
            v.type = tr.resolveType(prm.type, false);
            f.vars[lower(prm.name)] = v;
            int ai = argFor[p];
            if (ai >= 0 && args[ai].given) {
                setVariable(prm.name, args[ai].value,
                            args[ai].type.base == BaseType::Unknown ? v.type : args[ai].type);
            } else if (prm.defaultValue) {
                SqlType from;
                Value dv = evalExpr(*prm.defaultValue, &from);
                setVariable(prm.name, dv, from);
            } else if (!(ai >= 0 && args[ai].output)) {
                throw callError(raise(201, {proc.name, prm.name}));
            }
        }
        runList(def.body, sink);
    } catch (Error& e) {
        if (e.procedure.empty()) e.procedure = proc.name;
        frame = saved;
        throw;
    } catch (...) {
        frame = saved;
        throw;
    }
    frame = saved;
    if (tranCount != tranAtStart) {
        Error e = raise(266, {std::to_string(tranAtStart), std::to_string(tranCount)});
        e.procedure = proc.name;
        e.line = 0;
        e.lineFixed = true;
        e.abortsBatch = false;
        sink.error(e);
    }
    for (size_t p = 0; p < def.params.size(); ++p) {
        int ai = argFor[p];
        if (ai >= 0 && def.params[p].output && args[ai].output) {
            auto& v = f.vars[lower(def.params[p].name)];
            args[ai].value = v.value;
            args[ai].type = v.type;
        }
    }
    return f.returnValue.kind == Value::Kind::Int ? static_cast<int>(f.returnValue.i) : 0;
}

}  // namespace tsqlite
