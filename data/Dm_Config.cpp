#include "data/Dm_Config.h"

#include <QDir>
#include <QFile>
#include <algorithm>

#include "data/ConfigUpgrade.h"
#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "data/Workstation.h"
#include "db/connection_params.h"
#include "db/shown_text.h"
#include "statements/Startup.h"

TDMConfig* DmConfig = nullptr;

const QString TDMConfig::kCompanyConfigSql =
    QString::fromStdString(statements::startup::companyConfig());

const QString TDMConfig::kCompanySql = QString::fromStdString(statements::startup::company());

const QString TDMConfig::kSoftwareSql = QString::fromStdString(statements::startup::software());

const QString TDMConfig::kUserSql = QString::fromStdString(statements::startup::user());

const QString TDMConfig::kProbeSql = QString::fromStdString(statements::startup::configProbe());

QString ReadServerName(const QString& folder) {
    const QString dir = folder.isEmpty() ? QDir::currentPath() : folder;
    QFile file(QDir(dir).filePath(QStringLiteral("Server.Dat")));
    if (!file.open(QIODevice::ReadOnly)) return {};
    // No more than a server name can be: a file that is something else (a large file, binary
    // data) costs no more to read than a name would.
    QByteArray line = file.readLine(kServerNameMaxBytes + 3);
    if (file.error() != QFileDevice::NoError)
        throw std::runtime_error("I/O error reading Server.Dat: " +
                                 file.errorString().toStdString());
    if (line.endsWith('\n')) line.chop(1);
    if (line.endsWith('\r')) line.chop(1);
    if (line.size() > kServerNameMaxBytes)
        throw std::runtime_error(
            QStringLiteral(
                "Server.Dat: the first line is longer than %1 bytes and names no server: %2")
                .arg(kServerNameMaxBytes)
                .arg(db::shownBytes(line))
                .toStdString());
    // Written by hand on Thai Windows installations, but server names are ASCII; read UTF-8.
    // Neither a host name nor a folder holds control characters or undecodable bytes.
    const QString name = QString::fromUtf8(line);
    const bool controls = std::any_of(line.begin(), line.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
    });
    if (controls || name.contains(QChar::ReplacementCharacter))
        throw std::runtime_error(
            QStringLiteral("Server.Dat: the first line holds characters no server name has: %1")
                .arg(db::shownBytes(line))
                .toStdString());
    return name;
}

QString serverNameOrDefault(const QString& folder) {
    const QString name = ReadServerName(folder);
    return name.isEmpty() ? QString::fromLatin1(kDefaultServerName) : name;
}

TDMConfig::TDMConfig(QObject* parent) : QObject(parent) {
    DmCfg.setBeforeConnect([this](db::Connection& c) { DmCfgBeforeConnect(c); });
    DmCfg.setAfterConnect([this](db::Connection& c) { DmCfgAfterConnect(c); });
    DmConfig = this;
}

TDMConfig::~TDMConfig() {
    if (DmConfig == this) DmConfig = nullptr;
}

void TDMConfig::DmCfgBeforeConnect(db::Connection& connection) {
    const QString server = serverNameOrDefault(serverDatFolder_);
    connection.params().clear();

    // Which configuration database the server has decides the database of the list.
    db::Connection master(QStringLiteral("DBMaster"));
    master.setParams(
        db::connectionParameterList(QStringLiteral("master"), server, kMasterQueryTime));
    const bool hasNwx = !master.query(kProbeSql).isEmpty();
    master.close();

    configDatabase_ = QString::fromLatin1(hasNwx ? kConfigDatabaseNwx : kConfigDatabase);
    connection.setParams(db::connectionParameterList(configDatabase_, server, kConfigQueryTime));
}

void TDMConfig::DmCfgAfterConnect(db::Connection& connection) {
    upgradeConfiguration(connection);
    QSoftware = db::ResultSet();
    QSoftware = connection.query(kSoftwareSql);
}

void TDMConfig::CheckRight(int menuId, int userId) {
    const db::ProcResult rights = DmCfg.callProcedure(
        QStringLiteral("MENUCAPTION"),
        {db::ProcParam::in(QStringLiteral("@MENUID"), menuId),
         db::ProcParam::in(QStringLiteral("@USERID"), userId),
         db::ProcParam::out(QStringLiteral("@CAPTION"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@ACCESS_R"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@ADD_R"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@MODIFY_R"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@DELETE_R"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@USERCODE"), db::FieldType::String),
         db::ProcParam::out(QStringLiteral("@SALESID"), db::FieldType::Integer)});
    MenuCaption = rights.output(QStringLiteral("@CAPTION")).toString().trimmed();
    UserCode = rights.output(QStringLiteral("@USERCODE")).toString();
    // Exactly "Y" grants; "y" or "Y " do not.
    CanAccess = rights.output(QStringLiteral("@ACCESS_R")).toString() == u"Y";
    CanDelete = rights.output(QStringLiteral("@DELETE_R")).toString() == u"Y";

    const db::ResultSet user = DmCfg.query(kUserSql, {{QStringLiteral("uid"), userId}});
    UserFullName =
        user.isEmpty() ? QString() : user.value(0, QStringLiteral("fullname")).toString();
    ThaiLanguage = !user.isEmpty() && !user.value(0, QStringLiteral("languageno")).isNull() &&
                   user.value(0, QStringLiteral("languageno")).toInt() == 1;
}

void TDMConfig::GetCompanyConfig(const QString& code) {
    CompanyCode = asciiUpperCase(code);
    const db::Params params{{QStringLiteral("GetName"), CompanyCode}};
    QCompanyConfig = db::ResultSet();
    QCompanyConfig = DmCfg.query(kCompanyConfigSql, params);
    if (QCompanyConfig.isEmpty()) {
        // The code is the command line's: quoted short and escaped.
        MessageService::current().message(QStringLiteral("Not Found Database : ") +
                                          db::shownText(CompanyCode));
        throw ProgramEnd(0);
    }
    QCompany = db::ResultSet();
    QCompany = DmCfg.query(kCompanySql, params);
    QSoftware = DmCfg.query(kSoftwareSql);
}

QVariant TDMConfig::company(const QString& column) const {
    const int index = QCompany.columnIndex(column);
    if (QCompany.isEmpty() || index < 0) return {};
    return QCompany.value(0, index);
}

void TDMConfig::WriteErrorLog(const QString& message) {
    DmCfg.callProcedure(QStringLiteral("AddErrorLog"),
                        {db::ProcParam::in(QStringLiteral("@CompName"), LocalComputerName()),
                         db::ProcParam::in(QStringLiteral("@LogName"), LocalLoginName()),
                         db::ProcParam::in(QStringLiteral("@UserId"), UserId),
                         db::ProcParam::in(QStringLiteral("@MenuId"), MenuId),
                         db::ProcParam::in(QStringLiteral("@ErrorMsg"), message)});
}

bool TDMConfig::SendErrorMail(const QString& subject, const QString& body) {
    // The suite names no mail server, sender or recipient: the report stays here.
    Q_UNUSED(subject);
    Q_UNUSED(body);
    return false;
}
