#pragma once
// The configuration data module: the connection to the suite's configuration database
// ("DmCfg"), the run's identity (menu entry, user, rights, language, company) and the company
// row every screen reads. There is one per run, reachable as DmConfig.
#include <QObject>
#include <QString>
#include <stdexcept>

#include "db/connection.h"
#include "db/result_set.h"

// Ends the program at once with an exit code: start-up lets it through to main().
class ProgramEnd : public std::runtime_error {
public:
    explicit ProgramEnd(int exitCode) : std::runtime_error("program ends"), exitCode_(exitCode) {}
    int exitCode() const { return exitCode_; }

private:
    int exitCode_;
};

// The configuration databases, in the order the master probe prefers them.
inline constexpr char kConfigDatabaseNwx[] = "QARN_CONFIG_NWX";
inline constexpr char kConfigDatabase[] = "QARN_CONFIG";

// Seconds a statement may run on each connection of the program.
inline constexpr int kConfigQueryTime = 600;
inline constexpr int kMasterQueryTime = 1200;
inline constexpr int kMainQueryTime = 2400;

// The server's name in a parameter list when "Server.Dat" names none: the embedded server in
// the folder "server" of the current directory.
inline constexpr char kDefaultServerName[] = "./server";

// The longest server name "Server.Dat" may give: a folder path's limit (host names are
// shorter).
inline constexpr int kServerNameMaxBytes = 4096;

// The first line of "Server.Dat" in the folder (the current directory unless given), as it
// stands; "" when the file cannot be opened. A failure while reading throws, as does a line
// that cannot be a server's name (longer than kServerNameMaxBytes, control characters, bytes
// that are not UTF-8); the error quotes the line cut short and escaped.
QString ReadServerName(const QString& folder = {});
// ReadServerName, or the default server when that is empty.
QString serverNameOrDefault(const QString& folder = {});

class TDMConfig : public QObject {
    Q_OBJECT
public:
    static const QString kCompanyConfigSql;  // QCompanyConfig
    static const QString kCompanySql;        // QCompany
    static const QString kSoftwareSql;       // QSoftware
    static const QString kUserSql;           // QUser
    static const QString kProbeSql;          // QChkConfig, on master

    // Becomes DmConfig until destroyed.
    explicit TDMConfig(QObject* parent = nullptr);
    ~TDMConfig() override;

    // Where "Server.Dat" is read; the current directory unless set (tests set it).
    void setServerDatFolder(const QString& folder) { serverDatFolder_ = folder; }
    const QString& serverDatFolder() const { return serverDatFolder_; }

    db::Connection& connection() { return DmCfg; }
    // The configuration database the last connect chose.
    const QString& configDatabaseName() const { return configDatabase_; }

    // Asks MENUCAPTION and the user's row what the user may do on the menu entry and who he
    // is. The first call connects (and upgrades) the configuration database.
    void CheckRight(int menuId, int userId);
    // Finds the company of the database code (upper-cased). A code the configuration
    // database does not list is reported and ends the program with exit code 0 (ProgramEnd).
    void GetCompanyConfig(const QString& code);
    // Appends the message to the error log with this workstation's names and the run's ids.
    void WriteErrorLog(const QString& message);
    // The error mail of the report dialog's "Send Error": composed, delivered nowhere (no mail
    // server is configured for the suite). Returns whether it was sent.
    bool SendErrorMail(const QString& subject, const QString& body);

    // The run's identity.
    int ModuleNo = 0;
    int MenuId = 0;
    int UserId = 0;
    QString MenuCaption;
    QString UserCode;
    QString UserFullName;
    bool ThaiLanguage = false;
    bool CanAccess = false;
    bool CanDelete = false;
    QString CompanyCode;

    db::ResultSet QCompanyConfig;
    db::ResultSet QCompany;
    db::ResultSet QSoftware;

    // A column of the company row; null when there is none.
    QVariant company(const QString& column) const;

private:
    void DmCfgBeforeConnect(db::Connection& connection);
    void DmCfgAfterConnect(db::Connection& connection);

    db::Connection DmCfg{QStringLiteral("DmCfg")};
    QString serverDatFolder_;
    QString configDatabase_;
};

// The configuration data module of the run; null before start-up creates it.
extern TDMConfig* DmConfig;
