// Data files as the tests write them and expect them back: a picture of
// 17 May 2003, 07:45 UT, with B0, L0 and rho0 of that morning as the program
// writes them, in the layout of the data file, CR LF line ends. Header only.
#pragma once

#include <string>
#include <vector>

namespace pelorin::test {

// Lines 1 to 11: the two note lines, `version` ("v2.0"), the picture line,
// the date and time, P (`P` as written), B0, L0, rho0 and `typeWord`.
inline std::string DataFileHeader(const std::string& version, const std::string& picture,
                                  const std::string& typeWord = "scan", const std::string& P = "-21.4512") {
  return "Note: Data format: \"name\", B, CMD, L\r\n"
         "B, CMD and L are expresed in degrees.\r\n" +
         version + "\r\nPicture: " + picture +
         "\r\n"
         "\"Date (day, month, year): \",17,5,2003\r\n"
         "\"Time (UT): \",7.75\r\n"
         "\"P=\"," +
         P +
         "\r\n"
         "\"B0=\",-2.3317\r\n"
         "\"L0=\",113.0527\r\n"
         "\"rho0=\",1.011316\r\n" +
         typeWord + "\r\n";
}

// A whole data file: that header, the disc line "512,498,400", the
// orientation line "12.5", then `records` (whole lines, CR LF each).
inline std::string DataFile(const std::string& version, const std::string& typeWord, const std::string& P,
                            const std::vector<std::string>& records, const std::string& picture = "x.jpg") {
  std::string f = DataFileHeader(version, picture, typeWord, P) + "512,498,400\r\n12.5\r\n";
  for (const std::string& r : records) f += r + "\r\n";
  return f;
}

}  // namespace pelorin::test
