#pragma once
// The application object of a client test program: made before the first test and destroyed
// after the last, by the main of test_support (tests/common/test_main.cpp). Widgets need no
// display: the offscreen platform is used unless the environment names another.
//
// A QApplication unless the program chooses its own kind at static initialisation:
//     [[maybe_unused]] const bool chosen = testsupport::useApplication<BackOfficeApplication>();
#include <QCoreApplication>
#include <functional>
#include <memory>

namespace testsupport {

using ApplicationFactory = std::function<std::unique_ptr<QCoreApplication>(int& argc, char** argv)>;

// Always true, so that the call can initialise a static.
bool setApplicationFactory(ApplicationFactory factory);

template <class Application>
bool useApplication() {
    return setApplicationFactory([](int& argc, char** argv) -> std::unique_ptr<QCoreApplication> {
        return std::make_unique<Application>(argc, argv);
    });
}

}  // namespace testsupport
