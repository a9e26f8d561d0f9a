#include "db/connection_params.h"

#include <QDir>
#include <QUrl>

namespace db {

QStringList connectionParameterList(const QString& databaseName, const QString& serverName,
                                    int maxQueryTime) {
    return {
        QStringLiteral("DATABASE NAME=") + databaseName,
        QStringLiteral("SERVER NAME=") + serverName,
        QStringLiteral("USER NAME=") + QLatin1String(kUserName),
        QStringLiteral("OPEN MODE=READ/WRITE"),
        QStringLiteral("SCHEMA CACHE SIZE=8"),
        QStringLiteral("BLOB EDIT LOGGING="),
        QStringLiteral("LANGDRIVER="),
        QStringLiteral("SQLQRYMODE="),
        QStringLiteral("SQLPASSTHRU MODE=SHARED AUTOCOMMIT"),
        QStringLiteral("DATE MODE=1"),
        QStringLiteral("SCHEMA CACHE TIME=-1"),
        QStringLiteral("MAX QUERY TIME=") + QString::number(maxQueryTime),
        QStringLiteral("MAX ROWS=-1"),
        QStringLiteral("BATCH COUNT=200"),
        QStringLiteral("ENABLE SCHEMA CACHE=FALSE"),
        QStringLiteral("SCHEMA CACHE DIR="),
        QStringLiteral("HOST NAME="),
        QStringLiteral("APPLICATION NAME="),
        QStringLiteral("NATIONAL LANG NAME="),
        QStringLiteral("ENABLE BCD=True"),
        QStringLiteral("TDS PACKET SIZE=4096"),
        QStringLiteral("BLOBS TO CACHE=-1"),
        QStringLiteral("BLOB SIZE=64"),
        QStringLiteral("PASSWORD=") + QLatin1String(kPassword),
    };
}

ConnectionParams ConnectionParams::fromList(const QStringList& list) {
    ConnectionParams p;
    for (const QString& entry : list) {
        qsizetype eq = entry.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        QString key = entry.left(eq).trimmed().toUpper();
        QString value = entry.mid(eq + 1);
        if (key == u"DATABASE NAME") {
            p.databaseName = value;
        } else if (key == u"SERVER NAME") {
            p.serverName = value;
        } else if (key == u"USER NAME") {
            p.userName = value;
        } else if (key == u"PASSWORD") {
            p.password = value;
        } else if (key == u"MAX QUERY TIME") {
            p.maxQueryTime = qMax(0, value.trimmed().toInt());
        } else if (key == u"TDS PACKET SIZE") {
            bool ok = false;
            int size = value.trimmed().toInt(&ok);
            if (ok && size > 0) p.packetSize = size;
        } else if (key == u"MAX ROWS") {
            bool ok = false;
            int rows = value.trimmed().toInt(&ok);
            if (ok) p.maxRows = rows;
        } else if (key == u"SQLPASSTHRU MODE") {
            p.autoCommit = value.contains(QLatin1String("AUTOCOMMIT"), Qt::CaseInsensitive);
        } else if (key == u"ENABLE BCD") {
            p.exactDecimals = value.trimmed().compare(u"True", Qt::CaseInsensitive) == 0;
        }
    }
    return p;
}

ServerAddress resolveServer(const QString& serverName) {
    ServerAddress a;
    QString name = serverName.trimmed();
    if (name.isEmpty()) {
        a.directory = QDir::current().absoluteFilePath(QStringLiteral("server"));
        return a;
    }
    if (name.startsWith(QLatin1String("file:"), Qt::CaseInsensitive)) {
        QString path = name.mid(5);
        // "file:///srv/x" is a URL; "file:/srv/x" and "file:data/x" are plain paths.
        if (path.startsWith(QLatin1String("//"))) path = QUrl(name).toLocalFile();
        a.directory = QDir::cleanPath(QDir::current().absoluteFilePath(path));
        return a;
    }
    if (QDir::isAbsolutePath(name) || name.startsWith(QLatin1String("./")) ||
        name.startsWith(QLatin1String(".\\"))) {
        a.directory = QDir::cleanPath(QDir::current().absoluteFilePath(name));
        return a;
    }
    a.kind = ServerKind::Odbc;
    a.host = name;
    return a;
}

QString defaultOdbcDriver() {
#ifdef Q_OS_WIN
    return QStringLiteral("ODBC Driver 17 for SQL Server");
#else
    return QStringLiteral("FreeTDS");
#endif
}

bool isFreeTdsDriver(const QString& driver) {
    return driver.contains(QLatin1String("FreeTDS"), Qt::CaseInsensitive) ||
           driver.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive);
}

namespace {

// A connection string value; braces keep separators and blanks inside it.
QString odbcValue(const QString& value) {
    static const QString special = QStringLiteral(";{}=");
    bool braces = value.startsWith(QLatin1Char(' ')) || value.endsWith(QLatin1Char(' '));
    for (QChar c : value)
        if (special.contains(c)) braces = true;
    if (!braces) return value;
    QString escaped = value;
    escaped.replace(QLatin1Char('}'), QLatin1String("}}"));
    return QLatin1Char('{') + escaped + QLatin1Char('}');
}

}  // namespace

QString odbcConnectionString(const ConnectionParams& params, const QString& host,
                             const QString& driver) {
    const bool freeTds = isFreeTdsDriver(driver);
    QStringList parts;
    parts << QStringLiteral("Driver={%1}").arg(driver);
    qsizetype comma = host.indexOf(QLatin1Char(','));
    if (freeTds && comma >= 0) {
        // FreeTDS takes the port on its own.
        parts << QStringLiteral("Server=") + odbcValue(host.left(comma).trimmed())
              << QStringLiteral("Port=") + odbcValue(host.mid(comma + 1).trimmed());
    } else {
        parts << QStringLiteral("Server=") + odbcValue(host);
    }
    if (!params.databaseName.isEmpty())
        parts << QStringLiteral("Database=") + odbcValue(params.databaseName);
    parts << QStringLiteral("UID=") + odbcValue(params.userName)
          << QStringLiteral("PWD=") + odbcValue(params.password);
    if (freeTds) {
        parts << QStringLiteral("TDS_Version=7.4") << QStringLiteral("ClientCharset=UTF-8")
              << QStringLiteral("PacketSize=") + QString::number(params.packetSize);
    }
    return parts.join(QLatin1Char(';'));
}

}  // namespace db
