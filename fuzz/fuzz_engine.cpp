// Runs arbitrary batches on a small database: the engine must answer every input with rows or
// an error, never a crash.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "tsqlite/session.h"

namespace {

struct Fixture {
    std::string dir;
    std::unique_ptr<tsqlite::Session> session;
    int runs = 0;

    Fixture() {
        char tmpl[] = "/tmp/tsqlite-fuzz-XXXXXX";
        dir = mkdtemp(tmpl);
        reset();
    }
    ~Fixture() {
        session.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    // A fresh database now and then, so that what one input creates does not pile up.
    void reset() {
        session.reset();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        tsqlite::createServer(dir);
        tsqlite::Session master(dir, "master");
        master.query("CREATE DATABASE F");
        session = std::make_unique<tsqlite::Session>(dir, "F");
        session->query(
            "CREATE TABLE T (Id int IDENTITY(1,1) NOT NULL PRIMARY KEY, Name varchar(20) NULL, "
            "Qty int NULL, Price decimal(18,2) NULL, D datetime NULL, C char(5) NULL) "
            "INSERT INTO T (Name, Qty, Price, D, C) VALUES ('a', 1, 1.5, GETDATE(), 'x'), "
            "(N'ไทย', NULL, 2, '2024-02-14', NULL)");
        session->query(
            "CREATE PROCEDURE P @a int = 1, @b varchar(10) OUTPUT AS SELECT @b = 'x' RETURN @a");
        session->setTimeout(2);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Fixture f;
    if (++f.runs % 500 == 0) f.reset();
    std::string batch(reinterpret_cast<const char*>(data), size);
    tsqlite::Sink sink;
    try {
        f.session->execute(batch, sink, {{"p", tsqlite::Value::text("v")}});
    } catch (const tsqlite::Error&) {
    }
    // Leave no transaction open for the next input.
    while (f.session->tranCount() > 0) {
        try {
            f.session->query("ROLLBACK");
        } catch (const tsqlite::Error&) {
            break;
        }
    }
    return 0;
}
