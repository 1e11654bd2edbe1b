#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestApp.h"
#include "formats/Soho.h"

namespace pelorin {
namespace {

using test::TempFolder;
using test::WriteAll;

// Key: 3 unread characters, yyyymmdd, 1 unread, hhmmss (18 characters).
const std::string kKey = "efz20030517.074512";
const std::string kOtherKey = "efz20030518.000000";

// A nameconv.txt line: the key, 6 unread characters, the picture name less
// its extension at 25 to 32, then anything.
std::string NameLine(const std::string& key, const std::string& base) { return key + " 1024 " + base + " fits"; }

// A catalog.txt entry: "&#", 8 unread lines, the number lines, then 20
// lines of which the last is `keyLine`.
std::string Entry(const std::vector<std::string>& numberLines, const std::string& keyLine) {
  std::string e = "&#\r\n";
  for (int i = 1; i <= 8; ++i) e += "header " + std::to_string(i) + "\r\n";
  for (const auto& l : numberLines) e += l + "\r\n";
  for (int i = 1; i <= 19; ++i) e += "field " + std::to_string(i) + "\r\n";
  return e + keyLine + "\r\n";
}

struct Folder {
  TempFolder dir;
  std::string path() const { return dir.path().string(); }
};

TEST(SohoLookup, FindsDateTimeAndDisc) {
  const struct {
    const char* name;
    std::string nameconv, catalog;
    double x0, y0, rk, B0;
  } cases[] = {
      {"numbers on one line", NameLine(kKey, "soho1234") + "\r\n", Entry({"512.5,510.25,401.75,-2.5"}, kKey), 512.5,
       510.25, 401.75, -2.5},
      {"numbers on separate lines", NameLine(kKey, "soho1234") + "\r\n",
       Entry({"512.5", "510.25", "401.75", "-2.5"}, kKey), 512.5, 510.25, 401.75, -2.5},
      {"numbers across lines, blanks around", NameLine(kKey, "soho1234") + "\r\n",
       Entry({" 512.5 , 510.25", "401.75,  -2.5"}, kKey), 512.5, 510.25, 401.75, -2.5},
      // Source: the catalogue rule: of two entries with one key the first wins.
      {"first of two entries wins", NameLine(kKey, "soho1234") + "\r\n",
       "junk\r\n" + Entry({"1,2,3,4"}, kOtherKey) + Entry({"10,20,30,1"}, kKey) + Entry({"11,21,31,2"}, kKey), 10, 20,
       30, 1},
      // Source: the catalogue rule: the key line is compared whole, so a key
      // line with trailing spaces does not match.
      {"trailing spaces do not match", NameLine(kKey, "soho1234") + "\r\n",
       Entry({"1,2,3,4"}, kKey + "  ") + Entry({"10,20,30,1"}, kKey), 10, 20, 30, 1},
      {"first nameconv line wins", NameLine(kKey, "soho1234") + "\r\n" + NameLine(kOtherKey, "soho1234") + "\r\n",
       Entry({"1,2,3,4"}, kOtherKey) + Entry({"10,20,30,1"}, kKey), 10, 20, 30, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f;
    WriteAll(f.dir.File("nameconv.txt"), "other line\r\n" + c.nameconv);
    WriteAll(f.dir.File("catalog.txt"), c.catalog);
    SohoEntry e;
    std::string error;
    ASSERT_TRUE(SohoLookup(f.path(), "soho1234.jpg", e, error)) << error;
    EXPECT_EQ(error, "");
    EXPECT_EQ(e.key, kKey);
    EXPECT_EQ(e.year, 2003);
    EXPECT_EQ(e.month, 5);
    EXPECT_EQ(e.day, 17);
    EXPECT_NEAR(e.timeUT, 7 + 45 / 60.0 + 12 / 3600.0, 1e-12);  // 07:45:12 UT
    EXPECT_EQ(e.x0, c.x0);
    EXPECT_EQ(e.y0, c.y0);
    EXPECT_EQ(e.rk, c.rk);
    EXPECT_EQ(e.B0, c.B0);
    // The text forms the lookup is made of find the same.
    std::string key;
    ASSERT_TRUE(SohoNameKey("other line\r\n" + c.nameconv, "soho1234.jpg", key));
    SohoEntry t;
    ASSERT_TRUE(SohoCatalogEntry(c.catalog, key, t));
    EXPECT_EQ(t.key, e.key);
    EXPECT_EQ(t.timeUT, e.timeUT);
    EXPECT_EQ(t.x0, e.x0);
    EXPECT_EQ(t.B0, e.B0);
  }
}

TEST(SohoLookup, ReportsWhatWasNotFound) {
  const std::string goodNames = NameLine(kKey, "soho1234") + "\r\n";
  const std::string goodCatalog = Entry({"1,2,3,4"}, kKey);
  const struct {
    const char* name;
    const char* picture;
    const char* nameconv;  // nullptr: no file
    std::string nameconvText;
    const char* catalog;
    std::string catalogText;
    std::vector<std::string> inError;
  } cases[] = {
      {"no nameconv.txt", "soho1234.jpg", nullptr, "", "catalog.txt", goodCatalog, {"nameconv.txt"}},
      {"no catalog.txt", "soho1234.jpg", "nameconv.txt", goodNames, nullptr, "", {"catalog.txt"}},
      {"name not listed", "soho9999.jpg", "nameconv.txt", goodNames, "catalog.txt", goodCatalog,
       {"nameconv.txt", "soho9999"}},
      {"name compared case-sensitively", "SOHO1234.jpg", "nameconv.txt", goodNames, "catalog.txt", goodCatalog,
       {"nameconv.txt", "SOHO1234"}},
      {"name longer than 8 characters", "soho12345.jpg", "nameconv.txt", goodNames, "catalog.txt", goodCatalog,
       {"nameconv.txt"}},
      {"key not in the catalogue", "soho1234.jpg", "nameconv.txt", goodNames, "catalog.txt",
       Entry({"1,2,3,4"}, kOtherKey), {"catalog.txt", kKey}},
      {"catalogue ends inside an entry", "soho1234.jpg", "nameconv.txt", goodNames, "catalog.txt",
       "&#\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n1,2,3,4\r\n" + kKey + "\r\n", {"catalog.txt", kKey}},
      {"catalogue ends inside the numbers", "soho1234.jpg", "nameconv.txt", goodNames, "catalog.txt",
       "&#\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n1,2,3", {"catalog.txt"}},
      {"empty catalogue", "soho1234.jpg", "nameconv.txt", goodNames, "catalog.txt", "", {"catalog.txt"}},
      {"no name before the extension", ".jpg", "nameconv.txt", goodNames, "catalog.txt", goodCatalog, {".jpg"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Folder f;
    if (c.nameconv) WriteAll(f.dir.File(c.nameconv), c.nameconvText);
    if (c.catalog) WriteAll(f.dir.File(c.catalog), c.catalogText);
    SohoEntry e;
    e.x0 = 77;
    std::string error;
    EXPECT_FALSE(SohoLookup(f.path(), c.picture, e, error));
    for (const auto& part : c.inError) EXPECT_NE(error.find(part), std::string::npos) << error;
    EXPECT_EQ(e.x0, 77);  // untouched
  }
}

}  // namespace
}  // namespace pelorin
