#include "formats/FitsDate.h"

#include "base/Text.h"

namespace pelorin {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads exactly `digits` decimal digits at `pos`.
bool Digits(std::string_view s, std::size_t& pos, std::size_t digits, int& value) {
  if (pos + digits > s.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < digits; ++i) {
    const char c = s[pos + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  pos += digits;
  return true;
}

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// hh:mm[:ss[.s...]][Z] from `pos` to the end.
bool TimeAt(std::string_view s, std::size_t pos, double& hours) {
  if (!s.empty() && (s.back() == 'Z' || s.back() == 'z')) s.remove_suffix(1);
  int h = 0, m = 0, sec = 0;
  if (!Digits(s, pos, 2, h) || pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!Digits(s, pos, 2, m)) return false;
  double seconds = 0;
  if (pos < s.size()) {
    if (s[pos] != ':') return false;
    ++pos;
    if (!Digits(s, pos, 2, sec)) return false;
    seconds = sec;
    if (pos < s.size()) {
      if (s[pos] != '.' || pos + 1 >= s.size()) return false;
      double scale = 0.1;
      for (++pos; pos < s.size(); ++pos) {
        if (s[pos] < '0' || s[pos] > '9') return false;
        seconds += (s[pos] - '0') * scale;
        scale /= 10;
      }
    }
  }
  if (h > 23 || m > 59 || !(seconds < 61)) return false;
  hours = h + m / 60.0 + seconds / 3600.0;
  return true;
}

}  // namespace

bool ParseFitsTime(std::string_view text, double& hours) { return TimeAt(Trim(text), 0, hours); }

bool ParseFitsDate(std::string_view text, ObservationTime& out, bool& hasTime) {
  const std::string_view s = Trim(text);
  ObservationTime t;
  std::size_t pos = 0;
  if (s.size() == 8 && s[2] == '/' && s[5] == '/') {
    // dd/mm/yy: the years 1900 to 1999.
    int yy = 0;
    if (!Digits(s, pos, 2, t.day) || s[pos++] != '/' || !Digits(s, pos, 2, t.month) || s[pos++] != '/' ||
        !Digits(s, pos, 2, yy))
      return false;
    t.year = 1900 + yy;
  } else {
    if (!Digits(s, pos, 4, t.year) || pos >= s.size()) return false;
    const char sep = s[pos];
    if (sep != '-' && sep != '/') return false;
    ++pos;
    if (!Digits(s, pos, 2, t.month) || pos >= s.size() || s[pos] != sep) return false;
    ++pos;
    if (!Digits(s, pos, 2, t.day)) return false;
  }
  if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > DaysInMonth(t.year, t.month)) return false;
  bool timeGiven = false;
  if (pos < s.size()) {
    if (s[pos] != 'T' && s[pos] != ' ') {
      // "yyyy-mm-ddZ" is a day alone.
      if (!((s[pos] == 'Z' || s[pos] == 'z') && pos + 1 == s.size())) return false;
    } else {
      std::size_t at = pos + 1;
      while (at < s.size() && s[at] == ' ') ++at;
      if (!TimeAt(s, at, t.hours)) return false;
      timeGiven = true;
    }
  }
  out = t;
  hasTime = timeGiven;
  return true;
}

bool HeaderObservationTime(const PictureHeader& header, ObservationTime& out, std::string& problem) {
  const char* dateKey = "DATE-OBS";
  const std::string* date = header.Find(dateKey);
  if (date == nullptr) {
    dateKey = "DATE_OBS";
    date = header.Find(dateKey);
  }
  if (date == nullptr) {
    problem = "no date of observation (DATE-OBS)";
    return false;
  }
  ObservationTime t;
  bool hasTime = false;
  if (!ParseFitsDate(*date, t, hasTime)) {
    problem = std::string("the date ") + dateKey + " '" + *date + "' cannot be read";
    return false;
  }
  if (!hasTime) {
    const char* timeKey = "TIME-OBS";
    const std::string* time = header.Find(timeKey);
    if (time == nullptr) {
      timeKey = "TIME_OBS";
      time = header.Find(timeKey);
    }
    if (time == nullptr) {
      problem = std::string(dateKey) + " '" + *date + "' gives no time of day, and there is no TIME-OBS";
      return false;
    }
    if (!ParseFitsTime(*time, t.hours)) {
      problem = std::string("the time ") + timeKey + " '" + *time + "' cannot be read";
      return false;
    }
  }
  t.hours = RoundHalfEven(t.hours, 3);
  if (t.hours >= 24) {
    t.hours -= 24;
    if (++t.day > DaysInMonth(t.year, t.month)) {
      t.day = 1;
      if (++t.month > 12) {
        t.month = 1;
        ++t.year;
      }
    }
  }
  out = t;
  return true;
}

}  // namespace pelorin
