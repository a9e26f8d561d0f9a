#include "data/ConfigUpgrade.h"

#include "data/ScriptRunner.h"
#include "statements/Startup.h"

void upgradeConfiguration(db::Connection& connection) {
    TSQLScript script(QString::fromStdString(statements::startup::upgradeScript()));
    script.setTransaction(false);
    script.execute(connection);
}
