#include "data/ConfigUpgrade.h"

#include "data/ScriptRunner.h"

namespace {

// SQLUpdate of the configuration data module.
const char kUpgradeScript[] = R"(If (Not Exists(Select Name From SysColumns
Where Id = (Select Id From SysObjects Where Ltrim(Rtrim(Upper(Name))) = 'MENU') And
Ltrim(Rtrim(Upper(Name)))='VERSION'))
Begin
Alter Table Menu Add Version Integer
End
/
Update Menu Set Version = 3 Where Version Is Null And Command Is Not Null
/
If Not Exists(select Id From SysColumns Where Name = 'UserSeeImport' And Id = (Select Id From SysObjects Where Name = 'UserName'))
Alter Table UserName Add UserSeeImport Char(1)
/
If Not Exists(select Id From SysColumns Where Name = 'UserSeeCost' And Id = (Select Id From SysObjects Where Name = 'UserName'))
Alter Table UserName Add UserSeeCost Char(1)
/
)";

}  // namespace

void upgradeConfiguration(db::Connection& connection) {
    TSQLScript script(QString::fromUtf8(kUpgradeScript));
    script.setTransaction(false);
    script.execute(connection);
}
