#include <QApplication>
#include <exception>

#include "tests/common/app_environment.h"
#include "tests/ui/caught_errors.h"

QStringList& caughtErrors() {
    static QStringList errors;
    return errors;
}

namespace {

class CatchingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const std::exception& error) {
            caughtErrors() << QString::fromUtf8(error.what());
        }
        return false;
    }
};

// The components' tests look at what escaped an event handler instead of ending the program.
[[maybe_unused]] const bool chosen = testsupport::useApplication<CatchingApplication>();

}  // namespace
