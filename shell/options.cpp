#include "shell/options.h"

#include <cctype>

#include "shell/variables.h"

namespace shell {

namespace {

int toInt(const std::string& flag, const std::string& text) {
    std::size_t used = 0;
    int value = 0;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != text.size())
        throw UsageError("'" + flag + " " + text + "': Invalid argument.");
    return value;
}

void addVariable(Options& o, const std::string& assignment) {
    auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw UsageError("'-v " + assignment + "': Invalid argument. Use name=value.");
    std::string name = assignment.substr(0, eq);
    for (char c : name) {
        if (std::isspace(static_cast<unsigned char>(c)) || c == '$' || c == '(' || c == ')')
            throw UsageError("'-v " + assignment + "': Invalid variable name.");
    }
    o.variables[variableKey(name)] = assignment.substr(eq + 1);
}

void addInputFiles(Options& o, const std::string& list) {
    // sqlcmd takes several files after one -i separated by commas.
    std::size_t start = 0;
    while (start <= list.size()) {
        auto comma = list.find(',', start);
        if (comma == std::string::npos) comma = list.size();
        if (comma > start) o.inputFiles.push_back(list.substr(start, comma - start));
        start = comma + 1;
    }
}

}  // namespace

Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--create-server") {
            o.createServer = true;
            continue;
        }
        if (arg == "--listen" || arg.rfind("--listen=", 0) == 0) {
            if (arg.size() > 8) {
                o.listen = arg.substr(9);
            } else {
                if (i + 1 >= args.size()) throw UsageError("'--listen': Missing argument.");
                o.listen = args[++i];
            }
            if (o.listen.empty()) throw UsageError("'--listen': Missing argument.");
            continue;
        }
        if (arg == "--help" || arg == "-?") {
            o.help = true;
            continue;
        }
        if (arg.size() < 2 || arg[0] != '-' || arg[1] == '-')
            throw UsageError("'" + arg + "': Unknown option.");
        char flag = arg[1];
        // Flags without a value.
        if (flag == 'b' || flag == 'W' || flag == 'E' || flag == 'C' || flag == 'I') {
            if (arg.size() != 2) throw UsageError("'" + arg + "': Unknown option.");
            if (flag == 'b') o.exitOnError = true;
            if (flag == 'W') o.trimSpaces = true;
            continue;
        }
        static const std::string withValue = "SdQivhsoUPt";
        if (withValue.find(flag) == std::string::npos)
            throw UsageError("'" + arg + "': Unknown option.");
        // The value may follow the flag directly ("-h-1") or as the next argument ("-h -1").
        std::string value;
        if (arg.size() > 2) {
            value = arg.substr(2);
        } else {
            if (i + 1 >= args.size())
                throw UsageError("'-" + std::string(1, flag) + "': Missing argument.");
            value = args[++i];
        }
        switch (flag) {
            case 'S':
                o.server = value;
                break;
            case 'd':
                o.database = value;
                break;
            case 'Q':
                o.query = value;
                o.hasQuery = true;
                break;
            case 'i':
                addInputFiles(o, value);
                break;
            case 'v':
                addVariable(o, value);
                // sqlcmd also takes "-v a=1 b=2".
                while (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-' &&
                       args[i + 1].find('=') != std::string::npos)
                    addVariable(o, args[++i]);
                break;
            case 'h':
                o.headers = toInt("-h", value);
                if (o.headers < -1)
                    throw UsageError("'-h " + value + "': Value must be -1 or greater.");
                break;
            case 's':
                o.separator = value;
                break;
            case 'o':
                o.outputFile = value;
                break;
            case 't':
                o.timeout = toInt("-t", value);
                if (o.timeout < 0)
                    throw UsageError("'-t " + value + "': Value must be 0 or greater.");
                break;
            case 'U':
                o.user = value;
                break;
            case 'P':
                o.password = value;
                break;
            default:
                break;
        }
    }
    if (!o.listen.empty() && (o.hasQuery || !o.inputFiles.empty()))
        throw UsageError("--listen serves the server; it does not run -Q or -i.");
    if (o.hasQuery && !o.inputFiles.empty())
        throw UsageError("The -Q and -i options are mutually exclusive.");
    return o;
}

const char* usageText() {
    return "usage: tsqlite [-S server-directory] [-d database] [-Q \"batch\" | -i file ...]\n"
           "               [-v name=value ...] [-b] [-h headers] [-W] [-s separator]\n"
           "               [-o output-file] [-t seconds] [--create-server]\n"
           "       tsqlite -S server-directory --listen [HOST:]PORT [-U login -P password]\n"
           "\n"
           "  -S dir           server directory (default: ./server)\n"
           "  -d name          database to use at start (default: master)\n"
           "  -Q \"batch\"       run the batch and exit\n"
           "  -i file[,file]   run script files; batches are separated by GO lines\n"
           "  -v name=value    scripting variable, referenced as $(name)\n"
           "  -b               stop after the first failing batch and exit with 1\n"
           "  -h -1            no column headers; -h N repeats them every N rows\n"
           "  -W               remove trailing blanks and do not pad columns\n"
           "  -s c             column separator (default: one blank)\n"
           "  -o file          write the output to file\n"
           "  -t seconds       query time-out\n"
           "  -U, -P, -E       accepted and ignored (the server has one login); with\n"
           "                   --listen, the login clients must give (default: the\n"
           "                   client program's own)\n"
           "  --listen [HOST:]PORT\n"
           "                   serve the directory to SQL Server clients (ODBC,\n"
           "                   FreeTDS) in SQL Server's wire protocol until SIGINT or\n"
           "                   SIGTERM; HOST defaults to 127.0.0.1 (this machine only)\n"
           "  --create-server  create the server directory when it does not exist\n"
           "\n"
           "Without -Q or -i, batches are read from standard input; a GO line runs\n"
           "the batch, EXIT or QUIT ends.\n";
}

}  // namespace shell
