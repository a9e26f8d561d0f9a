// The start-up tests run inside the program's own application object, so an error escaping
// an event handler takes the path it takes in the program.
#include "tests/common/app_environment.h"
#include "startup/Startup.h"

namespace {

const auto* const environment = testsupport::addApplicationEnvironment<BackOfficeApplication>();

}  // namespace
