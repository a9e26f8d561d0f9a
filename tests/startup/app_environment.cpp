// The start-up tests run inside the program's own application object, so an error escaping
// an event handler takes the path it takes in the program.
#include <gtest/gtest.h>

#include "startup/Startup.h"

namespace {

class ApplicationEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "startup_tests";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<BackOfficeApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<BackOfficeApplication> app_;
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new ApplicationEnvironment);

}  // namespace
