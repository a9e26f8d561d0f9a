#pragma once

#include <QString>

class QVariant;

// Every number the program shows goes through one of these, with a display pattern:
//
//   0   a digit that is always printed
//   #   a digit printed only when significant: no leading zero (0.5 in "#.##" is ".5"),
//       no trailing decimal zero, and nothing at all for a zero ("#" prints 0 as "")
//   ,   anywhere before the point: the integer digits are grouped in thousands with ","
//       (one after the point means nothing and is not printed)
//   .   the decimal point, printed only when a decimal digit follows it (a second "." is
//       ordinary text)
//   ;   starts the section for negative values, which prints no minus sign of its own;
//       a second ";" starts the section for zero. An empty section falls back to the first.
//
// Any other character, blank included, is printed as it stands. The value is rounded to the
// decimals of its section, halves away from zero. A double is first taken to 18 significant
// digits, so 0.125 gives 0.13 while 2.675 (held as 2.67499999999999982...) gives 2.67. A value
// that rounds to zero is zero: no minus sign, and the zero section when there is one.
//
// Integer digits beyond the pattern's placeholders are all printed at the first one; a
// missing minus sign goes just before the first digit (or the point) printed. An empty
// pattern prints the value plainly with at most 15 significant digits.
QString formatNumber(double value, const QString& pattern);

// The same for exact decimal text such as "-1234.565" (a decimal column, as the driver hands
// it over): rounded on its own digits, without the 18-digit step. Text that is not a number
// ("", "abc", "1,000") gives an empty string.
QString formatDecimal(const QString& decimalText, const QString& pattern);

// A column value: NULL gives ""; whole numbers, text and the database layer's exact decimals
// (any type with a conversion to QString) format exactly, anything else as a double.
QString formatValue(const QVariant& value, const QString& pattern);
