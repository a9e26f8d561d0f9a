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
