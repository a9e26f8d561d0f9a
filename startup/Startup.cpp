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
#include "db/shown_text.h"
#include "ui/Fr_ShowError.h"
#include "ui/MessageBoxes.h"

std::unique_ptr<QWidget> ModuleTable::create(int moduleNo, const QStringList& arguments) const {
    const auto it = factories_.find(moduleNo);
    return it == factories_.end() ? nullptr : it->second.factory(arguments);
}

int integerParameter(const QStringList& arguments, int position, const char* meaning) {
    const QString text = position <= arguments.size() ? arguments.at(position - 1) : QString();
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok)
        throw StartupError(QStringLiteral("parameter %1 (%2) must be a whole number, not '%3'")
                               .arg(position)
                               .arg(QString::fromLatin1(meaning), db::shownText(text))
                               .toStdString());
    return value;
}

StartupOutcome startModule(const QStringList& arguments, const ModuleTable& modules) {
    TDMConfig& config = *DmConfig;
    config.ModuleNo = integerParameter(arguments, 5, "module number");
    config.MenuId = integerParameter(arguments, 1, "menu id");
    config.UserId = integerParameter(arguments, 2, "user id");
    // Before anything is asked of the server: a screen that waits for a person would never end.
    if (autoRunRequested(arguments) && !modules.runsUnattended(config.ModuleNo))
        throw StartupError(QStringLiteral("module %1 cannot run unattended (--autorun)")
                               .arg(config.ModuleNo)
                               .toStdString());
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

bool autoRunRequested(const QStringList& arguments) {
    for (int i = 6; i < arguments.size(); ++i)
        if (arguments.at(i) == u"--autorun") return true;
    return false;
}

void chooseUnattendedPlatform() {
    // On Windows and macOS the desktop's platform is there even for a service.
#if !defined(Q_OS_WIN) && !defined(Q_OS_MACOS)
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) return;  // chosen by whoever started us
    // Qt tries the platforms of the list in order: the display there is, then none.
    QByteArray platforms;
    if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) platforms += "wayland;";
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) platforms += "xcb;";
    platforms += "offscreen";
    qputenv("QT_QPA_PLATFORM", platforms);
#endif
}

bool startupErrorsShowABox(bool autoRun) {
    const QString platform = QGuiApplication::platformName();
    return !autoRun && platform != u"offscreen" && platform != u"minimal" &&
           platform != u"minimalegl";
}

void reportErrorsUnattended(TDM& dm, std::function<void(int)> end) {
    dm.setReportPresenter([end = std::move(end)](const QString& report) {
        QTextStream(stderr) << "error: " << db::oneLine(report) << '\n';
        end(1);
    });
}

int reportStartupFailure(const std::exception& error, bool box) {
    const QString text = QStringLiteral("start-up failed: ") + errorLine(errorMessageOf(error));
    QTextStream(stderr) << "backoffice: " << text << '\n';
    // The menu host shows no output: without the box, a user who started the program from the
    // menu would see nothing happen at all.
    if (box) MessageService::current().message(text);
    return 1;
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
    QStringList given;
    for (int i = 1; i < argc; ++i) given << QString::fromLocal8Bit(argv[i]);
    const bool autoRun = autoRunRequested(given);
    if (autoRun) chooseUnattendedPlatform();
    BackOfficeApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("BackOffice"));
    TDM dm;
    TDMConfig config;

    // Nobody answers a box in an unattended run: messages are printed, and an error that
    // reaches the event loop is printed and ends the run. Otherwise a person sees message
    // boxes and the red error report.
    UnattendedMessageService printer;
    WidgetMessageService boxes;
    const ScopedMessageService messages(autoRun ? static_cast<MessageService&>(printer) : boxes);
    if (autoRun)
        reportErrorsUnattended(dm);
    else
        dm.setReportPresenter(&TFrShowError::showReport);

    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    StartupOutcome outcome;
    try {
        outcome = startModule(arguments, modules);
    } catch (const std::exception& error) {
        return reportStartupFailure(error, startupErrorsShowABox(autoRun));
    }
    if (!outcome.screen) {
        if (!autoRun) return outcome.exitCode;
        // The run did nothing it was started for. Say why unless a message did.
        if (printer.printed() == 0)
            QTextStream(stderr)
                << "backoffice: "
                << (config.CanAccess
                        ? QStringLiteral("module %1 opened no screen").arg(config.ModuleNo)
                        : QStringLiteral("user %1 has no access to menu entry %2")
                              .arg(config.UserId)
                              .arg(config.MenuId))
                << '\n';
        return 1;
    }
    outcome.screen->setAttribute(Qt::WA_DeleteOnClose, false);
    outcome.screen->show();
    const QString shot = screenshotFile(arguments);
    if (!shot.isEmpty()) {
        QWidget* screen = outcome.screen.get();
        QTimer::singleShot(kScreenshotDelayMs, screen, [screen, shot] {
            if (!takeScreenshot(screen, shot)) {
                QTextStream(stderr)
                    << "backoffice: cannot write the screenshot " << db::shownText(shot) << '\n';
                QCoreApplication::exit(1);
                return;
            }
            QTextStream(stdout) << "backoffice: screenshot written to " << db::shownText(shot)
                                << '\n';
            QCoreApplication::exit(0);
        });
    }
    const int code = app.exec();
    outcome.screen.reset();
    return code;
}
