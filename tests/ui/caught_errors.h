#pragma once
// What an event handler throws reaches the ui tests' application, which keeps its message
// here, as the program's own application hands it to the error report.
#include <QStringList>

QStringList& caughtErrors();
