// tsqlite: a command-line shell for the embedded server, with sqlcmd's flags, so the
// database scripts run the same way here as through sqlcmd on a real SQL Server.
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "shell/options.h"
#include "shell/printer.h"
#include "shell/script.h"
#include "shell/variables.h"
#include "tsqlite/parser.h"
#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

namespace shell {
namespace {

std::string toLower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string& s) {
    auto b = s.find_first_not_of(" \t\r");
    if (b == std::string::npos) return {};
    auto e = s.find_last_not_of(" \t\r");
    return s.substr(b, e - b + 1);
}

bool isBlank(const std::string& s) {
    return s.find_first_not_of(" \t\r\n") == std::string::npos;
}

// "GO", "go 3": the line that ends a batch typed at the prompt.
bool isGoLine(const std::string& line) {
    std::string t = toLower(trim(line));
    if (t.size() < 2 || t.compare(0, 2, "go") != 0) return false;
    std::string rest = trim(t.substr(2));
    return rest.find_first_not_of("0123456789") == std::string::npos;
}

class Runner {
public:
    Runner(tsqlite::Session& session, ResultPrinter& printer, std::ostream& out,
           const Options& options)
        : session_(session), printer_(printer), out_(out), options_(options) {}

    // Runs a script: variables substituted, then split into batches at GO lines.
    void runScript(const std::string& script) {
        if (stopped_) return;
        Substitution sub = substituteVariables(normalizeScript(script), options_.variables);
        if (!sub.undefined.empty()) {
            for (const auto& name : sub.undefined)
                out_ << "'" << name << "' scripting variable not defined.\n";
            failed();
            return;
        }
        for (const auto& batch : tsqlite::splitScript(sub.text)) {
            if (isBlank(batch.text)) continue;
            for (int n = 0; n < std::max(batch.repeat, 1) && !stopped_; ++n) runBatch(batch.text);
            if (stopped_) return;
        }
    }

    bool hadError() const { return hadError_; }
    bool stopped() const { return stopped_; }

private:
    void runBatch(const std::string& text) {
        try {
            session_.execute(text, printer_);
        } catch (const tsqlite::Error& e) {
            printer_.error(e);
        } catch (const std::exception& e) {
            out_ << "tsqlite: " << e.what() << '\n';
            failed();
        }
        out_.flush();
        if (printer_.takeErrorCount() > 0) failed();
    }

    void failed() {
        hadError_ = true;
        // -b ends the run with the batch that failed.
        if (options_.exitOnError) stopped_ = true;
    }

    tsqlite::Session& session_;
    ResultPrinter& printer_;
    std::ostream& out_;
    const Options& options_;
    bool hadError_ = false;
    bool stopped_ = false;
};

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buf;
    buf << in.rdbuf();
    text = buf.str();
    return true;
}

// Batches typed or piped in: a GO line runs what came before it, EXIT or QUIT ends.
void runInteractive(Runner& runner, std::ostream& out) {
    const bool prompt = isatty(STDIN_FILENO) && &out == &std::cout;
    std::string buffer;
    int lineNo = 1;
    std::string line;
    while (!runner.stopped()) {
        if (prompt) out << lineNo << "> " << std::flush;
        if (!std::getline(std::cin, line)) break;
        std::string cmd = toLower(trim(line));
        if (!cmd.empty() && cmd[0] == ':') cmd.erase(0, 1);
        if (cmd == "exit" || cmd == "quit") return;
        if (cmd == "exit()") {  // runs the batch, then ends
            runner.runScript(buffer);
            return;
        }
        buffer += line;
        buffer += '\n';
        ++lineNo;
        if (isGoLine(line)) {
            runner.runScript(buffer);
            buffer.clear();
            lineNo = 1;
        }
    }
    if (!isBlank(buffer)) runner.runScript(buffer);
}

int run(const Options& options) {
    std::ofstream file;
    if (!options.outputFile.empty()) {
        file.open(options.outputFile, std::ios::binary | std::ios::trunc);
        if (!file) {
            std::cerr << "tsqlite: '" << options.outputFile << "': Invalid filename.\n";
            return 1;
        }
    }
    std::ostream& out = options.outputFile.empty() ? std::cout : file;

    // Read every input file first: a missing one must not leave half a script run.
    std::vector<std::string> scripts;
    for (const auto& path : options.inputFiles) {
        std::string text;
        if (!readFile(path, text)) {
            out << "tsqlite: '" << path << "': Invalid filename.\n";
            return 1;
        }
        scripts.push_back(std::move(text));
    }

    ResultPrinter printer(out, Format{options.headers, options.trimSpaces, options.separator});
    std::unique_ptr<tsqlite::Session> session;
    try {
        if (!tsqlite::serverExists(options.server)) {
            if (!options.createServer) {
                out << "tsqlite: '" << options.server
                    << "' is not a server directory (--create-server creates one).\n";
                return 1;
            }
            tsqlite::createServer(options.server);
        }
        session = std::make_unique<tsqlite::Session>(options.server, options.database);
        if (options.timeout > 0) session->setTimeout(options.timeout);
    } catch (const tsqlite::Error& e) {
        printer.error(e);
        return 1;
    } catch (const std::exception& e) {
        out << "tsqlite: " << e.what() << '\n';
        return 1;
    }

    Runner runner(*session, printer, out, options);
    if (options.hasQuery) {
        runner.runScript(options.query);
    } else if (!scripts.empty()) {
        for (const auto& script : scripts) runner.runScript(script);
    } else {
        runInteractive(runner, out);
    }
    out.flush();
    return options.exitOnError && runner.hadError() ? 1 : 0;
}

}  // namespace
}  // namespace shell

namespace shell {
namespace {

// Serves the directory over TDS until SIGINT or SIGTERM; the sessions' open transactions
// roll back as the listener closes them.
int listen(const Options& options) {
    std::string host, error;
    int port = 0;
    if (!tsqlite::tds::parseListenAddress(options.listen, host, port, error)) {
        std::cerr << "tsqlite: --listen " << error << '\n';
        return 1;
    }
    // The signals wait for sigwait below, in every thread the listener starts.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    tsqlite::tds::ListenOptions lo;
    lo.serverDir = options.server;
    lo.host = host;
    lo.port = port;
    if (!options.user.empty()) lo.user = options.user;
    if (!options.password.empty()) lo.password = options.password;
    std::unique_ptr<tsqlite::tds::Listener> listener;
    try {
        listener = std::make_unique<tsqlite::tds::Listener>(lo);
    } catch (const std::exception& e) {
        std::cerr << "tsqlite: " << e.what() << '\n';
        return 1;
    }
    std::cout << "tsqlite: serving " << options.server << " on " << host << ":" << listener->port()
              << std::endl;
    listener->start();
    int signal = 0;
    sigwait(&stopSignals, &signal);
    listener->stop();
    std::cout << "tsqlite: stopped" << std::endl;
    return 0;
}

}  // namespace
}  // namespace shell

int main(int argc, char** argv) {
    std::ios::sync_with_stdio(false);
    shell::Options options;
    try {
        options = shell::parseOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const shell::UsageError& e) {
        std::cerr << "tsqlite: " << e.what() << "\n\n" << shell::usageText();
        return 1;
    }
    if (options.help) {
        std::cout << shell::usageText();
        return 0;
    }
    if (!options.listen.empty()) return shell::listen(options);
    return shell::run(options);
}
