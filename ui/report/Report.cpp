#include "ui/report/Report.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QScopeGuard>
#include <QSet>
#include <cmath>
#include <limits>

#include "db/connection.h"
#include "db/database_error.h"
#include "db/sql_params.h"
#include "ui/report/Barcode.h"
#include "ui/report/Render.h"

namespace report {

namespace {

// Variables referring to each other end here instead of in the stack's end.
constexpr int kMaxVariableDepth = 32;
// A template that would run away (a band taller than the page over a huge data set) stops.
constexpr int kMaxPages = 100000;

bool sameName(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString objectLabel(const Band& band, const ReportObject& o, size_t index) {
    if (!o.name.isEmpty()) return o.name;
    return QStringLiteral("%1 #%2")
        .arg(band.name.isEmpty() ? bandTypeName(band.type) : band.name)
        .arg(index + 1);
}

// "[Name]" in a query becomes the parameter ":Name" when Name is a report variable, so the
// value is bound with its type instead of pasted into the text. Bracketed names that are no
// variable stay T-SQL's quoted identifiers; strings and comments are left alone.
QString bindVariablesInSql(const QString& sql, const std::function<bool(const QString&)>& isVar) {
    QString out;
    qsizetype i = 0;
    const qsizetype n = sql.size();
    auto copyUntil = [&](qsizetype end) {
        out += sql.mid(i, end - i);
        i = end;
    };
    while (i < n) {
        const QChar c = sql[i];
        if (c == u'\'' || c == u'"') {
            qsizetype j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            copyUntil(std::min(n, j + 1));
        } else if (c == u'-' && i + 1 < n && sql[i + 1] == u'-') {
            const qsizetype j = sql.indexOf(u'\n', i);
            copyUntil(j < 0 ? n : j);
        } else if (c == u'/' && i + 1 < n && sql[i + 1] == u'*') {
            const qsizetype j = sql.indexOf(QStringLiteral("*/"), i + 2);
            copyUntil(j < 0 ? n : j + 2);
        } else if (c == u'[') {
            const qsizetype j = sql.indexOf(u']', i + 1);
            if (j < 0) {
                copyUntil(n);
                break;
            }
            const QString name = sql.mid(i + 1, j - i - 1);
            bool plain = !name.isEmpty();
            for (const QChar ch : name)
                if (!ch.isLetterOrNumber() && ch != u'_') plain = false;
            if (plain && isVar(name)) {
                out += u':' + name;
                i = j + 1;
            } else {
                copyUntil(j + 1);
            }
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace

// One preparation of the template: the data sets' positions, the pages so far, the running
// totals.
class Report::Run : public EvalContext {
public:
    Run(Report& owner, std::shared_ptr<Template> tpl) : r_(owner), tpl_(std::move(tpl)) {}

    PreparedReport prepare();
    QVariant evaluateText(const QString& text);

    // EvalContext
    QVariant name(const QString& name) override;
    QVariant field(const QString& dataSet, const QString& field) override;
    QVariant aggregate(const Node& call) override;
    std::optional<QVariant> userFunction(const QString& name, int argumentCount,
                                         const ArgumentEvaluator& argument) override;

private:
    struct Aggregate {
        QString function;
        const Band* target = nullptr;   // the data band whose records count
        const Band* resetBy = nullptr;  // a group header; null: page or never
        bool perPage = false;
        NodePtr argument;  // null for COUNT()
        const Band* footer = nullptr;
        const ReportObject* object = nullptr;
        double sum = 0;
        qint64 count = 0;
        QVariant min, max;
    };
    struct Position {
        int pageNo = 0;
        QMap<QString, int> cursors;
        std::vector<QString> stack;
        QHash<const Node*, Aggregate> aggregates;
    };
    struct Deferred {
        size_t page = 0;
        size_t item = 0;
        const Band* band = nullptr;
        const ReportObject* object = nullptr;
        size_t index = 0;
        Position at;
    };
    struct Rendered {
        double height = 0;
        std::vector<PageItem> items;
        std::vector<size_t> deferred;  // items waiting for the page count
        std::vector<std::pair<const ReportObject*, size_t>> deferredObjects;
    };

    [[noreturn]] void failAt(const Band& band, const ReportObject& o, size_t index,
                             const QString& text, const QString& why) const {
        throw ReportError(QStringLiteral("Template \"%1\", object \"%2\": error in \"%3\": %4")
                              .arg(tpl_->name, objectLabel(band, o, index), text, why));
    }
    [[noreturn]] void failBand(const Band& band, const QString& what, const QString& why) const {
        throw ReportError(QStringLiteral("Template \"%1\", band \"%2\": error in \"%3\": %4")
                              .arg(tpl_->name,
                                   band.name.isEmpty() ? bandTypeName(band.type) : band.name, what,
                                   why));
    }

    void parseAll();
    void registerAggregates();
    const db::ResultSet& loadMaster(const QString& name);
    db::ResultSet runQuery(const DataSetDef& def, const db::ResultSet* masterRows, int masterRow);
    const DataSetDef* findDataSet(const QString& name) const;

    QString textOf(const ReportObject& o);
    Rendered render(const Band& band);
    void place(const Band& band, bool mayBreak = true);
    void placeAt(Rendered& rendered, double y, const Band& band);
    void startPage();
    void endPage();
    void newPage();
    double dataBottom() const;
    void runData(const Band& band);
    void accumulate(const Band& band);
    void resetAggregates(const Band* groupHeader, bool page);
    Position position() const { return {pageNo_, cursors_, stack_, aggregates_}; }

    Report& r_;
    std::shared_ptr<Template> tpl_;
    PreparedReport out_;
    QMap<QString, db::ResultSet> data_;  // by upper-case name
    QMap<QString, int> cursors_;         // current record, by upper-case name
    std::vector<QString> stack_;         // data sets being run, innermost last
    QHash<const Node*, Aggregate> aggregates_;
    std::vector<Deferred> deferred_;
    QHash<QString, QImage> images_;
    QSet<const Band*> pageDependent_;  // bands whose objects show PAGE#
    int variableDepth_ = 0;

    int pageNo_ = 0;
    int totalPages_ = 0;
    bool final_ = false;  // evaluating the page count's texts
    double y_ = 0;
    double contentTop_ = 0;
    bool dataActive_ = false;
    bool columnHeaderShown_ = false;
    bool pageOpen_ = false;
    const Band* title_ = nullptr;
    const Band* pageHeader_ = nullptr;
    const Band* pageFooter_ = nullptr;
    const Band* columnHeader_ = nullptr;
    const Band* columnFooter_ = nullptr;
    const Band* summary_ = nullptr;
};

// ---- evaluation -------------------------------------------------------------------------------

QVariant Report::Run::name(const QString& name) {
    const QString upper = name.toUpper();
    for (const auto& [vname, text] : r_.variables_) {
        if (!sameName(vname, name)) continue;
        if (variableDepth_ >= kMaxVariableDepth)
            throw ReportError(QStringLiteral("variable %1 refers to itself").arg(vname));
        ++variableDepth_;
        const auto leave = qScopeGuard([this] { --variableDepth_; });
        try {
            return report::evaluate(*parseExpression(text), *this);
        } catch (const ReportError& e) {
            // The innermost variable says where the fault is; the outer ones add nothing.
            if (e.message().startsWith(QStringLiteral("variable ")) ||
                e.message().startsWith(QStringLiteral("in variable ")))
                throw;
            throw ReportError(
                QStringLiteral("in variable %1 = %2: %3").arg(vname, text, e.message()));
        }
    }
    // A field of the records being run, the innermost first, then of any data set read.
    for (auto it = stack_.rbegin(); it != stack_.rend(); ++it) {
        const db::ResultSet& rs = data_[*it];
        const int col = rs.columnIndex(name);
        if (col >= 0) {
            const int row = cursors_.value(*it, 0);
            return row < rs.rowCount() ? rs.value(row, col) : QVariant();
        }
    }
    for (auto it = data_.cbegin(); it != data_.cend(); ++it) {
        const int col = it.value().columnIndex(name);
        if (col >= 0) {
            const int row = cursors_.value(it.key(), 0);
            return row < it.value().rowCount() ? it.value().value(row, col) : QVariant();
        }
    }
    if (upper == u"PAGE#") return double(pageNo_);
    if (upper == u"TOTALPAGES") return double(final_ ? totalPages_ : pageNo_);
    if (upper == u"LINE#") {
        if (stack_.empty()) return 0.0;
        return double(cursors_.value(stack_.back(), 0) + 1);
    }
    if (upper == u"DATE") return QDateTime(QDate::currentDate(), QTime(0, 0));
    if (upper == u"TIME") return QTime::currentTime().toString(QStringLiteral("hh:mm:ss"));
    throw ReportError(QStringLiteral("unknown name %1").arg(name));
}

QVariant Report::Run::field(const QString& dataSet, const QString& fieldName) {
    const QString key = dataSet.toUpper();
    if (!data_.contains(key)) {
        const DataSetDef* def = findDataSet(dataSet);
        if (!def && !r_.givenData_.contains(key))
            throw ReportError(QStringLiteral("unknown data set %1").arg(dataSet));
        // A data set not run by any band yet (a header's fields): its first record.
        bool isDetail = false;
        for (const Band& b : tpl_->bands)
            if (b.type == BandType::DetailData && sameName(b.dataSet, dataSet)) isDetail = true;
        if (isDetail)
            throw ReportError(
                QStringLiteral("data set %1 has no current record here").arg(dataSet));
        loadMaster(dataSet);
    }
    const db::ResultSet& rs = data_[key];
    const int col = rs.columnIndex(fieldName);
    if (col < 0)
        throw ReportError(QStringLiteral("data set %1 has no field %2").arg(dataSet, fieldName));
    const int row = cursors_.value(key, 0);
    return row < rs.rowCount() ? rs.value(row, col) : QVariant();
}

QVariant Report::Run::aggregate(const Node& call) {
    auto it = aggregates_.find(&call);
    if (it == aggregates_.end())
        throw ReportError(QStringLiteral("%1 belongs in a group footer, column footer, page "
                                         "footer or report summary")
                              .arg(call.text));
    const Aggregate& a = it.value();
    if (a.function == u"SUM") return a.sum;
    if (a.function == u"COUNT") return double(a.count);
    if (a.function == u"AVG") return a.count ? a.sum / double(a.count) : 0.0;
    if (a.function == u"MIN") return a.min;
    return a.max;
}

std::optional<QVariant> Report::Run::userFunction(const QString& name, int argumentCount,
                                                  const ArgumentEvaluator& argument) {
    if (!r_.handler_) return std::nullopt;
    return r_.handler_(name, argumentCount, argument);
}

QVariant Report::Run::evaluateText(const QString& text) {
    const QString t = text.trimmed();
    // "[expr]" and "expr" alike: a line of --eval may be written either way.
    return report::evaluate(*parseExpression(t), *this);
}

// ---- preparation ------------------------------------------------------------------------------

const DataSetDef* Report::Run::findDataSet(const QString& name) const {
    for (const DataSetDef& d : tpl_->dataSets)
        if (sameName(d.name, name)) return &d;
    return nullptr;
}

void Report::Run::parseAll() {
    for (Band& band : tpl_->bands) {
        if (band.type == BandType::GroupHeader) {
            try {
                band.conditionExpr = parseExpression(band.condition);
            } catch (const ReportError& e) {
                failBand(band, band.condition, e.message());
            }
        }
        for (size_t i = 0; i < band.objects.size(); ++i) {
            ReportObject& o = band.objects[i];
            try {
                if (o.kind == ObjectKind::Text) {
                    o.parts = parseText(o.text);
                } else if (o.kind == ObjectKind::Barcode || o.kind == ObjectKind::CheckBox ||
                           (o.kind == ObjectKind::Picture && o.file.isEmpty())) {
                    QString t = o.text.trimmed();
                    if (t.isEmpty()) throw ReportError(QStringLiteral("no expression"));
                    o.expr = parseExpression(t);
                }
            } catch (const ReportError& e) {
                failAt(band, o, i, o.text, e.message());
            }
            for (const TextPart& p : o.parts)
                if (p.expr && usesName(p.expr, QStringLiteral("PAGE#")))
                    pageDependent_.insert(&band);
            if (o.expr && usesName(o.expr, QStringLiteral("PAGE#"))) pageDependent_.insert(&band);
        }
    }
}

void Report::Run::registerAggregates() {
    const Band* firstMaster = nullptr;
    for (const Band& b : tpl_->bands)
        if (b.type == BandType::MasterData && !firstMaster) firstMaster = &b;
    for (const Band& band : tpl_->bands) {
        const bool footer =
            band.type == BandType::GroupFooter || band.type == BandType::PageFooter ||
            band.type == BandType::ColumnFooter || band.type == BandType::ReportSummary;
        const Band* groupHeader =
            band.type == BandType::GroupFooter ? tpl_->findBand(band.group) : nullptr;
        for (size_t i = 0; i < band.objects.size(); ++i) {
            const ReportObject& o = band.objects[i];
            std::vector<NodePtr> roots;
            for (const TextPart& p : o.parts)
                if (p.expr) roots.push_back(p.expr);
            if (o.expr) roots.push_back(o.expr);
            for (const NodePtr& root : roots) {
                collectNodes(root, [&](const NodePtr& n) {
                    if (n->kind != Node::Kind::Call || !isAggregateName(n->text)) return;
                    if (!footer) return;  // evaluating it says where it belongs
                    Aggregate a;
                    a.function = n->text;
                    a.footer = &band;
                    a.object = &o;
                    a.resetBy = groupHeader;
                    a.perPage =
                        band.type == BandType::PageFooter || band.type == BandType::ColumnFooter;
                    a.target = groupHeader ? tpl_->findBand(groupHeader->data) : firstMaster;
                    size_t argc = n->args.size();
                    // A last argument naming a data band chooses the band counted.
                    if (argc >= 1 && n->args.back()->kind == Node::Kind::Name) {
                        const Band* named = tpl_->findBand(n->args.back()->text);
                        if (named && (named->type == BandType::MasterData ||
                                      named->type == BandType::DetailData)) {
                            a.target = named;
                            --argc;
                        }
                    }
                    if (argc > 1 || (argc == 0 && a.function != u"COUNT"))
                        failAt(band, o, i, o.text,
                               QStringLiteral("%1 takes one expression and an optional band")
                                   .arg(a.function));
                    if (argc == 1) a.argument = n->args.front();
                    if (!a.target)
                        failAt(band, o, i, o.text,
                               QStringLiteral("%1 has no data band to count").arg(a.function));
                    aggregates_.insert(n.get(), a);
                });
            }
        }
    }
}

db::ResultSet Report::Run::runQuery(const DataSetDef& def, const db::ResultSet* masterRows,
                                    int masterRow) {
    auto isVar = [&](const QString& n) {
        for (const auto& v : r_.variables_)
            if (sameName(v.first, n)) return true;
        return false;
    };
    const QString sql = bindVariablesInSql(def.sql, isVar);
    db::Params params;
    for (const QString& p : db::parameterNames(sql)) {
        // The master's fields first (a detail's link), then the report variables.
        if (masterRows && masterRows->columnIndex(p) >= 0) {
            params.insert(p, masterRows->value(masterRow, p));
        } else if (isVar(p)) {
            QVariant v = name(p);
            if (v.typeId() == qMetaTypeId<db::Decimal>()) v = v.value<db::Decimal>().toDouble();
            // Whole numbers go as integers, as a typed parameter should.
            if (v.typeId() == QMetaType::Double && std::trunc(v.toDouble()) == v.toDouble() &&
                std::fabs(v.toDouble()) < 9.0e15)
                v = qlonglong(v.toDouble());
            params.insert(p, v);
        } else {
            throw ReportError(QStringLiteral("Template \"%1\", data set \"%2\": no value for the "
                                             "parameter :%3")
                                  .arg(tpl_->name, def.name, p));
        }
    }
    if (!r_.connection_)
        throw ReportError(QStringLiteral("Template \"%1\", data set \"%2\": no database "
                                         "connection")
                              .arg(tpl_->name, def.name));
    try {
        return r_.connection_->query(sql, params);
    } catch (const db::DatabaseError& e) {
        throw ReportError(QStringLiteral("Template \"%1\", data set \"%2\": %3")
                              .arg(tpl_->name, def.name, QString::fromUtf8(e.what())));
    }
}

const db::ResultSet& Report::Run::loadMaster(const QString& name) {
    const QString key = name.toUpper();
    if (!data_.contains(key)) {
        if (r_.givenData_.contains(key)) {
            data_.insert(key, r_.givenData_.value(key));
        } else {
            const DataSetDef* def = findDataSet(name);
            if (!def)
                throw ReportError(QStringLiteral("Template \"%1\": unknown data set \"%2\"")
                                      .arg(tpl_->name, name));
            data_.insert(key, runQuery(*def, nullptr, 0));
        }
        cursors_.insert(key, 0);
    }
    return data_[key];
}

QString Report::Run::textOf(const ReportObject& o) {
    QString text;
    for (const TextPart& p : o.parts) {
        if (!p.expr) {
            text += p.literal;
            continue;
        }
        text += displayText(report::evaluate(*p.expr, *this), o.format);
    }
    return text;
}

Report::Run::Rendered Report::Run::render(const Band& band) {
    Rendered out;
    out.height = band.height;
    out.items.reserve(band.objects.size());
    for (size_t i = 0; i < band.objects.size(); ++i) {
        const ReportObject& o = band.objects[i];
        PageItem item;
        item.kind = o.kind;
        item.rect = o.rect;
        item.style = &o;
        QString source = o.text;
        try {
            switch (o.kind) {
                case ObjectKind::Text: {
                    bool waits = false;
                    for (const TextPart& p : o.parts)
                        if (p.expr && usesName(p.expr, QStringLiteral("TOTALPAGES"))) waits = true;
                    item.text = textOf(o);
                    if (waits) {
                        out.deferred.push_back(out.items.size());
                        out.deferredObjects.emplace_back(&o, i);
                    }
                    if (o.stretch) {
                        const double h = textHeight(o, item.text, o.rect.width());
                        if (h > item.rect.height()) item.rect.setHeight(h);
                        out.height = std::max(out.height, item.rect.bottom());
                    }
                    break;
                }
                case ObjectKind::Barcode: {
                    item.text = displayText(report::evaluate(*o.expr, *this)).trimmed();
                    try {
                        item.barcode = encodeBarcode(o.barcodeType, item.text);
                    } catch (const ReportError& e) {
                        // The document still prints; the reason stands where the bars would.
                        item.text = e.message();
                    }
                    break;
                }
                case ObjectKind::CheckBox: {
                    const QVariant v = report::evaluate(*o.expr, *this);
                    // Yes/no columns: exactly "Y" is yes.
                    item.checked =
                        v.typeId() == QMetaType::QString ? v.toString() == u"Y" : toCondition(v);
                    break;
                }
                case ObjectKind::Picture: {
                    QVariant v;
                    if (!o.file.isEmpty()) {
                        v = o.file;
                        source = o.file;
                    } else {
                        v = report::evaluate(*o.expr, *this);
                    }
                    if (v.typeId() == QMetaType::QByteArray) {
                        if (!item.image.loadFromData(v.toByteArray()) && !v.toByteArray().isEmpty())
                            throw ReportError(QStringLiteral("the picture data is not an image"));
                    } else if (!v.isNull() && !displayText(v).isEmpty()) {
                        QString path = normalizeTemplatePath(displayText(v));
                        if (QFileInfo(path).isRelative() && !tpl_->folder.isEmpty())
                            path = tpl_->folder + u'/' + path;
                        auto cached = images_.find(path);
                        if (cached == images_.end()) {
                            QImage img(path);
                            if (img.isNull())
                                throw ReportError(
                                    QStringLiteral("picture \"%1\" cannot be read").arg(path));
                            cached = images_.insert(path, img);
                        }
                        item.image = cached.value();
                    }
                    break;
                }
                case ObjectKind::Line:
                case ObjectKind::Rect:
                    break;
            }
        } catch (const ReportError& e) {
            failAt(band, o, i, source, e.message());
        }
        out.items.push_back(std::move(item));
    }
    // Frames reaching the band's bottom follow it down, so a row of cells stays a row.
    if (out.height > band.height) {
        for (PageItem& item : out.items) {
            if (item.kind == ObjectKind::Line) continue;
            if (std::fabs(item.rect.bottom() - band.height) < 0.01) item.rect.setBottom(out.height);
        }
    }
    return out;
}

double Report::Run::dataBottom() const {
    const QSizeF paper = tpl_->page.paperSize();
    double bottom = paper.height() - tpl_->page.bottom;
    if (pageFooter_ && (pageNo_ > 1 || pageFooter_->printOnFirstPage))
        bottom -= pageFooter_->height;
    if (dataActive_ && columnFooter_) bottom -= columnFooter_->height;
    return bottom;
}

void Report::Run::placeAt(Rendered& rendered, double y, const Band& band) {
    Page& page = out_.pages.back();
    const double left = tpl_->page.left;
    const size_t first = page.items.size();
    for (PageItem& item : rendered.items) {
        item.rect.translate(left, y);
        page.items.push_back(std::move(item));
    }
    for (size_t k = 0; k < rendered.deferred.size(); ++k) {
        Deferred d;
        d.page = out_.pages.size() - 1;
        d.item = first + rendered.deferred[k];
        d.band = &band;
        d.object = rendered.deferredObjects[k].first;
        d.index = rendered.deferredObjects[k].second;
        d.at = position();
        deferred_.push_back(std::move(d));
    }
}

void Report::Run::place(const Band& band, bool mayBreak) {
    Rendered rendered = render(band);
    if (mayBreak && y_ + rendered.height > dataBottom() + 1e-6 && y_ > contentTop_ + 1e-6) {
        newPage();
        // Only a band showing the page number is computed again: the application's
        // functions are not asked twice for the same record.
        if (pageDependent_.contains(&band)) rendered = render(band);
    }
    placeAt(rendered, y_, band);
    y_ += rendered.height;
}

void Report::Run::startPage() {
    if (static_cast<int>(out_.pages.size()) >= kMaxPages)
        throw ReportError(
            QStringLiteral("Template \"%1\": more than %2 pages").arg(tpl_->name).arg(kMaxPages));
    out_.pages.push_back(Page{tpl_->page.paperSize(), {}});
    ++pageNo_;
    pageOpen_ = true;
    y_ = tpl_->page.top;
    resetAggregates(nullptr, true);
    if (pageNo_ == 1 && title_) place(*title_, false);
    if (pageHeader_ && (pageNo_ > 1 || pageHeader_->printOnFirstPage)) place(*pageHeader_, false);
    columnHeaderShown_ = false;
    if (dataActive_ && columnHeader_) {
        place(*columnHeader_, false);
        columnHeaderShown_ = true;
    }
    contentTop_ = y_;
}

void Report::Run::endPage() {
    if (!pageOpen_) return;
    if (dataActive_ && columnFooter_) place(*columnFooter_, false);
    if (pageFooter_ && (pageNo_ > 1 || pageFooter_->printOnFirstPage)) {
        Rendered rendered = render(*pageFooter_);
        const double y = tpl_->page.paperSize().height() - tpl_->page.bottom - pageFooter_->height;
        placeAt(rendered, y, *pageFooter_);
    }
    pageOpen_ = false;
}

void Report::Run::newPage() {
    endPage();
    startPage();
}

void Report::Run::resetAggregates(const Band* groupHeader, bool page) {
    for (Aggregate& a : aggregates_) {
        if ((page && a.perPage) || (groupHeader && a.resetBy == groupHeader)) {
            a.sum = 0;
            a.count = 0;
            a.min = a.max = QVariant();
        }
    }
}

void Report::Run::accumulate(const Band& band) {
    for (Aggregate& a : aggregates_) {
        if (a.target != &band) continue;
        if (!a.argument) {
            ++a.count;
            continue;
        }
        QVariant v;
        try {
            v = report::evaluate(*a.argument, *this);
            if (v.isNull()) continue;
            if (a.function == u"SUM" || a.function == u"AVG") {
                a.sum += toNumber(v);
                if (!std::isfinite(a.sum)) throw ReportError(QStringLiteral("sum overflows"));
            }
        } catch (const ReportError& e) {
            size_t index = 0;
            for (size_t i = 0; i < a.footer->objects.size(); ++i)
                if (&a.footer->objects[i] == a.object) index = i;
            failAt(*a.footer, *a.object, index, a.object->text, e.message());
        }
        ++a.count;
        // MIN and MAX compare as the operators do: numbers as numbers, texts as texts.
        auto less = [](const QVariant& x, const QVariant& y) {
            if (isNumber(x) && isNumber(y)) return toNumber(x) < toNumber(y);
            return displayText(x) < displayText(y);
        };
        if (!a.min.isValid() || less(v, a.min)) a.min = v;
        if (!a.max.isValid() || less(a.max, v)) a.max = v;
    }
}

void Report::Run::runData(const Band& band) {
    const QString key = band.dataSet.toUpper();
    // Group headers of this band, outermost first, and the footers of each.
    std::vector<const Band*> groups;
    std::vector<std::vector<const Band*>> footers;
    for (const Band& b : tpl_->bands) {
        if (b.type == BandType::GroupHeader && sameName(b.data, band.name) && !band.name.isEmpty())
            groups.push_back(&b);
    }
    for (const Band* g : groups) {
        std::vector<const Band*> f;
        for (const Band& b : tpl_->bands)
            if (b.type == BandType::GroupFooter && sameName(b.group, g->name)) f.push_back(&b);
        footers.push_back(f);
    }
    std::vector<const Band*> details;
    for (const Band& b : tpl_->bands)
        if (b.type == BandType::DetailData && !band.name.isEmpty() && sameName(b.master, band.name))
            details.push_back(&b);

    const int rows = band.dataSet.isEmpty() ? 1 : data_[key].rowCount();
    if (!band.dataSet.isEmpty()) stack_.push_back(key);
    auto keysAt = [&](int row) {
        std::vector<QString> keys;
        if (!band.dataSet.isEmpty()) cursors_[key] = row;
        for (const Band* g : groups) {
            try {
                keys.push_back(displayText(report::evaluate(*g->conditionExpr, *this)));
            } catch (const ReportError& e) {
                failBand(*g, g->condition, e.message());
            }
        }
        return keys;
    };
    std::vector<QString> previous;
    for (int i = 0; i < rows; ++i) {
        const std::vector<QString> keys = keysAt(i);
        size_t changed = groups.size();
        for (size_t g = 0; g < groups.size(); ++g) {
            if (i == 0 || keys[g] != previous[g]) {
                changed = g;
                break;
            }
        }
        for (size_t g = changed; g < groups.size(); ++g) {
            if (groups[g]->startNewPage && y_ > contentTop_ + 1e-6) newPage();
            resetAggregates(groups[g], false);
            place(*groups[g]);
        }
        if (band.startNewPage && i > 0) newPage();
        place(band);
        accumulate(band);
        for (const Band* d : details) {
            const DataSetDef* def = findDataSet(d->dataSet);
            const QString dkey = d->dataSet.toUpper();
            if (r_.givenData_.contains(dkey)) {
                data_.insert(dkey, r_.givenData_.value(dkey));
            } else if (def) {
                data_.insert(dkey,
                             runQuery(*def, band.dataSet.isEmpty() ? nullptr : &data_[key], i));
            }
            cursors_[dkey] = 0;
            runData(*d);
            data_.remove(dkey);
            cursors_.remove(dkey);
        }
        size_t ending = groups.size();
        if (i == rows - 1) {
            ending = 0;
        } else if (!groups.empty()) {
            const std::vector<QString> next = keysAt(i + 1);
            keysAt(i);
            for (size_t g = 0; g < groups.size(); ++g) {
                if (next[g] != keys[g]) {
                    ending = g;
                    break;
                }
            }
        }
        for (size_t g = groups.size(); g-- > ending;)
            for (const Band* f : footers[g]) place(*f);
        previous = keys;
    }
    if (!band.dataSet.isEmpty()) stack_.pop_back();
}

PreparedReport Report::Run::prepare() {
    out_.tpl = tpl_;
    parseAll();
    registerAggregates();
    for (const Band& b : tpl_->bands) {
        switch (b.type) {
            case BandType::ReportTitle:
                title_ = title_ ? title_ : &b;
                break;
            case BandType::PageHeader:
                pageHeader_ = pageHeader_ ? pageHeader_ : &b;
                break;
            case BandType::PageFooter:
                pageFooter_ = pageFooter_ ? pageFooter_ : &b;
                break;
            case BandType::ColumnHeader:
                columnHeader_ = columnHeader_ ? columnHeader_ : &b;
                break;
            case BandType::ColumnFooter:
                columnFooter_ = columnFooter_ ? columnFooter_ : &b;
                break;
            case BandType::ReportSummary:
                summary_ = summary_ ? summary_ : &b;
                break;
            default:
                break;
        }
    }
    // Data sets of the master bands are read before the first page, so a page header may
    // show their first record.
    for (const Band& b : tpl_->bands)
        if (b.type == BandType::MasterData && !b.dataSet.isEmpty()) loadMaster(b.dataSet);
    startPage();
    for (const Band& b : tpl_->bands) {
        if (b.type != BandType::MasterData) continue;
        dataActive_ = true;
        if (columnHeader_ && !columnHeaderShown_) {
            place(*columnHeader_);
            columnHeaderShown_ = true;
        }
        runData(b);
        if (columnFooter_) place(*columnFooter_, false);
        dataActive_ = false;
    }
    if (summary_) place(*summary_);
    endPage();

    // Texts with the page count, now that it is known.
    totalPages_ = static_cast<int>(out_.pages.size());
    final_ = true;
    for (Deferred& d : deferred_) {
        pageNo_ = d.at.pageNo;
        cursors_ = d.at.cursors;
        stack_ = d.at.stack;
        aggregates_ = d.at.aggregates;
        try {
            out_.pages[d.page].items[d.item].text = textOf(*d.object);
        } catch (const ReportError& e) {
            failAt(*d.band, *d.object, d.index, d.object->text, e.message());
        }
    }
    return std::move(out_);
}

// ---- Report -----------------------------------------------------------------------------------

Report::Report(db::Connection* connection) : connection_(connection) {}
Report::~Report() = default;

void Report::clear() {
    tpl_.reset();
    prepared_.reset();
    variables_.clear();
    givenData_.clear();
}

void Report::loadFromFile(const QString& path) {
    load(readTemplateFile(path));
}

void Report::load(Template tpl) {
    // Variables of the template are its defaults; the caller's come after and win.
    auto t = std::make_shared<Template>(std::move(tpl));
    std::vector<std::pair<QString, QString>> merged = t->variables;
    for (const auto& v : variables_) {
        bool replaced = false;
        for (auto& m : merged)
            if (sameName(m.first, v.first)) {
                m.second = v.second;
                replaced = true;
            }
        if (!replaced) merged.push_back(v);
    }
    variables_ = merged;
    tpl_ = std::move(t);
}

void Report::setVariable(const QString& name, const QString& expressionText) {
    for (auto& v : variables_) {
        if (sameName(v.first, name)) {
            v.second = expressionText;
            return;
        }
    }
    variables_.emplace_back(name, expressionText);
}

void Report::setDataSet(const QString& name, db::ResultSet rows) {
    givenData_.insert(name.toUpper(), std::move(rows));
}

PreparedReport Report::prepare() {
    if (!tpl_) throw ReportError(QStringLiteral("no report template is loaded"));
    // Each preparation parses into its own copy, so a prepared report keeps its styles while
    // the template is loaded again.
    Run run(*this, std::make_shared<Template>(*tpl_));
    return run.prepare();
}

bool Report::prepareReport(const std::function<void(const std::exception&)>& onError) {
    prepared_.reset();
    try {
        prepared_ = std::make_unique<PreparedReport>(prepare());
        return true;
    } catch (const std::exception& e) {
        if (onError) onError(e);
        return false;
    }
}

QVariant Report::evaluate(const QString& expressionText) {
    auto tpl = tpl_ ? std::make_shared<Template>(*tpl_) : std::make_shared<Template>();
    Run run(*this, tpl);
    return run.evaluateText(expressionText);
}

}  // namespace report
