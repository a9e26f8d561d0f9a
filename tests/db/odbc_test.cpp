// SQL Server by ODBC, as far as it goes without a server: a host that does not answer.
#include <gtest/gtest.h>

#include "db/connection.h"
#include "printers.h"

using namespace db;

TEST(Odbc, UnreachableServerIsANetworkError) {
    // Port 1 on this machine: the connection is refused at once.
    Connection c("DMDATA");
    c.setParams(connectionParameterList("CMP01", "127.0.0.1,1", 2400));
    try {
        c.query("SELECT 1");
        FAIL() << "connected to a server that is not there";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isConnectionFailure()) << e.what();
        EXPECT_TRUE(e.message().startsWith(kNetworkErrorFragment)) << e.what();
        EXPECT_TRUE(e.message().contains("127.0.0.1,1")) << e.what();
    }
    EXPECT_FALSE(c.isOpen());
}

TEST(Odbc, OnlyALostOrUnreachableServerIsANetworkFailure) {
    EXPECT_TRUE(odbcStatesMeanNetworkFailure({"08001"}, true));
    EXPECT_TRUE(odbcStatesMeanNetworkFailure({"08S01"}, false));  // link broke mid-statement
    EXPECT_TRUE(odbcStatesMeanNetworkFailure({"HYT01"}, false));
    EXPECT_TRUE(odbcStatesMeanNetworkFailure({"HYT00"}, true));  // login time-out
    // A statement that ran past its time-out reached the server: not a network failure.
    EXPECT_FALSE(odbcStatesMeanNetworkFailure({"HYT00"}, false));
    // A refused login or database answers from the server, whatever else the driver adds.
    EXPECT_FALSE(odbcStatesMeanNetworkFailure({"08001", "28000"}, true));
    EXPECT_FALSE(odbcStatesMeanNetworkFailure({"42000", "08004"}, true));
    EXPECT_FALSE(odbcStatesMeanNetworkFailure({"42S02"}, false));

    EXPECT_TRUE(odbcStatesMeanTimeout({"HYT00"}, false));
    EXPECT_FALSE(odbcStatesMeanTimeout({"HYT00"}, true));
    EXPECT_FALSE(odbcStatesMeanTimeout({"08S01"}, false));
}
