// Other SQL Server clients against `tsqlite --listen`: FreeTDS's tsql, and Python's pymssql
// when they are installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tsqlite/session.h"

namespace fs = std::filesystem;

namespace {

std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    std::array<char, 4096> buf;
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
    pclose(p);
    return out;
}

// `tsqlite -S dir --listen 127.0.0.1:0` as a child process, stopped with SIGTERM.
class ShellServer {
public:
    explicit ShellServer(const std::string& dir) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            execl(TSQLITE_SHELL_PATH, TSQLITE_SHELL_PATH, "-S", dir.c_str(), "--listen",
                  "127.0.0.1:0", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        out_ = fdopen(fds[0], "r");
        char line[512];
        if (out_ && fgets(line, sizeof line, out_)) {
            std::string l = line;
            auto colon = l.rfind(':');
            if (l.find("serving") != std::string::npos && colon != std::string::npos)
                port_ = std::stoi(l.substr(colon + 1));
        }
    }
    ~ShellServer() { stop(); }

    int port() const { return port_; }

    // SIGTERM; the exit code and what it printed on the way out.
    int stop(std::string* said = nullptr) {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        char line[512];
        while (out_ && fgets(line, sizeof line, out_))
            if (said) *said += line;
        if (out_) fclose(out_);
        out_ = nullptr;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
    int port_ = 0;
};

class ClientsTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tds_clients_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        tsqlite::createServer(dir.string());
        tsqlite::Session master(dir.string(), "master");
        master.query("CREATE DATABASE Shop");
        tsqlite::Session shop(dir.string(), "Shop");
        shop.query("CREATE TABLE Item (Id int PRIMARY KEY, Name varchar(40), Note nvarchar(40))");
        shop.query("INSERT INTO Item VALUES (1, 'ข้าวหอม', N'ไทย'), (2, 'Rice', NULL)");
        shop.query(
            "CREATE PROCEDURE Twice @In int, @Out int OUTPUT AS BEGIN SET @Out = @In * 2; "
            "SELECT Name FROM Item WHERE Id = @In; RETURN 7 END");
        fs::create_directories(dir / "work");
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
};

}  // namespace

TEST_F(ClientsTest, TsqlRunsBatchesProceduresAndSeesErrors) {
    if (!fs::exists("/usr/bin/tsql")) GTEST_SKIP() << "freetds-bin is not installed";
    ShellServer server(dir.string());
    ASSERT_GT(server.port(), 0);
    fs::path script = dir / "work" / "script.sql";
    std::ofstream(script) << "SELECT Id, Name FROM Item ORDER BY Id; SELECT Note FROM Item "
                             "WHERE Id = 1\ngo\n"
                             "DECLARE @o int, @r int; EXEC @r = Twice 21, @o OUTPUT; "
                             "SELECT @o AS Result, @r AS Status\ngo\n"
                             "SELECT * FROM NoSuchTable\ngo\nexit\n";
    std::string out =
        run("TDSVER=7.4 LANG=C.UTF-8 tsql -H 127.0.0.1 -p " + std::to_string(server.port()) +
            " -U qarn -P mirabelt -D Shop -o q < " + script.string() + " 2>&1");
    EXPECT_NE(out.find("1\tข้าวหอม"), std::string::npos) << out;
    EXPECT_NE(out.find("2\tRice"), std::string::npos) << out;
    EXPECT_NE(out.find("ไทย"), std::string::npos) << out;
    EXPECT_NE(out.find("42\t7"), std::string::npos) << out;
    EXPECT_NE(out.find("Msg 208"), std::string::npos) << out;
    EXPECT_NE(out.find("Invalid object name 'NoSuchTable'."), std::string::npos) << out;

    std::string said;
    EXPECT_EQ(server.stop(&said), 0);
    EXPECT_NE(said.find("stopped"), std::string::npos) << said;
}

TEST_F(ClientsTest, PymssqlCallsAProcedureWithAnOutputParameter) {
    // Debian's Python, where python3-pymssql installs.
    if (run("/usr/bin/python3 -c 'import pymssql' >/dev/null 2>&1 && echo yes") != "yes\n")
        GTEST_SKIP() << "python3-pymssql is not installed";
    ShellServer server(dir.string());
    ASSERT_GT(server.port(), 0);
    fs::path script = dir / "work" / "client.py";
    std::ofstream(script)
        << "import pymssql, sys\n"
           "c = pymssql.connect(server='127.0.0.1', port="
        << server.port()
        << ", user='qarn', password='mirabelt', database='Shop', tds_version='7.3')\n"
           "cur = c.cursor()\n"
           "cur.execute('SELECT Id FROM Item ORDER BY Id; SELECT Name FROM Item WHERE Id = "
           "%d', (1,))\n"
           "print('first', [r[0] for r in cur.fetchall()])\n"
           "cur.nextset()\n"
           "print('second', cur.fetchall()[0][0])\n"
           "out = cur.callproc('Twice', (21, pymssql.output(int)))\n"
           "print('out', out[1])\n"
           "try:\n"
           "    cur.execute('SELECT * FROM NoSuchTable')\n"
           "except pymssql.DatabaseError as e:\n"
           "    print('error', e.args[0])\n";
    std::string out = run("/usr/bin/python3 " + script.string() + " 2>&1");
    EXPECT_NE(out.find("first [1, 2]"), std::string::npos) << out;
    EXPECT_NE(out.find("second ข้าวหอม"), std::string::npos) << out;
    EXPECT_NE(out.find("out 42"), std::string::npos) << out;
    EXPECT_NE(out.find("error 208"), std::string::npos) << out;
}

TEST_F(ClientsTest, TediousFallsBackToPlainTextAndCallsAProcedure) {
    // tedious (npm) in the build's test-local folder:
    //   npm install --prefix build/tds_node tedious@18
    const fs::path node = TDS_NODE_DIR;
    if (!fs::exists(node / "node_modules" / "tedious") || !fs::exists("/usr/bin/node"))
        GTEST_SKIP() << "tedious is not installed in " << node;
    ShellServer server(dir.string());
    ASSERT_GT(server.port(), 0);
    fs::path script = node / ("client_" + std::to_string(::getpid()) + ".js");
    // encrypt stays on: the server's "not supported" lets tedious go on in plain text.
    std::ofstream(script) << R"js(const { Connection, Request, TYPES } = require('tedious');
const port = parseInt(process.argv[2]);
const c = new Connection({ server: '127.0.0.1', options: { port, database: 'Shop', encrypt: true, trustServerCertificate: true },
  authentication: { type: 'default', options: { userName: 'qarn', password: 'mirabelt' } } });
function run(sql, done) {
  const rows = [];
  const r = new Request(sql, (err) => done(err, rows));
  r.on('row', (cols) => rows.push(cols.map(x => x.value)));
  return r;
}
c.on('connect', (err) => {
  if (err) { console.log('connect error', err.message); process.exit(1); }
  c.execSql(run('SELECT Id FROM Item ORDER BY Id; SELECT Name FROM Item WHERE Id = 1', (err, rows) => {
    console.log('rows', JSON.stringify(rows));
    const p = new Request('Twice', (err) => {
      const e = run('SELECT * FROM NoSuchTable', (err) => {
        console.log('error', err && err.number);
        c.close();
      });
      c.execSql(e);
    });
    p.addParameter('In', TYPES.Int, 21);
    p.addOutputParameter('Out', TYPES.Int);
    p.on('returnValue', (name, value) => console.log('out', name, value));
    p.on('doneProc', (rowCount, more, status) => console.log('status', status));
    c.callProcedure(p);
  }));
});
c.connect();
)js";
    std::string out = run("cd " + node.string() + " && timeout 30 /usr/bin/node " +
                          script.string() + " " + std::to_string(server.port()) + " 2>&1");
    fs::remove(script);
    EXPECT_NE(out.find("rows [[1],[2],[\"ข้าวหอม\"]]"), std::string::npos) << out;
    EXPECT_NE(out.find("out Out 42"), std::string::npos) << out;
    EXPECT_NE(out.find("status 7"), std::string::npos) << out;
    EXPECT_NE(out.find("error 208"), std::string::npos) << out;
}
