#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "formats/Jp2XmlHeader.h"

namespace pelorin {
namespace {

using Cards = std::vector<std::pair<std::string, std::string>>;

Cards Of(const PictureHeader& h) {
  Cards c;
  for (const HeaderCard& card : h.cards) c.emplace_back(card.keyword, card.value);
  return c;
}

TEST(ParseJp2XmlHeader, ReadsTheKeywordsOfTheFitsElement) {
  const struct {
    const char* name;
    std::string xml;
    Cards cards;
  } cases[] = {
      {"a Helioviewer box",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<meta>\n  <fits>\n    <SIMPLE>1</SIMPLE>\n"
       "    <DATE-OBS>2014-01-01T00:00:07.34</DATE-OBS>\n    <CDELT1>0.600000</CDELT1>\n  </fits>\n"
       "  <helioviewer><HV_ROTATION>0</HV_ROTATION></helioviewer>\n</meta>\n",
       {{"SIMPLE", "1"}, {"DATE-OBS", "2014-01-01T00:00:07.34"}, {"CDELT1", "0.600000"}}},
      {"the fits element as root, blanks around values kept off",
       "<fits><TELESCOP>\n  SDO/AIA \t</TELESCOP><DATE_OBS>2014-01-01</DATE_OBS></fits>",
       {{"TELESCOP", "SDO/AIA"}, {"DATE_OBS", "2014-01-01"}}},
      {"entities and character references",
       "<meta><fits><OBSERVER>A &amp; B &lt;x&gt; &quot;q&quot; &apos;s&apos; &#65;&#x42; &#xE9;</OBSERVER>"
       "</fits></meta>",
       {{"OBSERVER", "A & B <x> \"q\" 's' AB \xC3\xA9"}}},
      {"an unknown entity and a bare ampersand stay as written",
       "<fits><A>&nbsp; x & y &#xD800; &#1114112;</A></fits>", {{"A", "&nbsp; x & y &#xD800; &#1114112;"}}},
      {"attributes, comments, CDATA, lower-case names",
       "<!DOCTYPE meta [<!ENTITY big \"x\">]><meta a='1'><!-- c > --><FITS version=\"3\">"
       "<date-obs type=\"string\">2011-06-07</date-obs><COMMENT><![CDATA[a <b> &amp;]]></COMMENT>"
       "<BLANK/><BLANK2 x=\"1\" /></FITS></meta>",
       {{"DATE-OBS", "2011-06-07"}, {"COMMENT", "a <b> &amp;"}, {"BLANK", ""}, {"BLANK2", ""}}},
      {"repeated keywords kept in order", "<fits><HISTORY>one</HISTORY><HISTORY>two</HISTORY></fits>",
       {{"HISTORY", "one"}, {"HISTORY", "two"}}},
      {"elements holding elements and names that are not keywords are passed over",
       "<fits><GROUP><INNER>1</INNER></GROUP><a.b>2</a.b><ns:C>3</ns:C><OK>4</OK></fits>", {{"OK", "4"}}},
      {"the first fits element, found at depth",
       "<meta><other><fits><A>1</A></fits></other><fits><B>2</B></fits></meta>", {{"A", "1"}}},
      {"what follows the fits element is not read", "<meta><fits><A>1</A></fits><broken", {{"A", "1"}}},
      {"byte-order mark and NUL padding", std::string("\xEF\xBB\xBF<fits><A>1</A></fits>\0\0\0", 27),
       {{"A", "1"}}},
      {"an empty fits element", "<meta><fits/></meta>", {}},
  };
  for (const auto& c : cases) {
    PictureHeader h;
    std::string error;
    ASSERT_TRUE(ParseJp2XmlHeader(c.xml, h, error)) << c.name << ": " << error;
    EXPECT_EQ(Of(h), c.cards) << c.name;
  }
}

TEST(ParseJp2XmlHeader, RefusesWhatIsNotWellFormed) {
  const struct {
    const char* name;
    std::string xml;
    std::string error;
  } cases[] = {
      {"empty", "", "the XML header has no <fits> element"},
      {"no fits element", "<meta><helioviewer/></meta>", "the XML header has no <fits> element"},
      {"garbage", "\x01\x02 not xml at all", "the XML header has no <fits> element"},
      {"cut inside the fits element", "<meta><fits><A>1</A><B>2", "the XML header ends inside <B>"},
      {"mismatched end tag", "<meta>\n<fits>\n<A>1</B>\n</fits></meta>", "line 3: </B> closes <A>"},
      {"end tag closing nothing", "</fits>", "line 1: </fits> closes no element"},
      {"cut start tag", "<meta><fits><A", "line 1: <A without its end"},
      {"attribute without value", "<fits a><A>1</A></fits>", "line 1: attribute a without a value"},
      {"attribute without quotes", "<fits a=1><A>1</A></fits>", "line 1: attribute a without a quoted value"},
      {"attribute cut", "<fits a=\"1><A>1</A></fits>", "line 1: attribute a without its end"},
      {"a '<' that starts nothing", "<fits>\n\n< A>1</A></fits>", "line 3: '<' that starts no element"},
      {"comment cut", "<fits><!-- x", "line 1: comment without its end"},
      {"CDATA cut", "<fits><A><![CDATA[x", "line 1: CDATA section without its end"},
      {"declaration cut", "<!DOCTYPE x [ <!ENTITY a \">\"> ", "line 1: declaration without its end"},
  };
  for (const auto& c : cases) {
    PictureHeader h;
    h.cards.push_back({"KEEP", "me"});
    std::string error;
    EXPECT_FALSE(ParseJp2XmlHeader(c.xml, h, error)) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    ASSERT_EQ(h.cards.size(), 1u) << c.name << ": the header is left as it was";
  }
}

TEST(ParseJp2XmlHeader, DeepNestingAndLongTextsStayLinear) {
  // 100000 nested elements and a value of a million characters: no recursion,
  // no quadratic work.
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  deep += "<fits><A>" + std::string(1000000, 'x') + "</A></fits>";
  PictureHeader h;
  std::string error;
  ASSERT_TRUE(ParseJp2XmlHeader(deep, h, error)) << error;
  ASSERT_EQ(h.cards.size(), 1u);
  EXPECT_EQ(h.cards[0].value.size(), 1000000u);
}

}  // namespace
}  // namespace pelorin
