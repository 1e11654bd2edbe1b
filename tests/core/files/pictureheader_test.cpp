#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/Jp2XmlHeader.h"
#include "base/PictureHeader.h"

namespace pelorin {
namespace {

using Cards = std::vector<std::pair<std::string, std::string>>;

PictureHeader Of(const Cards& cards) {
  PictureHeader h;
  for (const auto& [k, v] : cards) h.cards.push_back({k, v});
  return h;
}

Cards Of(const PictureHeader& h) {
  Cards c;
  for (const HeaderCard& card : h.cards) c.emplace_back(card.keyword, card.value);
  return c;
}

TEST(JoinContinuedStrings, JoinsTheCardsOfALongString) {
  const struct {
    const char* name;
    Cards in, out;
  } cases[] = {
      {"two parts", {{"OBSERVAT", "Solar Dynamics Obs&"}, {"CONTINUE", "  'ervatory'"}},
       {{"OBSERVAT", "Solar Dynamics Observatory"}}},
      {"three parts, the last empty, with comments",
       {{"A", "1"}, {"OBSERVAT", "Solar &"}, {"CONTINUE", "  'Dynamics &' / part two"},
        {"CONTINUE", "  '' / the end"}, {"B", "2"}},
       {{"A", "1"}, {"OBSERVAT", "Solar Dynamics"}, {"B", "2"}}},
      {"doubled quotes; a part's leading blanks kept, trailing blanks dropped",
       {{"P", "it&"}, {"CONTINUE", "  '''s O''Brien''s   &'"}, {"CONTINUE", "'   x   '"}},
       {{"P", "it's O'Brien's      x"}}},
      {"an ampersand with nothing after it stays", {{"P", "A & B &"}, {"Q", "1"}}, {{"P", "A & B &"}, {"Q", "1"}}},
      {"a part without an ampersand ends the string",
       {{"P", "one&"}, {"CONTINUE", "'two'"}, {"CONTINUE", "'three'"}}, {{"P", "onetwo"}}},
      {"an empty part ends it even after a doubled ampersand", {{"P", "a&&"}, {"CONTINUE", "''"}, {"CONTINUE", "'b'"}},
       {{"P", "a&"}}},
      {"CONTINUE that continues nothing is dropped", {{"CONTINUE", "'x'"}, {"A", "1"}, {"CONTINUE", "'y'"}},
       {{"A", "1"}}},
      {"an unquoted part (an XML box) taken whole, trimmed", {{"P", "ab&"}, {"CONTINUE", "  c d / e  "}},
       {{"P", "abc d / e"}}},
      {"a quote never closed: the rest of the card", {{"P", "ab&"}, {"CONTINUE", "  'cd  "}}, {{"P", "abcd"}}},
      {"a blank CONTINUE", {{"P", "ab&"}, {"CONTINUE", "   "}}, {{"P", "ab"}}},
      {"no CONTINUE: unchanged", {{"A", "1"}, {"A", "2"}}, {{"A", "1"}, {"A", "2"}}},
  };
  for (const auto& c : cases) {
    PictureHeader h = Of(c.in);
    JoinContinuedStrings(h);
    EXPECT_EQ(Of(h), c.out) << c.name;
  }
}

TEST(JoinContinuedStrings, TheXmlBoxOfAJpeg2000PictureIsJoinedToo) {
  PictureHeader h;
  std::string error;
  ASSERT_TRUE(ParseJp2XmlHeader("<meta><fits><OBSERVAT>Solar &amp;</OBSERVAT><CONTINUE>'Dynamics &amp;'</CONTINUE>"
                                "<CONTINUE>Observatory</CONTINUE><DATE-OBS>2014-01-01</DATE-OBS></fits></meta>",
                                h, error))
      << error;
  EXPECT_EQ(Of(h), (Cards{{"OBSERVAT", "Solar Dynamics Observatory"}, {"DATE-OBS", "2014-01-01"}}));
}

}  // namespace
}  // namespace pelorin
