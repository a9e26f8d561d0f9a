#include "startup/Startup.h"

#include <QPixmap>
#include <QScreen>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

#include "data/Dm_Config.h"
#include "data/ErrorTranslation.h"
#include "data/Messages.h"
#include "data/U_DM.h"
#include "db/database_error.h"

std::unique_ptr<QWidget> ModuleTable::create(int moduleNo, const QStringList& arguments) const {
    const auto it = factories_.find(moduleNo);
    return it == factories_.end() ? nullptr : it->second(arguments);
}

int integerParameter(const QStringList& arguments, int position, const char* meaning) {
    const QString text = position <= arguments.size() ? arguments.at(position - 1) : QString();
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw StartupError(QStringLiteral("parameter %1 (%2) must be a whole number, not '%3'")
                               .arg(position)
                               .arg(QString::fromLatin1(meaning), text)
                               .toStdString());
    return value;
}

StartupOutcome startModule(const QStringList& arguments, const ModuleTable& modules) {
    TDMConfig& config = *DmConfig;
    config.ModuleNo = integerParameter(arguments, 5, "module number");
    config.MenuId = integerParameter(arguments, 1, "menu id");
    config.UserId = integerParameter(arguments, 2, "user id");
    const QString company = arguments.value(2);
    DM->setDatabaseParameter(company);

    config.CheckRight(config.MenuId, config.UserId);
    try {
        config.GetCompanyConfig(company);
    } catch (const ProgramEnd& end) {
        return {nullptr, end.exitCode()};
    }
    if (!config.CanAccess) return {};

    // Picking works on the distribution centre's database only. The code is compared as
    // given, upper-cased but not trimmed.
    if (config.ModuleNo == 3) {
        const QString code = asciiUpperCase(company);
        if (code != u"NWX" && code != u"NWX_TEST") {
            MessageService::current().message(QStringLiteral("หน้าจอนี้ใช้ได้กับ ฐานข้อมูล NWX เท่านั้น"));
            return {};
        }
    }
    return {modules.create(config.ModuleNo, arguments), 0};
}

BackOfficeApplication::BackOfficeApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool BackOfficeApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        if (DM) DM->ApplicationEvents1Exception(error);
    } catch (...) {
        if (DM) DM->ApplicationEvents1Exception(std::runtime_error("unknown error"));
    }
    return false;
}

QString screenshotFile(const QStringList& arguments) {
    const QString flag = QStringLiteral("--screenshot=");
    for (int i = 6; i < arguments.size(); ++i)
        if (arguments.at(i).startsWith(flag)) return arguments.at(i).mid(flag.size());
    return {};
}

bool takeScreenshot(QWidget* screen, const QString& file) {
    // The whole display when there is one (dialogs on top included), else the window alone.
    QPixmap shot;
    if (QScreen* display = screen->screen();
        display && QGuiApplication::platformName() != u"offscreen")
        shot = display->grabWindow(0);
    if (shot.isNull()) shot = screen->grab();
    return !shot.isNull() && shot.save(file);
}

int runBackOffice(int argc, char** argv, const ModuleTable& modules) {
    if (argc <= 1) return 0;  // started by hand: nothing to do
    BackOfficeApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BackOffice"));
    TDM dm;
    TDMConfig config;

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    StartupOutcome outcome;
    try {
        outcome = startModule(arguments, modules);
    } catch (const std::exception& error) {
        QTextStream(stderr) << "backoffice: start-up failed: " << errorMessageOf(error) << '\n';
        return 1;
    }
    if (!outcome.screen) return outcome.exitCode;
    outcome.screen->setAttribute(Qt::WA_DeleteOnClose, false);
    outcome.screen->show();
    const QString shot = screenshotFile(arguments);
    if (!shot.isEmpty()) {
        QWidget* screen = outcome.screen.get();
        QTimer::singleShot(kScreenshotDelayMs, screen, [screen, shot] {
            if (!takeScreenshot(screen, shot)) {
                QTextStream(stderr) << "backoffice: cannot write the screenshot " << shot << '\n';
                QCoreApplication::exit(1);
                return;
            }
            QTextStream(stdout) << "backoffice: screenshot written to " << shot << '\n';
            QCoreApplication::exit(0);
        });
    }
    const int code = app.exec();
    outcome.screen.reset();
    return code;
}
