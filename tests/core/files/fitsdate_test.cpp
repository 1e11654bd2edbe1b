#include <gtest/gtest.h>

#include <string>

#include "formats/FitsDate.h"

namespace pelorin {
namespace {

PictureHeader Cards(std::initializer_list<std::pair<const char*, const char*>> cards) {
  PictureHeader h;
  for (const auto& [k, v] : cards) h.cards.push_back({k, v});
  return h;
}

TEST(ParseFitsDate, EveryFormHeadersUse) {
  const struct {
    const char* text;
    int y, m, d;
    bool hasTime;
    double hours;
  } cases[] = {
      {"2014-01-01T00:00:07.34", 2014, 1, 1, true, 7.34 / 3600},
      {"2014-01-01T23:59:59.999999", 2014, 1, 1, true, 23 + 59 / 60.0 + 59.999999 / 3600},
      {"2003-05-17 07:45:00", 2003, 5, 17, true, 7.75},
      {"2003-05-17  07:45", 2003, 5, 17, true, 7.75},
      {"1996-05-12T00:13:05.453Z", 1996, 5, 12, true, (13 * 60 + 5.453) / 3600},
      {" 2003-05-17T07:45:36 ", 2003, 5, 17, true, 7.76},
      {"2003-05-17", 2003, 5, 17, false, 0},
      {"2003-05-17Z", 2003, 5, 17, false, 0},
      {"2002/05/12", 2002, 5, 12, false, 0},
      {"2002/05/12 10:30", 2002, 5, 12, true, 10.5},
      {"17/05/93", 1993, 5, 17, false, 0},  // the old form means 19yy
      {"01/01/00", 1900, 1, 1, false, 0},
      {"2016-12-31T23:59:60.5", 2016, 12, 31, true, 23 + 59 / 60.0 + 60.5 / 3600},  // a leap second
      {"2024-02-29T12:00:00", 2024, 2, 29, true, 12},
      {"2000-02-29", 2000, 2, 29, false, 0},
  };
  for (const auto& c : cases) {
    ObservationTime t;
    bool hasTime = false;
    ASSERT_TRUE(ParseFitsDate(c.text, t, hasTime)) << c.text;
    EXPECT_EQ(t.year, c.y) << c.text;
    EXPECT_EQ(t.month, c.m) << c.text;
    EXPECT_EQ(t.day, c.d) << c.text;
    EXPECT_EQ(hasTime, c.hasTime) << c.text;
    EXPECT_NEAR(t.hours, c.hours, 1e-12) << c.text;
  }
}

TEST(ParseFitsDate, RefusesWhatIsNotADate) {
  for (const char* text : {"", "   ", "2014", "2014-1-01", "2014-13-01", "2014-00-10", "2014-02-30", "2023-02-29",
                           "1900-02-29", "2014-04-31", "2014-01-01T24:00:00", "2014-01-01T10:60", "2014-01-01T10",
                           "2014-01-01T10:00:61", "2014-01-01T10:00:00.", "2014-01-01T10:00:00.5x",
                           "2014-01-01X10:00", "2014-01/01", "32/01/99", "17-05-93", "yesterday", "2014-01-01T",
                           "2014-01-01T1:00:00", "-2014-01-01"}) {
    ObservationTime t;
    bool hasTime = false;
    EXPECT_FALSE(ParseFitsDate(text, t, hasTime)) << text;
  }
}

TEST(HeaderObservationTime, DateTimeKeywordsAndWhatIsMissing) {
  const struct {
    const char* name;
    PictureHeader h;
    bool ok;
    int y, m, d;
    double hours;
    const char* problem;
  } cases[] = {
      {"DATE-OBS", Cards({{"DATE-OBS", "2014-01-01T10:30:00"}}), true, 2014, 1, 1, 10.5, ""},
      {"DATE_OBS", Cards({{"DATE_OBS", "2014-01-01T10:30:00"}}), true, 2014, 1, 1, 10.5, ""},
      {"DATE-OBS before DATE_OBS", Cards({{"DATE_OBS", "2000-01-01T00:00"}, {"DATE-OBS", "2014-01-01T10:30"}}), true,
       2014, 1, 1, 10.5, ""},
      {"DATE-OBS with TIME-OBS", Cards({{"DATE-OBS", "2003-05-17"}, {"TIME-OBS", "07:45:36.0"}}), true, 2003, 5, 17,
       7.76, ""},
      {"old date with TIME_OBS", Cards({{"DATE-OBS", "17/05/93"}, {"TIME_OBS", "07:45"}}), true, 1993, 5, 17, 7.75,
       ""},
      {"a time in DATE-OBS wins over TIME-OBS", Cards({{"DATE-OBS", "2003-05-17T08:00"}, {"TIME-OBS", "07:45"}}),
       true, 2003, 5, 17, 8, ""},
      // Hours are kept to 0.001 h: 23:59:59 rounds to 24.000 and goes on
      // to the next day, month and year.
      {"rounding into the next year", Cards({{"DATE-OBS", "2003-12-31T23:59:59"}}), true, 2004, 1, 1, 0, ""},
      {"rounding into 29 February", Cards({{"DATE-OBS", "2024-02-28T23:59:59.5"}}), true, 2024, 2, 29, 0, ""},
      // A leap second at midnight is the next day's first moment.
      {"a leap second", Cards({{"DATE-OBS", "2016-12-31T23:59:60.9"}}), true, 2017, 1, 1, 0, ""},
      {"no date", Cards({{"TIME-OBS", "07:45"}}), false, 0, 0, 0, 0, "no date of observation (DATE-OBS)"},
      {"unreadable date", Cards({{"DATE-OBS", "17.5.2003"}}), false, 0, 0, 0, 0,
       "the date DATE-OBS '17.5.2003' cannot be read"},
      {"a day without a time", Cards({{"DATE_OBS", "2003-05-17"}}), false, 0, 0, 0, 0,
       "DATE_OBS '2003-05-17' gives no time of day, and there is no TIME-OBS"},
      {"unreadable time", Cards({{"DATE-OBS", "2003-05-17"}, {"TIME-OBS", "7h45"}}), false, 0, 0, 0, 0,
       "the time TIME-OBS '7h45' cannot be read"},
  };
  for (const auto& c : cases) {
    ObservationTime t;
    std::string problem;
    ASSERT_EQ(HeaderObservationTime(c.h, t, problem), c.ok) << c.name << ": " << problem;
    EXPECT_EQ(problem, c.problem) << c.name;
    if (!c.ok) continue;
    EXPECT_EQ(t.year, c.y) << c.name;
    EXPECT_EQ(t.month, c.m) << c.name;
    EXPECT_EQ(t.day, c.d) << c.name;
    EXPECT_NEAR(t.hours, c.hours, 1e-12) << c.name;
  }
}

}  // namespace
}  // namespace pelorin
