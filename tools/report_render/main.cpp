// report_render: runs a report template against a company database into a PDF file, or
// computes report expressions read from standard input, for schedulers, mail-outs and
// template writers. Needs no display.
//
//   report_render [-S server] -d database --template FILE [--var NAME=VALUE ...] -o out.pdf
//   report_render [-S server] -d database --eval
//   report_render [-S server] -d database --template FILE [--var ...] --preview [--screenshot PNG]
//
// The server is named as in "Server.Dat" (a folder of the embedded server, or a SQL Server
// host); without -S, "Server.Dat" of the current directory names it. A variable's VALUE is an
// expression text, as the print dialog sets them: --var "DocNo='ORD0001'" --var DocYear=2026.
// Exit 0 on success; 1, with the reason on standard error, on the first failure; 2 for a
// wrong command line.
#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTextStream>
#include <cstdio>
#include <exception>
#include <optional>

#include "data/Dm_Config.h"
#include "data/U_DM.h"
#include "db/connection_params.h"
#include "printing/ReportUserFunctions.h"
#include "ui/report/Preview.h"
#include "ui/report/Render.h"
#include "ui/report/Report.h"

namespace {

// The application's own report functions (amounts in words, quantities in packing units) are
// installed here, so that templates and --eval lines reach the same functions as in the
// client's print dialog; quantity texts are read through the run's main connection.
report::UserFunctionHandler applicationUserFunctions(TDM& dm) {
    return reportUserFunctionHandler(dm);
}

const char kUsage[] =
    "usage: report_render [-S server] -d database --template FILE [--var NAME=VALUE ...] "
    "-o out.pdf\n"
    "       report_render [-S server] -d database --eval\n"
    "       report_render [-S server] -d database --template FILE [--var NAME=VALUE ...] "
    "--preview [--screenshot PNG]\n";

struct Options {
    std::optional<QString> server;
    QString database;
    QString templatePath;
    QString output;
    std::vector<std::pair<QString, QString>> variables;
    bool eval = false;
    bool preview = false;  // shows the preview window (needs a display) instead of a file
    QString screenshot;    // with --preview: saves the window as a picture and ends
};

std::optional<Options> parseOptions(const QStringList& args, QString& error) {
    Options o;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> std::optional<QString> {
            if (i + 1 >= args.size()) {
                error = a + " needs a value";
                return std::nullopt;
            }
            return args[++i];
        };
        std::optional<QString> v;
        if (a == "-S") {
            if (!(v = value())) return std::nullopt;
            o.server = *v;
        } else if (a == "-d") {
            if (!(v = value())) return std::nullopt;
            o.database = *v;
        } else if (a == "--template") {
            if (!(v = value())) return std::nullopt;
            o.templatePath = *v;
        } else if (a == "-o") {
            if (!(v = value())) return std::nullopt;
            o.output = *v;
        } else if (a == "--var") {
            if (!(v = value())) return std::nullopt;
            const qsizetype eq = v->indexOf(u'=');
            if (eq <= 0) {
                error = "--var takes NAME=VALUE, not \"" + *v + "\"";
                return std::nullopt;
            }
            o.variables.emplace_back(v->left(eq).trimmed(), v->mid(eq + 1));
        } else if (a == "--preview") {
            o.preview = true;
        } else if (a == "--screenshot") {
            if (!(v = value())) return std::nullopt;
            o.screenshot = *v;
        } else if (a == "--eval") {
            o.eval = true;
        } else {
            error = "unknown argument \"" + a + "\"";
            return std::nullopt;
        }
    }
    if (o.database.trimmed().isEmpty()) {
        error = "-d database is required";
        return std::nullopt;
    }
    if (!o.eval && (o.templatePath.isEmpty() || (o.output.isEmpty() && !o.preview))) {
        error = "give --template FILE and -o out.pdf, or --eval";
        return std::nullopt;
    }
    if (o.eval && (!o.templatePath.isEmpty() || !o.output.isEmpty())) {
        error = "--eval takes no template and no output file";
        return std::nullopt;
    }
    return o;
}

int runEval(report::Report& r) {
    QTextStream in(stdin);
    QTextStream out(stdout);
    int lineNo = 0;
    while (!in.atEnd()) {
        const QString line = in.readLine();
        ++lineNo;
        if (line.trimmed().isEmpty()) continue;
        try {
            out << report::displayText(r.evaluate(line)) << '\n';
            out.flush();
        } catch (const std::exception& e) {
            out.flush();
            std::fprintf(stderr, "report_render: line %d: %s: %s\n", lineNo,
                         line.trimmed().toUtf8().constData(), e.what());
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    // Schedulers run this without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString error;
    const std::optional<Options> options = parseOptions(app.arguments(), error);
    if (!options) {
        std::fprintf(stderr, "report_render: %s\n%s", error.toUtf8().constData(), kUsage);
        return 2;
    }
    try {
        TDM dm;
        dm.setDatabaseParameter(options->database);
        if (options->server) {
            // The database name goes with the server given here.
            const QString database = options->database.trimmed();
            const QString server = options->server->trimmed();
            dm.DMdata().setBeforeConnect([&dm, database, server](db::Connection& c) {
                dm.DatabaseCode = database;
                c.setParams(db::connectionParameterList(database, server, kMainQueryTime));
            });
        }
        report::Report r(&dm.DMdata());
        r.setUserFunctionHandler(applicationUserFunctions(dm));
        if (options->eval) return runEval(r);
        r.loadFromFile(options->templatePath);
        for (const auto& [name, value] : options->variables) r.setVariable(name, value);
        report::PreparedReport doc = r.prepare();
        if (options->preview) {
            if (options->screenshot.isEmpty() &&
                QGuiApplication::platformName() == QLatin1String("offscreen"))
                throw report::ReportError(
                    QStringLiteral("--preview needs a display (or --screenshot FILE)"));
            report::PreviewWindow window(std::move(doc), report::previewButtonsFor(true));
            window.show();
            if (options->screenshot.isEmpty()) {
                window.exec();
                return 0;
            }
            QCoreApplication::processEvents();
            if (!window.grab().save(options->screenshot)) {
                std::fprintf(stderr, "report_render: cannot write %s\n",
                             options->screenshot.toUtf8().constData());
                return 1;
            }
            return 0;
        }
        report::writePdf(doc, options->output);
        std::fprintf(stdout, "%s: %d page(s)\n", options->output.toUtf8().constData(),
                     static_cast<int>(doc.pages.size()));
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "report_render: %s\n", e.what());
        return 1;
    }
}
