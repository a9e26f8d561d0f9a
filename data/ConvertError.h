#pragma once
// A value that cannot be taken as the number a routine needs: text that is no number, a
// number outside the range of the integer it must become. The message names the value.
#include <stdexcept>

#include <QString>

class ConvertError : public std::runtime_error {
public:
    explicit ConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
};
