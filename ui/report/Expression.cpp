#include "ui/report/Expression.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

#include "data/NumberFormat.h"
#include "db/decimal.h"

namespace report {

namespace {

// Deep nesting is refused rather than run into the stack's end.
constexpr int kMaxDepth = 200;
constexpr int kMaxTreeDepth = 1000;

struct Token {
    enum class Kind { End, Number, Text, Name, Quoted, Op };
    Kind kind = Kind::End;
    QString text;
    double number = 0;
    int pos = 0;
};

bool isNameStart(QChar c) {
    return c.isLetter() || c == u'_' || c.isMark();
}
bool isNameChar(QChar c) {
    return c.isLetterOrNumber() || c == u'_' || c == u'#' || c == u'$' || c.isMark();
}

class Parser {
public:
    explicit Parser(const QString& text) : s_(text) { next(); }

    NodePtr parseAll() {
        NodePtr n = parseOr();
        if (tok_.kind != Token::Kind::End) fail(QStringLiteral("unexpected \"%1\"").arg(tok_.text));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& what) const {
        throw ReportError(QStringLiteral("%1 at position %2").arg(what).arg(tok_.pos + 1));
    }

    void next() {
        while (pos_ < s_.size() && s_[pos_].isSpace()) ++pos_;
        tok_ = Token{};
        tok_.pos = static_cast<int>(pos_);
        if (pos_ >= s_.size()) return;
        const QChar c = s_[pos_];
        if (c.isDigit() || (c == u'.' && pos_ + 1 < s_.size() && s_[pos_ + 1].isDigit())) {
            const qsizetype start = pos_;
            while (pos_ < s_.size() && (s_[pos_].isDigit() || s_[pos_] == u'.')) ++pos_;
            if (pos_ < s_.size() && (s_[pos_] == u'e' || s_[pos_] == u'E')) {
                qsizetype p = pos_ + 1;
                if (p < s_.size() && (s_[p] == u'+' || s_[p] == u'-')) ++p;
                if (p < s_.size() && s_[p].isDigit()) {
                    pos_ = p;
                    while (pos_ < s_.size() && s_[pos_].isDigit()) ++pos_;
                }
            }
            tok_.kind = Token::Kind::Number;
            tok_.text = s_.mid(start, pos_ - start);
            bool ok = false;
            tok_.number = tok_.text.toDouble(&ok);
            if (!ok || !std::isfinite(tok_.number)) fail(QStringLiteral("bad number"));
            return;
        }
        if (c == u'\'' || c == u'"') {
            // 'text' is a text; "name" is a quoted name (a field after a data set's dot).
            ++pos_;
            QString out;
            for (;;) {
                if (pos_ >= s_.size()) fail(QStringLiteral("unclosed quote"));
                if (s_[pos_] == c) {
                    if (pos_ + 1 < s_.size() && s_[pos_ + 1] == c) {
                        out += c;
                        pos_ += 2;
                        continue;
                    }
                    ++pos_;
                    break;
                }
                out += s_[pos_++];
            }
            tok_.kind = c == u'\'' ? Token::Kind::Text : Token::Kind::Quoted;
            tok_.text = out;
            return;
        }
        if (isNameStart(c)) {
            const qsizetype start = pos_;
            while (pos_ < s_.size() && isNameChar(s_[pos_])) ++pos_;
            tok_.kind = Token::Kind::Name;
            tok_.text = s_.mid(start, pos_ - start);
            return;
        }
        tok_.kind = Token::Kind::Op;
        if (pos_ + 1 < s_.size()) {
            const QString two = s_.mid(pos_, 2);
            if (two == u"<>" || two == u"<=" || two == u">=" || two == u"!=") {
                tok_.text = two == u"!=" ? QStringLiteral("<>") : two;
                pos_ += 2;
                return;
            }
        }
        if (QStringLiteral("+-*/=<>()[],.").contains(c)) {
            tok_.text = c;
            ++pos_;
            return;
        }
        fail(QStringLiteral("unexpected character \"%1\"").arg(c));
    }

    bool isOp(const char* op) const {
        return tok_.kind == Token::Kind::Op && tok_.text == QLatin1String(op);
    }
    bool isWord(const char* word) const {
        return tok_.kind == Token::Kind::Name &&
               tok_.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    void expect(const char* op) {
        if (!isOp(op)) fail(QStringLiteral("\"%1\" expected").arg(QLatin1String(op)));
        next();
    }

    struct DepthGuard {
        explicit DepthGuard(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxDepth) p_.fail(QStringLiteral("expression nested too deeply"));
        }
        ~DepthGuard() { --p_.depth_; }
        Parser& p_;
    };

    // Long chains (1+1+...+1) are built in loops, not by recursion: their depth is checked
    // here, as evaluating them recurses.
    NodePtr checked(std::shared_ptr<Node> n) const {
        for (const NodePtr& a : n->args) n->depth = std::max(n->depth, a->depth + 1);
        if (n->depth > kMaxTreeDepth) fail(QStringLiteral("expression nested too deeply"));
        return n;
    }
    NodePtr binary(const QString& op, NodePtr a, NodePtr b) const {
        auto n = std::make_shared<Node>();
        n->kind = Node::Kind::Binary;
        n->op = op;
        n->args = {std::move(a), std::move(b)};
        return checked(n);
    }
    NodePtr unary(const QString& op, NodePtr a) const {
        auto n = std::make_shared<Node>();
        n->kind = Node::Kind::Unary;
        n->op = op;
        n->args = {std::move(a)};
        return checked(n);
    }

    NodePtr parseOr() {
        DepthGuard g(*this);
        NodePtr n = parseAnd();
        while (isWord("OR")) {
            next();
            n = binary(QStringLiteral("OR"), n, parseAnd());
        }
        return n;
    }
    NodePtr parseAnd() {
        NodePtr n = parseNot();
        while (isWord("AND")) {
            next();
            n = binary(QStringLiteral("AND"), n, parseNot());
        }
        return n;
    }
    NodePtr parseNot() {
        if (isWord("NOT")) {
            DepthGuard g(*this);
            next();
            return unary(QStringLiteral("NOT"), parseNot());
        }
        return parseComparison();
    }
    NodePtr parseComparison() {
        NodePtr n = parseAdditive();
        while (isOp("=") || isOp("<>") || isOp("<") || isOp(">") || isOp("<=") || isOp(">=")) {
            const QString op = tok_.text;
            next();
            n = binary(op, n, parseAdditive());
        }
        return n;
    }
    NodePtr parseAdditive() {
        NodePtr n = parseMultiplicative();
        while (isOp("+") || isOp("-")) {
            const QString op = tok_.text;
            next();
            n = binary(op, n, parseMultiplicative());
        }
        return n;
    }
    NodePtr parseMultiplicative() {
        NodePtr n = parseUnary();
        while (isOp("*") || isOp("/") || isWord("MOD") || isWord("DIV")) {
            const QString op = tok_.text.toUpper();
            next();
            n = binary(op, n, parseUnary());
        }
        return n;
    }
    NodePtr parseUnary() {
        if (isOp("-") || isOp("+")) {
            DepthGuard g(*this);
            const QString op = tok_.text;
            next();
            NodePtr operand = parseUnary();
            return op == u"-" ? unary(op, operand) : operand;
        }
        return parsePrimary();
    }
    NodePtr parsePrimary() {
        DepthGuard g(*this);
        auto n = std::make_shared<Node>();
        switch (tok_.kind) {
            case Token::Kind::Number:
                n->kind = Node::Kind::Number;
                n->number = tok_.number;
                next();
                return n;
            case Token::Kind::Text:
                n->kind = Node::Kind::Text;
                n->text = tok_.text;
                next();
                return n;
            case Token::Kind::Quoted:
                // "Field" alone names a field of the current record.
                n->kind = Node::Kind::Name;
                n->text = tok_.text;
                next();
                return n;
            case Token::Kind::Name: {
                const QString name = tok_.text;
                next();
                if (isOp("(")) {
                    next();
                    n->kind = Node::Kind::Call;
                    n->text = name.toUpper();
                    n->field = name;  // as written, for the application's handler
                    if (!isOp(")")) {
                        for (;;) {
                            n->args.push_back(parseOr());
                            if (isOp(",")) {
                                next();
                                continue;
                            }
                            break;
                        }
                    }
                    expect(")");
                    return checked(n);
                }
                if (isOp(".")) {
                    next();
                    if (tok_.kind != Token::Kind::Quoted && tok_.kind != Token::Kind::Name)
                        fail(QStringLiteral("field name expected"));
                    n->kind = Node::Kind::Field;
                    n->text = name;
                    n->field = tok_.text;
                    next();
                    return n;
                }
                n->kind = Node::Kind::Name;
                n->text = name;
                return n;
            }
            case Token::Kind::Op:
                if (isOp("(") || isOp("[")) {
                    const bool bracket = isOp("[");
                    next();
                    NodePtr inner = parseOr();
                    expect(bracket ? "]" : ")");
                    return inner;
                }
                fail(QStringLiteral("unexpected \"%1\"").arg(tok_.text));
            case Token::Kind::End:
                break;
        }
        fail(QStringLiteral("expression expected"));
    }

    QString s_;
    qsizetype pos_ = 0;
    Token tok_;
    int depth_ = 0;
};

[[noreturn]] void typeError(const QString& what) {
    throw ReportError(what);
}

int compareValues(const QVariant& a, const QVariant& b) {
    const bool aNull = a.isNull() || !a.isValid();
    const bool bNull = b.isNull() || !b.isValid();
    if (aNull || bNull) {
        // NULL sorts first and equals only NULL, an empty text or a zero.
        if (aNull && bNull) return 0;
        const QVariant& other = aNull ? b : a;
        const int sign = aNull ? -1 : 1;
        if (isNumber(other)) return toNumber(other) == 0 ? 0 : sign;
        if (other.typeId() == QMetaType::QString) return other.toString().isEmpty() ? 0 : sign;
        return sign;
    }
    if (isNumber(a) && isNumber(b)) {
        const double x = toNumber(a), y = toNumber(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const bool aDate = a.typeId() == QMetaType::QDateTime || a.typeId() == QMetaType::QDate;
    const bool bDate = b.typeId() == QMetaType::QDateTime || b.typeId() == QMetaType::QDate;
    if (aDate && bDate) {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.typeId() == QMetaType::Bool && b.typeId() == QMetaType::Bool)
        return int(a.toBool()) - int(b.toBool());
    if (isNumber(a) != isNumber(b) &&
        (a.typeId() == QMetaType::QString || b.typeId() == QMetaType::QString)) {
        // A number against a text compares as numbers when the text is one.
        bool ok = false;
        const QString t = (isNumber(a) ? b : a).toString().trimmed();
        const double v = t.toDouble(&ok);
        if (ok) {
            const double x = isNumber(a) ? toNumber(a) : v;
            const double y = isNumber(a) ? v : toNumber(b);
            return x < y ? -1 : (x > y ? 1 : 0);
        }
        typeError(QStringLiteral("cannot compare the number with the text '%1'").arg(t));
    }
    const int c = QString::compare(displayText(a), displayText(b), Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool isText(const QVariant& v) {
    return v.typeId() == QMetaType::QString;
}

QVariant builtin(const Node& call, EvalContext& ctx, bool& known) {
    known = true;
    const QString& f = call.text;
    const auto argc = static_cast<int>(call.args.size());
    auto arg = [&](int i) { return evaluate(*call.args[i], ctx); };
    auto need = [&](int lo, int hi) {
        if (argc < lo || argc > hi)
            throw ReportError(QStringLiteral("%1 takes %2 argument(s), not %3")
                                  .arg(f, lo == hi ? QString::number(lo)
                                                   : QStringLiteral("%1 to %2").arg(lo).arg(hi))
                                  .arg(argc));
    };
    if (f == u"IF") {
        need(3, 3);
        return toCondition(arg(0)) ? arg(1) : arg(2);
    }
    if (isAggregateName(f)) return ctx.aggregate(call);
    if (f == u"FORMATFLOAT") {
        need(2, 2);
        const QVariant pattern = arg(0);
        if (!isText(pattern)) throw ReportError(QStringLiteral("FORMATFLOAT needs a pattern text"));
        const QVariant v = arg(1);
        if (v.isNull()) return QString();
        if (!isNumber(v)) (void)toNumber(v);  // a text that is no number is an error
        return formatValue(isNumber(v) ? v : QVariant(toNumber(v)), pattern.toString());
    }
    if (f == u"FORMATDATETIME") {
        need(2, 2);
        const QVariant pattern = arg(0);
        const QVariant v = arg(1);
        if (v.isNull()) return QString();
        QDateTime dt = v.toDateTime();
        if (isText(v)) {
            dt = QDateTime::fromString(v.toString(), QStringLiteral("dd/MM/yyyy"));
            if (!dt.isValid()) dt = QDateTime::fromString(v.toString(), Qt::ISODate);
        }
        if (!dt.isValid())
            throw ReportError(
                QStringLiteral("FORMATDATETIME: '%1' is not a date").arg(displayText(v)));
        return formatDateTime(pattern.toString(), dt);
    }
    if (f == u"STR") {
        need(1, 1);
        return displayText(arg(0));
    }
    if (f == u"UPPERCASE") {
        need(1, 1);
        return displayText(arg(0)).toUpper();
    }
    if (f == u"LOWERCASE") {
        need(1, 1);
        return displayText(arg(0)).toLower();
    }
    if (f == u"TRIM") {
        need(1, 1);
        return displayText(arg(0)).trimmed();
    }
    if (f == u"LENGTH") {
        need(1, 1);
        return double(displayText(arg(0)).size());
    }
    if (f == u"COPY") {
        need(3, 3);
        const QString s = displayText(arg(0));
        const double start = toNumber(arg(1)), len = toNumber(arg(2));
        if (!(start >= 1) || !(len >= 0)) return QString();
        if (start > s.size()) return QString();
        return s.mid(qsizetype(start) - 1, qsizetype(std::min<double>(len, s.size())));
    }
    if (f == u"ROUND") {
        need(1, 2);
        const double v = toNumber(arg(0));
        const double places = argc > 1 ? toNumber(arg(1)) : 0;
        if (!(places >= 0 && places <= 15)) throw ReportError(QStringLiteral("ROUND: bad places"));
        // Through the display formatter, so halves go away from zero as everywhere else.
        QString pattern = QStringLiteral("0");
        if (places >= 1) pattern += u'.' + QString(int(places), u'0');
        const QString text = formatNumber(v, pattern + u';' + u'-' + pattern);
        return text.toDouble();
    }
    if (f == u"INT") {
        need(1, 1);
        return std::trunc(toNumber(arg(0)));
    }
    if (f == u"FRAC") {
        need(1, 1);
        const double v = toNumber(arg(0));
        return v - std::trunc(v);
    }
    if (f == u"ABS") {
        need(1, 1);
        return std::fabs(toNumber(arg(0)));
    }
    known = false;
    return {};
}

}  // namespace

NodePtr parseExpression(const QString& text) {
    Parser p(text);
    return p.parseAll();
}

std::vector<TextPart> parseText(const QString& text) {
    std::vector<TextPart> parts;
    QString literal;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != u'[') {
            literal += text[i++];
            continue;
        }
        // Find the matching "]", skipping nested brackets and quoted texts.
        int depth = 0;
        qsizetype j = i;
        QChar quote;
        for (; j < text.size(); ++j) {
            const QChar c = text[j];
            if (!quote.isNull()) {
                if (c == quote) quote = QChar();
                continue;
            }
            if (c == u'\'' || c == u'"') {
                quote = c;
            } else if (c == u'[') {
                ++depth;
            } else if (c == u']' && --depth == 0) {
                break;
            }
        }
        if (j >= text.size())
            throw ReportError(QStringLiteral("\"[\" at position %1 is not closed").arg(i + 1));
        if (!literal.isEmpty()) {
            parts.push_back({literal, nullptr, {}});
            literal.clear();
        }
        const QString source = text.mid(i + 1, j - i - 1);
        parts.push_back({{}, parseExpression(source), source});
        i = j + 1;
    }
    if (!literal.isEmpty()) parts.push_back({literal, nullptr, {}});
    return parts;
}

void collectNodes(const NodePtr& node, const std::function<void(const NodePtr&)>& visit) {
    if (!node) return;
    visit(node);
    for (const NodePtr& a : node->args) collectNodes(a, visit);
}

bool usesName(const NodePtr& node, const QString& upperName) {
    bool found = false;
    collectNodes(node, [&](const NodePtr& n) {
        if (n->kind == Node::Kind::Name && n->text.toUpper() == upperName) found = true;
    });
    return found;
}

bool isAggregateName(const QString& n) {
    return n == u"SUM" || n == u"COUNT" || n == u"MIN" || n == u"MAX" || n == u"AVG";
}

bool isNumber(const QVariant& v) {
    switch (v.typeId()) {
        case QMetaType::Double:
        case QMetaType::Float:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            return true;
        default:
            return v.typeId() == qMetaTypeId<db::Decimal>();
    }
}

double toNumber(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return 0;
    if (v.typeId() == qMetaTypeId<db::Decimal>()) return v.value<db::Decimal>().toDouble();
    if (isNumber(v)) return v.toDouble();
    if (v.typeId() == QMetaType::Bool) return v.toBool() ? 1 : 0;
    if (isText(v)) {
        const QString t = v.toString().trimmed();
        if (t.isEmpty()) return 0;
        bool ok = false;
        const double d = t.toDouble(&ok);
        if (ok && std::isfinite(d)) return d;
        throw ReportError(QStringLiteral("'%1' is not a number").arg(v.toString()));
    }
    throw ReportError(QStringLiteral("'%1' is not a number").arg(displayText(v)));
}

bool toCondition(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return false;
    if (v.typeId() == QMetaType::Bool) return v.toBool();
    if (isNumber(v)) return toNumber(v) != 0;
    if (isText(v)) {
        // Yes/no columns are one-character texts where exactly "Y" means yes.
        const QString t = v.toString();
        if (t == u"Y" || t.compare(u"TRUE", Qt::CaseInsensitive) == 0) return true;
        if (t.isEmpty() || t == u"N" || t.compare(u"FALSE", Qt::CaseInsensitive) == 0) return false;
    }
    throw ReportError(QStringLiteral("'%1' is neither true nor false").arg(displayText(v)));
}

QString displayText(const QVariant& v, const QString& pattern) {
    if (v.isNull() || !v.isValid()) return {};
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    if (v.typeId() == qMetaTypeId<db::Decimal>()) {
        const db::Decimal d = v.value<db::Decimal>();
        return pattern.isEmpty() ? d.toString() : formatDecimal(d.toString(), pattern);
    }
    if (isNumber(v)) {
        if (v.typeId() == QMetaType::LongLong && pattern.isEmpty()) return v.toString();
        return formatNumber(v.toDouble(), pattern);
    }
    if (v.typeId() == QMetaType::QDateTime || v.typeId() == QMetaType::QDate) {
        const QDateTime dt = v.toDateTime();
        if (!pattern.isEmpty()) return formatDateTime(pattern, dt);
        if (dt.time() == QTime(0, 0)) return dt.toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    if (v.typeId() == QMetaType::QByteArray) return {};
    return v.toString();
}

QString formatDateTime(const QString& p, const QDateTime& dt) {
    static const QLocale c = QLocale::c();
    QString out;
    const QDate d = dt.date();
    const QTime t = dt.time();
    bool afterHour = false;
    qsizetype i = 0;
    auto run = [&](QChar ch) {
        qsizetype n = 0;
        while (i + n < p.size() && p[i + n].toLower() == ch) ++n;
        return n;
    };
    while (i < p.size()) {
        const QChar c0 = p[i];
        const QChar lc = c0.toLower();
        if (c0 == u'\'' || c0 == u'"') {
            const qsizetype end = p.indexOf(c0, i + 1);
            if (end < 0) {
                out += p.mid(i + 1);
                break;
            }
            out += p.mid(i + 1, end - i - 1);
            i = end + 1;
            continue;
        }
        if (p.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0) {
            out += t.hour() < 12 ? QStringLiteral("AM") : QStringLiteral("PM");
            i += 5;
            continue;
        }
        const qsizetype n = run(lc);
        if (lc == u'y') {
            out += n <= 2 ? QStringLiteral("%1").arg(d.year() % 100, 2, 10, QChar(u'0'))
                          : QString::number(d.year());
        } else if (lc == u'm' && afterHour && n <= 2) {
            out += n == 1 ? QString::number(t.minute())
                          : QStringLiteral("%1").arg(t.minute(), 2, 10, QChar(u'0'));
            afterHour = false;
        } else if (lc == u'm') {
            if (n == 1)
                out += QString::number(d.month());
            else if (n == 2)
                out += QStringLiteral("%1").arg(d.month(), 2, 10, QChar(u'0'));
            else if (n == 3)
                out += c.monthName(d.month(), QLocale::ShortFormat);
            else
                out += c.monthName(d.month(), QLocale::LongFormat);
        } else if (lc == u'd') {
            if (n == 1)
                out += QString::number(d.day());
            else if (n == 2)
                out += QStringLiteral("%1").arg(d.day(), 2, 10, QChar(u'0'));
            else if (n == 3)
                out += c.dayName(d.dayOfWeek(), QLocale::ShortFormat);
            else
                out += c.dayName(d.dayOfWeek(), QLocale::LongFormat);
        } else if (lc == u'h') {
            out += n == 1 ? QString::number(t.hour())
                          : QStringLiteral("%1").arg(t.hour(), 2, 10, QChar(u'0'));
            afterHour = true;
            i += n;
            continue;
        } else if (lc == u'n') {
            out += n == 1 ? QString::number(t.minute())
                          : QStringLiteral("%1").arg(t.minute(), 2, 10, QChar(u'0'));
        } else if (lc == u's') {
            out += n == 1 ? QString::number(t.second())
                          : QStringLiteral("%1").arg(t.second(), 2, 10, QChar(u'0'));
        } else if (lc == u'z') {
            out += n == 1 ? QString::number(t.msec())
                          : QStringLiteral("%1").arg(t.msec(), 3, 10, QChar(u'0'));
        } else {
            out += c0;
            ++i;
            continue;
        }
        i += n;
    }
    return out;
}

QVariant evaluate(const Node& node, EvalContext& ctx) {
    switch (node.kind) {
        case Node::Kind::Number:
            return node.number;
        case Node::Kind::Text:
            return node.text;
        case Node::Kind::Name:
            return ctx.name(node.text);
        case Node::Kind::Field:
            return ctx.field(node.text, node.field);
        case Node::Kind::Unary: {
            const QVariant a = evaluate(*node.args[0], ctx);
            if (node.op == u"NOT") return !toCondition(a);
            if (a.isNull()) return QVariant();
            return -toNumber(a);
        }
        case Node::Kind::Binary: {
            const QString& op = node.op;
            if (op == u"AND") {
                if (!toCondition(evaluate(*node.args[0], ctx))) return false;
                return toCondition(evaluate(*node.args[1], ctx));
            }
            if (op == u"OR") {
                if (toCondition(evaluate(*node.args[0], ctx))) return true;
                return toCondition(evaluate(*node.args[1], ctx));
            }
            const QVariant a = evaluate(*node.args[0], ctx);
            const QVariant b = evaluate(*node.args[1], ctx);
            if (op == u"=") return compareValues(a, b) == 0;
            if (op == u"<>") return compareValues(a, b) != 0;
            if (op == u"<") return compareValues(a, b) < 0;
            if (op == u">") return compareValues(a, b) > 0;
            if (op == u"<=") return compareValues(a, b) <= 0;
            if (op == u">=") return compareValues(a, b) >= 0;
            if (op == u"+" && (isText(a) || isText(b))) return displayText(a) + displayText(b);
            const double x = toNumber(a), y = toNumber(b);
            double r = 0;
            if (op == u"+") {
                r = x + y;
            } else if (op == u"-") {
                r = x - y;
            } else if (op == u"*") {
                r = x * y;
            } else if (op == u"/") {
                if (y == 0) throw ReportError(QStringLiteral("division by zero"));
                r = x / y;
            } else {  // MOD, DIV: on whole numbers
                if (std::trunc(y) == 0) throw ReportError(QStringLiteral("division by zero"));
                if (std::fabs(x) >= 9.0e15 || std::fabs(y) >= 9.0e15)
                    throw ReportError(QStringLiteral("number too large for %1").arg(op));
                const auto xi = static_cast<qint64>(std::trunc(x));
                const auto yi = static_cast<qint64>(std::trunc(y));
                r = op == u"MOD" ? double(xi % yi) : double(xi / yi);
            }
            if (!std::isfinite(r)) throw ReportError(QStringLiteral("arithmetic overflow"));
            return r;
        }
        case Node::Kind::Call: {
            bool known = false;
            QVariant v = builtin(node, ctx, known);
            if (known) return v;
            const ArgumentEvaluator argument = [&](int index) -> QVariant {
                if (index < 0 || index >= static_cast<int>(node.args.size()))
                    throw ReportError(
                        QStringLiteral("%1 has no argument %2").arg(node.text).arg(index + 1));
                return evaluate(*node.args[index], ctx);
            };
            std::optional<QVariant> r =
                ctx.userFunction(node.field, static_cast<int>(node.args.size()), argument);
            if (!r) throw ReportError(QStringLiteral("unknown function %1").arg(node.text));
            return *r;
        }
    }
    return {};
}

}  // namespace report
