#pragma once
// Amounts in words for printed documents: Thai and English, as money (baht and satang) or as
// a number with a decimal part. Pure functions; a formatted amount whose integer or decimal
// part does not fit a 32-bit integer throws ConvertError.
#include <QString>
#include <cstdint>

// The reading of a whole number; empty for n <= 0.
QString ThaiNumberText(std::int32_t n);
// English words, each with its own trailing blank; blanks are never collapsed.
QString EnglishNumberText(std::int32_t n);

// `decimals` is 0 to 255 (ConvertError otherwise). An amount of exactly 0 gives "".
QString ThaiBahtText(double amount, int decimals);
QString ThaiDecimalText(double amount, int decimals);
QString EnglishBahtText(double amount, int decimals);
QString EnglishDecimalText(double amount, int decimals);
