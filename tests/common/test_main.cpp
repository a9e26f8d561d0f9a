// The main of every client test program: Google Test with one application object around all
// the tests (see app_environment.h).
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

#include "tests/common/app_environment.h"

namespace testsupport {

namespace {

ApplicationFactory& factory() {
    static ApplicationFactory chosen;
    return chosen;
}

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        if (factory())
            app_ = factory()(argc_, argv_);
        else
            app_ = std::make_unique<QApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    // The application keeps references to them for its whole life.
    int argc_ = 1;
    char name_[6] = "tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

}  // namespace

bool setApplicationFactory(ApplicationFactory chosen) {
    factory() = std::move(chosen);
    return true;
}

}  // namespace testsupport

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new testsupport::ApplicationEnvironment);
    return RUN_ALL_TESTS();
}
