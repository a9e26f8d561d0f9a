// The TDS listener on a socket: logins, refusals, and a connection that misbehaves never
// costing the others their service.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "tds_client.h"
#include "tsqlite/session.h"
#include "tsqlite/tds/listener.h"

using namespace tds_test;
namespace fs = std::filesystem;

namespace {

class ListenerTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tds_listener_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        tsqlite::createServer(dir.string());
        tsqlite::Session(dir.string(), "master").query("CREATE DATABASE Shop");
    }
    void TearDown() override {
        listener.reset();
        fs::remove_all(dir);
    }

    void start(int maxConnections = 64, int messageTimeoutMs = 60000) {
        ListenOptions o;
        o.serverDir = dir.string();
        o.port = 0;
        o.maxConnections = maxConnections;
        o.messageTimeoutMs = messageTimeoutMs;
        o.log = [this](const std::string& text) {
            std::lock_guard<std::mutex> lock(logMutex);
            logged += text + "\n";
        };
        listener = std::make_unique<Listener>(o);
        listener->start();
    }

    std::string log() {
        std::lock_guard<std::mutex> lock(logMutex);
        return logged;
    }

    // Logs in and returns the answer's tokens; empty when the connection was dropped.
    std::vector<Token> login(RawClient& c, const std::string& user, const std::string& password,
                             const std::string& database = "Shop") {
        c.send(kPrelogin, preloginPayload(kEncryptNotSup));
        if (!c.read()) return {};
        c.send(kLogin7, login7Payload(user, password, database));
        auto answer = c.read();
        return answer ? tokens(*answer) : std::vector<Token>{};
    }

    bool servesALogin() {
        RawClient c(listener->port());
        auto t = login(c, "qarn", "mirabelt");
        for (const auto& m : t)
            if (m.token == 0xAD) return true;
        return false;
    }

    fs::path dir;
    std::unique_ptr<Listener> listener;
    std::mutex logMutex;
    std::string logged;
};

}  // namespace

TEST(ListenAddress, TakesHostAndPortOrAPortOnLoopback) {
    std::string host, error;
    int port = -1;
    ASSERT_TRUE(parseListenAddress("0.0.0.0:1433", host, port, error));
    EXPECT_EQ(host, "0.0.0.0");
    EXPECT_EQ(port, 1433);
    ASSERT_TRUE(parseListenAddress("14330", host, port, error));
    EXPECT_EQ(host, "127.0.0.1");  // the network only when asked
    ASSERT_TRUE(parseListenAddress("[::1]:5000", host, port, error));
    EXPECT_EQ(host, "::1");
    EXPECT_FALSE(parseListenAddress("host:", host, port, error));
    EXPECT_FALSE(parseListenAddress("host:70000", host, port, error));
    EXPECT_FALSE(parseListenAddress(":1433", host, port, error));
    EXPECT_FALSE(parseListenAddress("host:12a", host, port, error));
}

TEST_F(ListenerTest, PreloginRefusesEncryptionAndOffersMars) {
    start();
    RawClient c(listener->port());
    c.send(kPrelogin, preloginPayload(kEncryptOn));
    auto answer = c.read();
    ASSERT_TRUE(answer);
    Reader r(*answer);
    bool sawMars = false;
    int encryption = -1;
    for (uint8_t token = r.u8(); token != 0xFF; token = r.u8()) {
        uint16_t offset = r.u16be(), length = r.u16be();
        ASSERT_LE(offset + length, answer->size());
        if (token == 1) encryption = static_cast<uint8_t>((*answer)[offset]);
        if (token == 4) sawMars = true;
    }
    // "Not supported", not "off" (which would mean: encrypt the login).
    EXPECT_EQ(encryption, kEncryptNotSup);
    EXPECT_TRUE(sawMars);
    // A client that wants encryption but does not require it logs in in plain text.
    c.send(kLogin7, login7Payload("qarn", "mirabelt", "Shop"));
    auto t = c.read();
    ASSERT_TRUE(t);
    EXPECT_FALSE(tokens(*t).empty());

    // One that requires it is refused, and told why in the log.
    RawClient strict(listener->port());
    strict.send(kPrelogin, preloginPayload(kEncryptReq));
    ASSERT_TRUE(strict.read());
    EXPECT_TRUE(strict.closedByServer());
    EXPECT_NE(log().find("requires encryption"), std::string::npos) << log();
}

TEST_F(ListenerTest, LoginIsCheckedAgainstTheClientsLogin) {
    start();
    {
        RawClient c(listener->port());
        auto t = login(c, "qarn", "mirabelt");
        ASSERT_FALSE(t.empty());
        EXPECT_FALSE(hasError(t, 18456));
        bool ack = false;
        int infos = 0;
        for (const auto& m : t) {
            ack |= m.token == 0xAD;
            if (m.token != 0xAB) continue;
            ++infos;
            // As SQL Server sends them: class 0, the context change in state 2, no line.
            EXPECT_EQ(m.severity, 0) << m.number;
            EXPECT_EQ(m.line, 0) << m.number;
            if (m.number == 5701) {
                EXPECT_EQ(m.text, "Changed database context to 'Shop'.");
                EXPECT_EQ(m.state, 2);
            } else {
                EXPECT_EQ(m.number, 5703);
                EXPECT_EQ(m.text, "Changed language setting to us_english.");
                EXPECT_EQ(m.state, 1);
            }
        }
        EXPECT_TRUE(ack);
        EXPECT_EQ(infos, 2);

        // After USE the context change comes in state 1, at the batch's first line.
        c.send(kSqlBatch, batchPayload("USE master"));
        auto answer = c.read();
        ASSERT_TRUE(answer);
        int changes = 0;
        for (const auto& m : tokens(*answer))
            if (m.token == 0xAB && m.number == 5701) {
                ++changes;
                EXPECT_EQ(m.text, "Changed database context to 'master'.");
                EXPECT_EQ(m.state, 1);
                EXPECT_EQ(m.severity, 0);
                EXPECT_EQ(m.line, 1);
            }
        EXPECT_EQ(changes, 1);
    }
    {
        RawClient c(listener->port());
        auto t = login(c, "qarn", "wrong");
        EXPECT_TRUE(hasError(t, 18456));
        for (const auto& m : t)
            if (m.number == 18456) {
                EXPECT_EQ(m.text, "Login failed for user 'qarn'.");
                EXPECT_EQ(m.severity, 14);
                EXPECT_EQ(m.state, 1);
                EXPECT_EQ(m.line, 1);
            }
        EXPECT_TRUE(c.closedByServer());
    }
    {
        RawClient c(listener->port());
        auto t = login(c, "sa", "mirabelt");
        EXPECT_TRUE(hasError(t, 18456));
    }
    {
        // A database that is not there: 4060, then the failed login.
        RawClient c(listener->port());
        auto t = login(c, "QARN", "mirabelt", "NoSuchDb");
        EXPECT_TRUE(hasError(t, 4060));
        EXPECT_TRUE(hasError(t, 18456));
    }
}

TEST_F(ListenerTest, MalformedMessagesDropOnlyTheirConnection) {
    start();
    RawClient good(listener->port());
    ASSERT_FALSE(login(good, "qarn", "mirabelt").empty());

    const std::vector<std::pair<std::string, std::string>> bad = {
        // A packet length below its own header.
        {"short packet", std::string("\x12\x01\x00\x04\x00\x00\x01\x00", 8)},
        // An unknown packet type.
        {"unknown type", std::string("\x63\x01\x00\x08\x00\x00\x01\x00", 8)},
        // PRELOGIN whose option points past the message.
        {"prelogin offset",
         std::string("\x12\x01\x00\x0E\x00\x00\x01\x00\x00\x7F\xF0\x00\x06\xFF", 14)},
        // LOGIN7 whose length says more than it holds.
        {"login length", std::string("\x10\x01\x00\x0C\x00\x00\x01\x00\xFF\x00\x00\x00", 12)},
    };
    for (const auto& [what, bytes] : bad) {
        RawClient c(listener->port());
        c.sendRaw(bytes);
        EXPECT_TRUE(c.closedByServer()) << what;
    }
    // A LOGIN7 whose user name lies beyond the message.
    {
        RawClient c(listener->port());
        std::string l = login7Payload("qarn", "mirabelt", "Shop");
        l[40] = '\xF0';
        l[41] = '\x7F';
        c.send(kLogin7, l);
        EXPECT_TRUE(c.closedByServer());
    }
    EXPECT_NE(log().find("dropped"), std::string::npos);

    // The well-behaved connection is still served, and new ones are too.
    good.send(kSqlBatch, batchPayload("PRINT 'still here'"));
    auto answer = good.read();
    ASSERT_TRUE(answer);
    auto t = tokens(*answer);
    ASSERT_FALSE(t.empty());
    EXPECT_EQ(t[0].text, "still here");
    EXPECT_TRUE(servesALogin());
}

TEST_F(ListenerTest, AClientStoppingHalfWayIsDroppedAfterTheMessageTimeOut) {
    start(64, 300);
    RawClient c(listener->port());
    ASSERT_FALSE(login(c, "qarn", "mirabelt").empty());
    // Half a header, then nothing.
    c.sendRaw(std::string("\x01\x01\x00", 3));
    EXPECT_TRUE(c.closedByServer(3000));
    EXPECT_NE(log().find("half-way"), std::string::npos) << log();
    EXPECT_TRUE(servesALogin());
}

TEST_F(ListenerTest, AFloodOfConnectionsIsCappedAndServiceResumes) {
    start(3);
    std::vector<std::unique_ptr<RawClient>> flood;
    for (int i = 0; i < 3; ++i) {
        flood.push_back(std::make_unique<RawClient>(listener->port()));
        ASSERT_TRUE(flood.back()->connected());
    }
    // Give the listener time to take the three.
    for (int i = 0; i < 100 && listener->activeConnections() < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    RawClient extra(listener->port());
    EXPECT_TRUE(extra.closedByServer());
    EXPECT_NE(log().find("connections are open already"), std::string::npos);
    flood.clear();
    for (int i = 0; i < 200 && listener->activeConnections() > 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_TRUE(servesALogin());
}

TEST_F(ListenerTest, StoppingRollsBackOpenTransactions) {
    tsqlite::Session(dir.string(), "Shop").query("CREATE TABLE T (Id int)");
    start();
    RawClient c(listener->port());
    ASSERT_FALSE(login(c, "qarn", "mirabelt").empty());
    c.send(kSqlBatch, batchPayload("BEGIN TRANSACTION; INSERT INTO T VALUES (1)"));
    auto answer = c.read();
    ASSERT_TRUE(answer);
    // The begin is announced with the transaction's descriptor.
    bool began = false;
    for (const auto& m : tokens(*answer)) began |= m.token == 0xE3;
    EXPECT_TRUE(began);
    listener->stop();
    EXPECT_TRUE(c.closedByServer());
    auto rows = tsqlite::Session(dir.string(), "Shop").query("SELECT COUNT(*) FROM T");
    EXPECT_EQ(rows[0].rows[0][0].i, 0);
}

TEST_F(ListenerTest, AttentionEndsAStreamingResultAndIsAcknowledged) {
    {
        tsqlite::Session s(dir.string(), "Shop");
        s.query("CREATE TABLE Big (Id int, Filler nvarchar(200))");
        s.query(
            "DECLARE @i int = 0; BEGIN TRAN; WHILE @i < 20000 BEGIN INSERT INTO Big VALUES (@i, "
            "REPLICATE(N'x', 200)); SET @i = @i + 1 END; COMMIT");
    }
    start();
    RawClient c(listener->port());
    ASSERT_FALSE(login(c, "qarn", "mirabelt").empty());
    c.send(kSqlBatch, batchPayload("SELECT * FROM Big"));
    c.send(kAttention, "");
    auto answer = c.read(10000);
    ASSERT_TRUE(answer);
    // Far less than the 8 MB the whole result would be, ending with DONE and its ATTN flag.
    EXPECT_LT(answer->size(), 4000000u);
    ASSERT_GE(answer->size(), 13u);
    std::string done = answer->substr(answer->size() - 13);
    EXPECT_EQ(static_cast<uint8_t>(done[0]), 0xFD);
    EXPECT_TRUE(static_cast<uint8_t>(done[1]) & 0x20);

    // An attention with nothing running is acknowledged too, and the session goes on.
    c.send(kAttention, "");
    auto ack = c.read();
    ASSERT_TRUE(ack);
    auto t = tokens(*ack);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].number & 0x20, 0x20);
    c.send(kSqlBatch, batchPayload("PRINT 'after'"));
    auto after = c.read();
    ASSERT_TRUE(after);
    EXPECT_EQ(tokens(*after)[0].text, "after");
}

TEST_F(ListenerTest, OnlyTheFailingStatementsDoneCarriesTheErrorFlag) {
    tsqlite::Session(dir.string(), "Shop").query("CREATE TABLE T (Id int)");
    start();
    RawClient c(listener->port());
    ASSERT_FALSE(login(c, "qarn", "mirabelt").empty());
    c.send(kSqlBatch,
           batchPayload("RAISERROR('first', 16, 1); INSERT INTO T VALUES (1); PRINT 'last'"));
    auto answer = c.read();
    ASSERT_TRUE(answer);
    std::vector<int> dones;
    for (const auto& t : tokens(*answer))
        if (t.token == 0xFD) dones.push_back(t.number);
    // The error's statement, the insert with its count, the end of the batch.
    ASSERT_EQ(dones.size(), 3u);
    EXPECT_EQ(dones[0], 0x01 | 0x02);
    EXPECT_EQ(dones[1], 0x01 | 0x10);
    EXPECT_EQ(dones[2], 0x00);
}

TEST_F(ListenerTest, UseSaysChangedDatabaseContextOnceAndAnnouncesTheDatabase) {
    start();
    RawClient c(listener->port());
    ASSERT_FALSE(login(c, "qarn", "mirabelt").empty());
    c.send(kSqlBatch, batchPayload("USE master"));
    auto answer = c.read();
    ASSERT_TRUE(answer);
    int messages = 0;
    bool announced = false;
    for (const auto& t : tokens(*answer)) {
        if (t.token == 0xAB && t.text == "Changed database context to 'master'.") ++messages;
        announced |= t.token == 0xE3;
    }
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(announced);
}
