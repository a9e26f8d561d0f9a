#include "tests/common/app_environment.h"

namespace {

const auto* const environment = testsupport::addApplicationEnvironment();

}  // namespace
