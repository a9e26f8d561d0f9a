#pragma once
// One application object for all the tests of a test program, made before the first test and
// destroyed after the last. Widgets need no display: the offscreen platform is used unless the
// environment names another.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>
#include <memory>

namespace testsupport {

template <class Application = QApplication>
class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<Application>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<Application> app_;
};

template <class Application = QApplication>
::testing::Environment* addApplicationEnvironment() {
    return ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment<Application>);
}

}  // namespace testsupport
