#pragma once

namespace db {
class Connection;
}

// Brings the configuration database up to the columns this client reads: Menu.Version (set
// to 3 on entries with a command and no version yet), UserName.UserSeeImport and
// UserName.UserSeeCost. Runs after every connect of the configuration connection, before
// anything else is done on it. Every statement first looks at the catalog or touches only
// rows not yet fixed, so running it again changes nothing. The statements run without a
// transaction of their own; the first that fails throws its db::DatabaseError and those
// before it stay applied.
void upgradeConfiguration(db::Connection& connection);
