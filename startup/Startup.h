#pragma once
// Start-up: from the menu host's command line to the one module screen that becomes the main
// window.
//
//   1 menu id, 2 user id, 3 company database code, 4 not read, 5 module number,
//   6 read by the sold-out upload only; flags after them are the screens' own.
#include <QApplication>
#include <QStringList>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>

class QWidget;
class TDM;

// The module numbers and their screens. A number without a screen is not in the table.
class ModuleTable {
public:
    using Factory = std::function<std::unique_ptr<QWidget>(const QStringList& arguments)>;
    // `unattended`: the screen runs by itself under --autorun and ends the program.
    void add(int moduleNo, Factory factory, bool unattended = false) {
        factories_[moduleNo] = {std::move(factory), unattended};
    }
    bool contains(int moduleNo) const { return factories_.count(moduleNo) != 0; }
    bool runsUnattended(int moduleNo) const {
        const auto it = factories_.find(moduleNo);
        return it != factories_.end() && it->second.unattended;
    }
    // nullptr when the number is not in the table.
    std::unique_ptr<QWidget> create(int moduleNo, const QStringList& arguments) const;

private:
    struct Entry {
        Factory factory;
        bool unattended = false;
    };
    std::map<int, Entry> factories_;
};

// A command-line parameter that is missing or not a whole number.
class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The parameter as a 32-bit integer, as the menu host writes it (blanks around it allowed).
int integerParameter(const QStringList& arguments, int position, const char* meaning);

struct StartupOutcome {
    std::unique_ptr<QWidget> screen;  // null: the program ends now, with exitCode
    int exitCode = 0;
};

// Steps 6 onwards of the start-up, on the data modules DM and DmConfig that the caller has
// created: parameters, rights, company, then the module's screen (not shown yet). `arguments`
// are the command-line parameters without the program's name. Throws StartupError for a bad
// parameter and db::DatabaseError when the configuration database fails.
StartupOutcome startModule(const QStringList& arguments, const ModuleTable& modules);

// "--autorun" after the six positional parameters: the screen runs by itself, nobody watches.
// Messages are printed instead of shown, an error ends the run with exit code 1, and a module
// that cannot run so is refused.
bool autoRunRequested(const QStringList& arguments);

// Before the application object of an unattended run exists: when QT_QPA_PLATFORM leaves the
// choice to Qt, a run without a display goes to the offscreen platform, and one whose display
// cannot be reached falls back to it, instead of aborting.
void chooseUnattendedPlatform();

// Whether a start-up error is shown in a message box as well as on standard error: only when
// a person may be looking, that is with a display (not the offscreen or minimal platform)
// and not in an unattended run.
bool startupErrorsShowABox(bool autoRun);

// In an unattended run, the report of an error that reaches the event loop (after the error
// log) is printed on standard error on one line, and the run ends with `end`(1) instead of a
// dialog waiting for a person.
void reportErrorsUnattended(TDM& dm, std::function<void(int)> end = &QCoreApplication::exit);

// Prints "backoffice: start-up failed: " and the error on one line (errorLine) on standard
// error and, when `box`, shows it in a message box as well; returns the exit code 1.
int reportStartupFailure(const std::exception& error, bool box);

// "--screenshot=FILE" after the six positional parameters: a picture of the display is
// written once the screen has settled, and the program ends (unattended demonstrations).
QString screenshotFile(const QStringList& arguments);
inline constexpr int kScreenshotDelayMs = 2500;
bool takeScreenshot(QWidget* screen, const QString& file);

// The whole run: an empty command line ends at once; otherwise the application, the data
// modules, startModule and the event loop. Errors before the loop are reported on standard
// error (and in a message box, see startupErrorsShowABox) and end the program with exit code
// 1. An unattended run that opens no screen has failed: exit code 1.
int runBackOffice(int argc, char** argv, const ModuleTable& modules);

// The application object of the run: an error escaping an event handler goes to DM's error
// handler and the program carries on.
class BackOfficeApplication : public QApplication {
public:
    BackOfficeApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
