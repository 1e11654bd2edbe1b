#include "base/Text.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <system_error>

namespace pelorin {

namespace {

// Shortest round-trip decimal digits of a finite, non-negative value, as a
// digit string and a decimal exponent: value = 0.d1d2d3... x 10^exp10. Kept
// in a buffer of its own: the readers of files round every number.
struct Decimal {
  char digits[24];  // no leading zeros, at least one digit (at most 17)
  std::size_t count = 0;
  int exp10 = 0;
};

Decimal ShortestDecimal(double v) {
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
  // Form: d[.ddd]e[+-]xx
  Decimal d;
  const char* p = buf;
  for (; p < res.ptr && *p != 'e'; ++p)
    if (*p != '.') d.digits[d.count++] = *p;
  int exp = 0;
  std::from_chars(p + 1 + (p + 1 < res.ptr && p[1] == '+'), res.ptr, exp);
  d.exp10 = exp + 1;
  return d;
}

std::string TrimZeros(std::string s) {
  if (s.find('.') == std::string::npos) return s;
  while (!s.empty() && s.back() == '0') s.pop_back();
  if (!s.empty() && s.back() == '.') s.pop_back();
  return s;
}

std::string GeneralText(double value, int sig) {
  if (std::isnan(value)) return "NaN";
  if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
  if (value == 0) return "0";
  // The digits as printf's %.*e and %.*f give them (exact, halves to even).
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, sig - 1);
  char* e = std::find(buf, res.ptr, 'e');
  int exp = 0;
  std::from_chars(e + 1 + (e + 1 < res.ptr && e[1] == '+'), res.ptr, exp);
  if (exp >= sig || exp < -4) {
    // Exponent form: mantissa without trailing zeros, then E+xx.
    std::string mant = TrimZeros(std::string(buf, e));
    char eb[16];
    std::snprintf(eb, sizeof eb, "E%c%02d", exp < 0 ? '-' : '+', std::abs(exp));
    return mant + eb;
  }
  res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed, std::max(0, sig - 1 - exp));
  std::string r = TrimZeros(std::string(buf, res.ptr));
  if (r == "-0") r = "0";
  return r;
}

// Rounds on the shortest decimal form of |value|; ties go to the even digit
// or away from zero.
double RoundDecimal(double value, int decimals, bool tiesToEven) {
  if (!std::isfinite(value) || value == 0) return value;
  if (decimals < 0) decimals = 0;
  if (decimals > 15) decimals = 15;
  const bool neg = value < 0;
  const Decimal d = ShortestDecimal(std::fabs(value));
  const long cut = static_cast<long>(d.exp10) + decimals;  // first digit cut off
  if (cut >= static_cast<long>(d.count)) return value;
  if (cut < 0) return neg ? -0.0 : 0.0;
  const auto ucut = static_cast<std::size_t>(cut);
  // The digits kept, one place ahead for a carry out of the first, then
  // "e-<decimals>".
  char text[48];
  char* num = text + 1;
  std::size_t len = ucut;
  std::memcpy(num, d.digits, ucut);
  const char first = d.digits[ucut];
  bool rest = false;
  for (std::size_t i = ucut + 1; i < d.count; ++i) rest = rest || d.digits[i] != '0';
  bool up = first > '5' || (first == '5' && rest);
  if (first == '5' && !rest) up = tiesToEven ? (len > 0 && (num[len - 1] - '0') % 2 == 1) : true;
  if (len == 0) num[len++] = '0';
  if (up) {
    std::size_t i = len;
    while (i > 0 && num[i - 1] == '9') num[--i] = '0';
    if (i == 0) {
      *--num = '1';
      ++len;
    } else {
      ++num[i - 1];
    }
  }
  char* end = num + len;
  *end++ = 'e';
  end = std::to_chars(end, text + sizeof text, -decimals).ptr;
  double r = 0;
  std::from_chars(num, end, r);
  return neg ? -r : r;
}

}  // namespace

double RoundHalfEven(double value, int decimals) {
  // To whole numbers the binary value decides alone: a value whose shortest
  // decimal form ends in .5 is exactly a half, so the processor's rounding
  // (to nearest, halves to even) gives the same result without the decimal
  // detour. Autoselect rounds on every darker sample.
  if (decimals <= 0) return std::isfinite(value) ? std::nearbyint(value) : value;
  return RoundDecimal(value, decimals, true);
}

double RoundToWhole(double value) { return RoundHalfEven(value, 0); }

std::int16_t ToInt16(double value) {
  if (!std::isfinite(value)) throw std::overflow_error("overflow");
  double r = std::nearbyint(value);  // default rounding mode: half to even
  if (r < -32768.0 || r > 32767.0) throw std::overflow_error("overflow");
  return static_cast<std::int16_t>(r);
}

double LeadingNumber(std::string_view text) {
  std::size_t i = 0;
  const std::size_t n = text.size();
  while (i < n && (text[i] == ' ' || text[i] == '\t')) ++i;
  const std::size_t start = i;
  const bool neg = i < n && text[i] == '-';
  if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
  // The decimal exponent of the first non-zero digit, counted as if the
  // number had no point: it tells an overflow from an underflow.
  long digitsBeforePoint = 0;
  long firstNonZero = -1;  // position among all digits
  long position = 0;
  bool digits = false;
  while (i < n && text[i] >= '0' && text[i] <= '9') {
    if (firstNonZero < 0 && text[i] != '0') firstNonZero = position;
    ++position;
    ++digitsBeforePoint;
    ++i;
    digits = true;
  }
  if (i < n && text[i] == '.') {
    ++i;
    while (i < n && text[i] >= '0' && text[i] <= '9') {
      if (firstNonZero < 0 && text[i] != '0') firstNonZero = position;
      ++position;
      ++i;
      digits = true;
    }
  }
  if (!digits) return 0.0;
  std::size_t end = i;
  std::size_t marker = std::string_view::npos;  // the exponent's letter, when it has digits
  long exponent = 0;
  if (i < n && (text[i] == 'e' || text[i] == 'E' || text[i] == 'd' || text[i] == 'D')) {
    std::size_t j = i + 1;
    const bool expNeg = j < n && text[j] == '-';
    if (j < n && (text[j] == '+' || text[j] == '-')) ++j;
    bool exDigits = false;
    while (j < n && text[j] >= '0' && text[j] <= '9') {
      if (exponent < 1000000) exponent = exponent * 10 + (text[j] - '0');
      ++j;
      exDigits = true;
    }
    if (exDigits) {
      end = j;
      marker = i;
      if (expNeg) exponent = -exponent;
    } else {
      exponent = 0;
    }
  }
  // from_chars reads neither a plus sign nor a "d" exponent.
  std::string_view num = text.substr(start, end - start);
  std::string copy;
  if (marker != std::string_view::npos && (text[marker] == 'd' || text[marker] == 'D')) {
    copy.assign(num);
    copy[marker - start] = 'e';
    num = copy;
  }
  if (num.front() == '+') num.remove_prefix(1);
  double v = 0;
  auto res = std::from_chars(num.data(), num.data() + num.size(), v);
  if (res.ec == std::errc::result_out_of_range) {
    // Too large or too small for a double: the first non-zero digit's place
    // decides which (there is one, or the value would be 0).
    const bool tiny = digitsBeforePoint - 1 - firstNonZero + exponent < 0;
    if (tiny) return neg ? -0.0 : 0.0;
    return neg ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
  }
  return v;
}

std::string NumberText(double value) { return GeneralText(value, 15); }

std::string SingleText(double value) {
  float f = static_cast<float>(value);
  return GeneralText(static_cast<double>(f), 7);
}

std::string FixedText(double value, int intDigits, int decimals) {
  if (!std::isfinite(value)) return NumberText(value);
  const double r = RoundDecimal(std::fabs(value), decimals, false);
  char buf[512];
  std::snprintf(buf, sizeof buf, "%0*.*f", intDigits + (decimals > 0 ? decimals + 1 : 0), decimals, r);
  std::string out;
  if (value < 0 && r != 0) out += '-';
  out += buf;
  return out;
}

std::string PaddedWhole(double value, int minDigits) { return FixedText(value, minDigits, 0); }

std::string Quoted(std::string_view text) {
  std::string s;
  s.reserve(text.size() + 2);
  s += '"';
  s += text;
  s += '"';
  return s;
}

std::string Left(std::string_view text, std::size_t n) { return std::string(text.substr(0, std::min(n, text.size()))); }

std::string Right(std::string_view text, std::size_t n) {
  if (n >= text.size()) return std::string(text);
  return std::string(text.substr(text.size() - n));
}

std::string Mid(std::string_view text, std::size_t start, std::size_t n) {
  if (start == 0) start = 1;
  if (start > text.size()) return {};
  return std::string(text.substr(start - 1, n));
}

std::optional<double> WholeNumber(std::string_view text) {
  const char* first = text.data();
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  if (first == last || *first == '+') return std::nullopt;
  double v = 0;
  const auto res = std::from_chars(first, last, v, std::chars_format::general);
  if (res.ec != std::errc() || res.ptr != last || !std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace pelorin
