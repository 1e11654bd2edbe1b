// Number and text helpers shared by every subsystem: rounding, the
// leading-number conversion, and the text forms numbers take on screen and in
// the data files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelorin {

// Truth values kept in 16-bit integers: True is all bits set, False is 0.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// Rounds `value` to `decimals` places (0..15), halves to the even digit.
// The rounding works on the shortest decimal form of the value, the one a user
// sees: 0.0025 rounds to 0.002 at 3 places, 0.0035 to 0.004. Non-finite values
// are returned unchanged.
double RoundHalfEven(double value, int decimals);

// Rounds to the nearest whole number, halves to even, as a double.
double RoundToWhole(double value);

// Converts to a 16-bit integer by rounding half to even. Throws
// std::overflow_error when the rounded value is outside -32768..32767 or not
// finite.
std::int16_t ToInt16(double value);

// The leading-number conversion: the value of the longest leading part of
// `text` that reads as a decimal number (blanks before it skipped, optional
// sign, digits, decimal point, exponent E/e/D/d with digits). 0 when no digit
// is found. Never throws; a value beyond the double range gives +-infinity
// clipped to the largest finite double.
double LeadingNumber(std::string_view text);

// The whole of `text` as one finite decimal number: an optional sign, digits
// with an optional point, an optional exponent (E or e). Nothing before or
// after it, not even blanks. std::nullopt otherwise.
std::optional<double> WholeNumber(std::string_view text);

// General text form of a Double: the shortest form with at most 15
// significant digits, '.' as decimal separator, a leading zero before the
// point, no leading blank; exponent form (1E+20, 1E-05) where the plain form
// would need it. 0.1 + 0.2 gives "0.3"; 2003 gives "2003"; -0.5 gives "-0.5".
std::string NumberText(double value);

// General text form of a Single: as NumberText with at most 7 significant
// digits, the value first narrowed to float.
std::string SingleText(double value);

// Fixed formats with a digit mask: "00.00" gives at least two integer digits
// and exactly two decimals (5.5 -> "05.50", -5.5 -> "-05.50"); "000.00" at
// least three. `intDigits` is the minimum count of integer digits, `decimals`
// the exact count of decimals (rounded half away from zero, as format masks
// do).
std::string FixedText(double value, int intDigits, int decimals);

// Whole number with at least `minDigits` digits after rounding half away from
// zero: the formats "0#", "00:", "00h" (without their literal suffix).
std::string PaddedWhole(double value, int minDigits);

// The write-line quoting of strings: "text" with its double quotes.
std::string Quoted(std::string_view text);

// The first `n` characters, the last `n`, and `n` characters from 1-based
// position `start` (fewer where the text is shorter; never throws).
std::string Left(std::string_view text, std::size_t n);
std::string Right(std::string_view text, std::size_t n);
std::string Mid(std::string_view text, std::size_t start, std::size_t n);

}  // namespace pelorin
