// One application object for every test of the lookup dialogs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>
#include <memory>

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        // Widgets need no display: run on the offscreen platform unless told otherwise.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "lookup_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace
