// The server folder and its database files: which names reach a file, what a process killed
// in the middle of a commit leaves behind, which databases a transaction locks, and what a
// damaged or unwritable file looks like to the user.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "test_server.h"

using namespace tsqlite;
using tsqlite::testing::TempServer;

namespace fs = std::filesystem;

namespace {

Error errorOf(Session& s, const std::string& sql) {
    try {
        s.query(sql);
    } catch (const Error& e) {
        return e;
    }
    ADD_FAILURE() << "no error from: " << sql;
    return Error(0, "");
}

long long count(Session& s, const std::string& table) {
    return s.query("SELECT COUNT(*) FROM " + table)[0].rows[0][0].i;
}

// A server with databases K1 and K2, each with a table T (x int).
struct TwoDatabases {
    TwoDatabases() {
        Session s(server.dir(), "master");
        for (const char* db : {"K1", "K2"}) {
            s.query(std::string("CREATE DATABASE ") + db);
            s.query(std::string("CREATE TABLE ") + db + "..T (x int NOT NULL)");
        }
    }
    TempServer server;
};

// A throw-away folder whose path has no capitals: a database's file name is its name in
// lower case, so only such a path could be reached through a database name.
struct LowerCaseRoot {
    explicit LowerCaseRoot(const std::string& what)
        : path("/tmp/tsqlite-" + what + "-" + std::to_string(getpid())) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~LowerCaseRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string path;
};

void overwrite(const std::string& path, long offset, const std::string& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(offset);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

// ---- database names ---------------------------------------------------------------------------

TEST(EngineDatabaseNames, ANameNeverReachesAFileOutsideTheServer) {
    // Two servers side by side in a folder whose path has no capitals (a database's file name
    // is its name in lower case): the victim has a secret.
    LowerCaseRoot folder("names");
    const std::string& root = folder.path;
    createServer(root + "/victim");
    {
        Session v(root + "/victim", "master");
        v.query("CREATE DATABASE secret");
        v.query("CREATE TABLE secret..S (v varchar(20)) INSERT INTO secret..S VALUES ('gold')");
    }
    std::string relative = "../victim/secret";
    std::string absolute = root + "/victim/secret";

    createServer(root + "/server");
    Session s(root + "/server", "master");
    for (const std::string& name : {relative, absolute}) {
        Error e = errorOf(s, "SELECT v FROM [" + name + "]..S");
        EXPECT_EQ(e.number, 208) << name << ": " << e.message;
        e = errorOf(s, "INSERT INTO [" + name + "]..S VALUES ('lead')");
        EXPECT_EQ(e.number, 208) << name << ": " << e.message;
        e = errorOf(s, "USE [" + name + "]");
        EXPECT_EQ(e.number, 911);
        EXPECT_EQ(e.message, "Database '" + name +
                                 "' does not exist. Make sure that the name is entered correctly.");
        e = errorOf(s, "DROP DATABASE [" + name + "]");
        EXPECT_EQ(e.number, 3701);
        EXPECT_THROW(Session(root + "/server", name), Error);
    }
    // The same names inside a transaction (which opens the server's databases up front).
    Error e = errorOf(s, "BEGIN TRAN SELECT v FROM [" + absolute + "]..S");
    EXPECT_EQ(e.number, 208);
    s.query("IF @@TRANCOUNT > 0 ROLLBACK");

    Session v(root + "/victim", "secret");
    EXPECT_EQ(count(v, "S"), 1);
    EXPECT_TRUE(fs::exists(absolute + ".sqlite"));
}

TEST(EngineDatabaseNames, CreateDatabaseRefusesNamesThatAreNotFileNames) {
    LowerCaseRoot folder("create");
    createServer(folder.path + "/server");
    Session s(folder.path + "/server", "master");
    std::string outside = folder.path + "/outside";
    for (const std::string& name :
         {std::string("../outside"), outside, std::string("a/b"), std::string("a\\b"),
          std::string("x:y"), std::string("what?"), std::string("tab\there"), std::string("..")}) {
        CollectingSink sink;
        s.execute("CREATE DATABASE [" + name + "]", sink);
        ASSERT_EQ(sink.errors.size(), 2u) << name;
        EXPECT_EQ(sink.errors[0].number, 5105);
        EXPECT_NE(sink.errors[0].message.find("The physical file name"), std::string::npos);
        EXPECT_EQ(sink.errors[1].number, 1802);
        EXPECT_EQ(sink.errors[1].message,
                  "CREATE DATABASE failed. Some file names listed could not be created. Check "
                  "related errors.");
    }
    EXPECT_FALSE(fs::exists(outside + ".sqlite"));
    EXPECT_EQ(s.query("SELECT COUNT(*) FROM sysdatabases")[0].rows[0][0].i, 1);
    // Names that are file names still make databases, blanks and Thai letters included.
    s.query("CREATE DATABASE [Branch 01] CREATE DATABASE [สาขา_2]");
    EXPECT_EQ(
        s.query("SELECT COUNT(*) FROM [Branch 01]..sysobjects WHERE xtype = 'U'")[0].rows[0][0].i,
        0);
}

TEST(EngineDatabaseNames, OnlyDatabasesTheServerListsAreOpened) {
    TwoDatabases k;
    // A file dropped into the folder is not a database of the server.
    fs::copy_file(k.server.dir() + "/k1.sqlite", k.server.dir() + "/stray.sqlite");
    Session s(k.server.dir(), "master");
    EXPECT_EQ(errorOf(s, "SELECT x FROM stray..T").number, 208);
    EXPECT_EQ(errorOf(s, "USE stray").number, 911);
    EXPECT_THROW(Session(k.server.dir(), "stray"), Error);
    // CREATE DATABASE of that name makes it one (the file is taken as it is).
    s.query("CREATE DATABASE stray");
    EXPECT_EQ(count(s, "stray..T"), 0);
}

// ---- a process killed in the middle of a commit ------------------------------------------------

namespace {

// A VFS over the default one that kills the process at its Nth change of a file (write,
// truncate, sync or delete): every point at which a crash can fall.
sqlite3_vfs* realVfs = nullptr;
sqlite3_vfs killVfs;
int changesLeft = 0;

void changeFile() {
    if (changesLeft > 0 && --changesLeft == 0) raise(SIGKILL);
}

struct KillFile {
    sqlite3_file base;
    sqlite3_file* real;
};

sqlite3_file* real(sqlite3_file* f) {
    return reinterpret_cast<KillFile*>(f)->real;
}

sqlite3_io_methods killMethods;

int kClose(sqlite3_file* f) {
    return real(f)->pMethods->xClose(real(f));
}
int kRead(sqlite3_file* f, void* p, int n, sqlite3_int64 o) {
    return real(f)->pMethods->xRead(real(f), p, n, o);
}
int kWrite(sqlite3_file* f, const void* p, int n, sqlite3_int64 o) {
    changeFile();
    return real(f)->pMethods->xWrite(real(f), p, n, o);
}
int kTruncate(sqlite3_file* f, sqlite3_int64 size) {
    changeFile();
    return real(f)->pMethods->xTruncate(real(f), size);
}
int kSync(sqlite3_file* f, int flags) {
    changeFile();
    return real(f)->pMethods->xSync(real(f), flags);
}
int kFileSize(sqlite3_file* f, sqlite3_int64* size) {
    return real(f)->pMethods->xFileSize(real(f), size);
}
int kLock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xLock(real(f), l);
}
int kUnlock(sqlite3_file* f, int l) {
    return real(f)->pMethods->xUnlock(real(f), l);
}
int kCheckReserved(sqlite3_file* f, int* out) {
    return real(f)->pMethods->xCheckReservedLock(real(f), out);
}
int kFileControl(sqlite3_file* f, int op, void* arg) {
    return real(f)->pMethods->xFileControl(real(f), op, arg);
}
int kSectorSize(sqlite3_file* f) {
    return real(f)->pMethods->xSectorSize(real(f));
}
int kDeviceCharacteristics(sqlite3_file* f) {
    return real(f)->pMethods->xDeviceCharacteristics(real(f));
}
int kShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return real(f)->pMethods->xShmMap(real(f), region, size, extend, out);
}
int kShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return real(f)->pMethods->xShmLock(real(f), offset, n, flags);
}
void kShmBarrier(sqlite3_file* f) {
    real(f)->pMethods->xShmBarrier(real(f));
}
int kShmUnmap(sqlite3_file* f, int deleteFlag) {
    return real(f)->pMethods->xShmUnmap(real(f), deleteFlag);
}
int kFetch(sqlite3_file* f, sqlite3_int64 o, int n, void** out) {
    return real(f)->pMethods->xFetch(real(f), o, n, out);
}
int kUnfetch(sqlite3_file* f, sqlite3_int64 o, void* p) {
    return real(f)->pMethods->xUnfetch(real(f), o, p);
}

int kOpen(sqlite3_vfs*, const char* name, sqlite3_file* f, int flags, int* outFlags) {
    auto* k = reinterpret_cast<KillFile*>(f);
    k->real = reinterpret_cast<sqlite3_file*>(k + 1);
    int rc = realVfs->xOpen(realVfs, name, k->real, flags, outFlags);
    k->base.pMethods = k->real->pMethods ? &killMethods : nullptr;
    return rc;
}

int kDelete(sqlite3_vfs*, const char* name, int syncDir) {
    changeFile();
    return realVfs->xDelete(realVfs, name, syncDir);
}

// Makes every connection opened from now on die at the nth change of a file.
void killAtChange(int n) {
    realVfs = sqlite3_vfs_find(nullptr);
    killVfs = *realVfs;
    killVfs.zName = "killer";
    killVfs.szOsFile = static_cast<int>(sizeof(KillFile)) + realVfs->szOsFile;
    killVfs.xOpen = kOpen;
    killVfs.xDelete = kDelete;
    killMethods = sqlite3_io_methods{3,
                                     kClose,
                                     kRead,
                                     kWrite,
                                     kTruncate,
                                     kSync,
                                     kFileSize,
                                     kLock,
                                     kUnlock,
                                     kCheckReserved,
                                     kFileControl,
                                     kSectorSize,
                                     kDeviceCharacteristics,
                                     kShmMap,
                                     kShmLock,
                                     kShmBarrier,
                                     kShmUnmap,
                                     kFetch,
                                     kUnfetch};
    changesLeft = n;
    sqlite3_vfs_register(&killVfs, 1);
}

}  // namespace

TEST(EngineCrash, ATransactionOverTwoDatabasesSurvivesAKillAtEveryWrite) {
    TwoDatabases k;
    int killed = 0;
    bool committed = false;
    for (int n = 1; n < 400 && !committed; ++n) {
        pid_t child = fork();
        if (child == 0) {
            killAtChange(n);
            try {
                Session s(k.server.dir(), "K1");
                s.query("BEGIN TRAN INSERT INTO K1..T VALUES (" + std::to_string(n) +
                        ") INSERT INTO K2..T VALUES (" + std::to_string(n) + ") COMMIT");
            } catch (...) {
                _exit(2);
            }
            _exit(0);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            ++killed;
        else
            committed = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        ASSERT_TRUE(committed || WIFSIGNALED(status)) << "kill point " << n;
        // Whatever the kill left, the next session sees both rows or neither.
        Session s(k.server.dir(), "K1");
        auto rs = s.query(
            "SELECT (SELECT COUNT(*) FROM K1..T), (SELECT COUNT(*) FROM K2..T), "
            "(SELECT COUNT(*) FROM K1..T a WHERE NOT EXISTS (SELECT * FROM K2..T b "
            "WHERE b.x = a.x))");
        ASSERT_EQ(rs[0].rows[0][0].i, rs[0].rows[0][1].i) << "killed at change " << n;
        ASSERT_EQ(rs[0].rows[0][2].i, 0) << "killed at change " << n;
        if (committed) {
            EXPECT_EQ(count(s, "K1..T WHERE x = " + std::to_string(n)), 1);
        }
    }
    EXPECT_TRUE(committed);
    EXPECT_GT(killed, 10);  // the commit went through many kill points before it completed
}

// ---- locks --------------------------------------------------------------------------------------

TEST(EngineLocking, ATransactionLocksOnlyTheDatabasesItUses) {
    TwoDatabases k;
    Session a(k.server.dir(), "K2");
    Session b(k.server.dir(), "K1");
    b.setTimeout(1);
    a.query("BEGIN TRAN INSERT INTO T VALUES (1)");
    // Writers of another database go on, with and without a transaction of their own.
    b.query("INSERT INTO K1..T VALUES (1)");
    b.query("BEGIN TRAN UPDATE K1..T SET x = 2 INSERT INTO K1..T VALUES (3) COMMIT");
    EXPECT_EQ(count(b, "K1..T"), 2);
    // Readers of the locked database read what was committed.
    EXPECT_EQ(count(b, "K2..T"), 0);
    // Writers of the locked database wait for it, and give up at their time-out.
    EXPECT_EQ(errorOf(b, "INSERT INTO K2..T VALUES (2)").number, 1222);
    EXPECT_EQ(errorOf(b, "BEGIN TRAN INSERT INTO K2..T VALUES (2)").number, 1222);
    b.query("IF @@TRANCOUNT > 0 ROLLBACK");
    a.query("COMMIT");
    b.query("INSERT INTO K2..T VALUES (2)");
    EXPECT_EQ(count(b, "K2..T"), 2);
}

TEST(EngineLocking, AReadThenUpdateInATransactionQueuesBehindAnotherWriter) {
    TempServer server;
    {
        Session s(server.dir(), "master");
        s.query("CREATE DATABASE Nwx");
        s.query("USE Nwx");
        s.query("CREATE TABLE Numbers (Code varchar(10) NOT NULL PRIMARY KEY, LastNo int)");
        s.query("CREATE TABLE Drawn (No int NOT NULL, Who int NOT NULL)");
        s.query("INSERT INTO Numbers VALUES ('X', 0)");
        // The counter is read before it is written: a second caller must wait at the read.
        s.query(
            "CREATE PROCEDURE Draw @Who int, @No int OUTPUT AS\n"
            "SELECT @No = LastNo + 1 FROM Numbers WHERE Code = 'X'\n"
            "UPDATE Numbers SET LastNo = @No WHERE Code = 'X'\n"
            "INSERT INTO Drawn VALUES (@No, @Who)");
    }
    tsqlite::testing::expectTwoProcessesDrawEveryNumberOnce(server, 40, true);
}

// ---- files the server cannot use
// -----------------------------------------------------------------

TEST(EngineFiles, ADatabaseFileThatIsNotADatabaseIsNamed) {
    TwoDatabases k;
    std::string file = k.server.dir() + "/k2.sqlite";
    { std::ofstream(file, std::ios::trunc) << "this is a spreadsheet, not a database\n"; }
    Session s(k.server.dir(), "K1");
    Error e = errorOf(s, "SELECT x FROM K2..T");
    EXPECT_EQ(e.number, 5172);
    EXPECT_EQ(e.message,
              "The file '" + file + "' of database 'K2' is not a database of this server.");
    // The other databases are not affected.
    EXPECT_EQ(count(s, "K1..T"), 0);
    EXPECT_THROW(Session(k.server.dir(), "K2"), Error);

    // A database of SQLite's own without this server's catalog, as master: the server cannot
    // start, and says which file is wrong.
    std::string master = k.server.dir() + "/master.sqlite";
    fs::remove(master);
    { std::ofstream touch(master); }
    try {
        Session m(k.server.dir(), "K1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 5172);
        EXPECT_EQ(e.message, "The file '" + master +
                                 "' of database 'master' is not a database of this server.");
    }
    { std::ofstream(master, std::ios::trunc) << std::string(4096, 'x'); }
    try {
        Session m(k.server.dir(), "K1");
        FAIL();
    } catch (const Error& e) {
        EXPECT_EQ(e.number, 5172);
        EXPECT_NE(e.message.find(master), std::string::npos) << e.message;
    }
}

TEST(EngineFiles, ADamagedDatabaseFileIsNamed) {
    TwoDatabases k;
    {
        Session s(k.server.dir(), "K2");
        s.query("CREATE TABLE Big (Id int NOT NULL PRIMARY KEY, Pad varchar(500))");
        s.query(
            "DECLARE @i int SET @i = 0 WHILE @i < 400 BEGIN INSERT INTO Big VALUES (@i, "
            "REPLICATE('p', 400)) SET @i = @i + 1 END");
    }
    std::string file = k.server.dir() + "/k2.sqlite";
    // Scribble over the pages in the middle of the file.
    auto size = static_cast<long>(fs::file_size(file));
    overwrite(file, size / 2, std::string(8192, '\x5a'));
    Session s(k.server.dir(), "K1");
    Error e = errorOf(s, "SELECT COUNT(*), MAX(LEN(Pad)) FROM K2..Big");
    EXPECT_EQ(e.number, 824) << e.message;
    EXPECT_NE(e.message.find("Database 'K2' is damaged: its file '" + file + "'"),
              std::string::npos)
        << e.message;
    EXPECT_EQ(count(s, "K1..T"), 0);
}

TEST(EngineFiles, AReadOnlyServerFolderCanBeRead) {
    TwoDatabases k;
    {
        Session s(k.server.dir(), "K1");
        s.query("INSERT INTO T VALUES (7)");
    }
    // Read-only for everybody; root ignores that, so the reading side runs as nobody then.
    auto lock = [&](bool readOnly) {
        fs::permissions(k.server.dir(), readOnly ? fs::perms(0555) : fs::perms(0755));
        for (auto& f : fs::directory_iterator(k.server.dir()))
            fs::permissions(f.path(), readOnly ? fs::perms(0444) : fs::perms(0644));
    };
    // The folder around the server is private to its maker; the reader must reach the server.
    fs::permissions(k.server.root(), fs::perms(0755));
    lock(true);
    pid_t child = fork();
    if (child == 0) {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(3);
        try {
            Session s(k.server.dir(), "K1");
            if (count(s, "T") != 1 || count(s, "K2..T") != 0) _exit(4);
            Error e = errorOf(s, "INSERT INTO T VALUES (8)");
            if (e.number != 3906 || e.message.find("read-only") == std::string::npos) _exit(5);
            if (count(s, "T") != 1) _exit(6);
        } catch (const Error& e) {
            std::fprintf(stderr, "%d %s\n", e.number, e.message.c_str());
            _exit(1);
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    lock(false);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(EngineFiles, AMissingOrEmptyServerFolderIsExplained) {
    TempServer server;
    EXPECT_EQ(serverFolderProblem(server.dir()), "");
    std::string missing = server.dir() + "/nowhere";
    EXPECT_EQ(serverFolderProblem(missing), "The server folder '" + missing + "' does not exist.");
    fs::create_directory(missing);
    EXPECT_EQ(serverFolderProblem(missing),
              "The server folder '" + missing +
                  "' holds no server: its master database (master.sqlite) is missing.");
}

TEST(EngineFiles, DatabasesMadeInWalModeMoveToTheRollbackJournal) {
    TwoDatabases k;
    auto journalMode = [&](const std::string& file) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &st, nullptr);
        sqlite3_step(st);
        std::string mode = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
        return mode;
    };
    for (const char* name : {"master", "k2"}) {
        std::string file = k.server.dir() + "/" + name + ".sqlite";
        sqlite3* db = nullptr;
        sqlite3_open(file.c_str(), &db);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        ASSERT_EQ(journalMode(file), "wal");
    }
    {
        Session s(k.server.dir(), "K1");
        s.query("INSERT INTO K2..T VALUES (1)");
    }
    EXPECT_EQ(journalMode(k.server.dir() + "/master.sqlite"), "delete");
    EXPECT_EQ(journalMode(k.server.dir() + "/k2.sqlite"), "delete");
}
