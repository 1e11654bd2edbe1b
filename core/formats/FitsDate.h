// The date and time of observation in a picture's FITS header.
#pragma once

#include <string>
#include <string_view>

#include "base/PictureHeader.h"

namespace pelorin {

// A moment in UT: a Gregorian calendar day and the decimal hours of that day.
struct ObservationTime {
  int year = 0, month = 0, day = 0;
  double hours = 0;  // UT, [0, 24); a leap second (23:59:60) reaches 24 + 1/3600
};

// Reads one date value as FITS headers write it, blanks around it allowed:
//   yyyy-mm-dd, yyyy-mm-ddThh:mm[:ss[.s...]], a blank in place of the T,
//   a trailing Z; yyyy/mm/dd with the same time parts;
//   the old dd/mm/yy, which means 19yy.
// `hasTime` tells whether a time of day was given (otherwise `out.hours` is
// 0). Months 1-12, days within their month, hours 0-23, minutes 0-59,
// seconds below 61 (a leap second, so the hours can reach 24 + 1/3600).
// False for anything else.
bool ParseFitsDate(std::string_view text, ObservationTime& out, bool& hasTime);

// Reads a time of day hh:mm[:ss[.s...]] (a trailing Z allowed) into decimal
// hours, [0, 24 + 1/3600) as above. False for anything else.
bool ParseFitsTime(std::string_view text, double& hours);

// The time of observation of a header: DATE-OBS, or DATE_OBS where there is
// no DATE-OBS; a value that holds only the day takes its time of day from
// TIME-OBS (or TIME_OBS). The result's hours are rounded to 0.001 h, as the
// program keeps them, carrying into the next day where that reaches 24 (so
// they lie in [0, 24)).
// False with `problem` naming the keyword and its value when the date is
// missing, unreadable or has no time of day.
bool HeaderObservationTime(const PictureHeader& header, ObservationTime& out, std::string& problem);

}  // namespace pelorin
