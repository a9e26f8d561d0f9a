#include "data/Workstation.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSysInfo>
#include <QtGlobal>
#include <vector>

#include "data/ErrorTranslation.h"

namespace {

QString loginNameOrEmpty() {
    // The user the process runs as first; the session's login name and the environment only
    // when the password database does not know that user.
    long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    char login[256] = {};
    if (getlogin_r(login, sizeof login) == 0 && *login) return QString::fromLocal8Bit(login);
    return qEnvironmentVariable("USER");
}

}  // namespace

QString LocalComputerName() {
    return QSysInfo::machineHostName().trimmed();
}

QString LocalLoginName() {
    QString name = loginNameOrEmpty();
    if (name.isEmpty()) name = QStringLiteral("Unknown");
    return asciiUpperCase(name);
}

QString LastIPAddressOfHost(const QByteArray& hostName) {
    if (hostName.isEmpty()) return {};
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;  // one entry per address
    addrinfo* list = nullptr;
    if (getaddrinfo(hostName.constData(), nullptr, &hints, &list) != 0 || !list) return {};
    QString last;
    for (const addrinfo* a = list; a; a = a->ai_next) {
        if (a->ai_family != AF_INET || !a->ai_addr) continue;
        char text[INET_ADDRSTRLEN] = {};
        const auto* in = reinterpret_cast<const sockaddr_in*>(a->ai_addr);
        if (inet_ntop(AF_INET, &in->sin_addr, text, sizeof text)) last = QString::fromLatin1(text);
    }
    freeaddrinfo(list);
    return last;
}

QString LocalIPAddress() {
    char name[65] = {};  // the name may take all 64 bytes without its terminator
    if (gethostname(name, 64) != 0) return {};
    return LastIPAddressOfHost(QByteArray(name));
}

int YearOfDate(const QDate& date) {
    return date.isValid() ? date.year() : 0;
}
