// The XML box of a JPEG 2000 picture read into FITS keyword cards, then
// interpreted as a header. Whatever the bytes, the reader gives well-formed
// cards or says what is wrong, leaves the header alone on failure, and
// never crashes or hangs.
// run-fuzz: -max_len=16384
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "formats/HeaderCalibration.h"
#include "formats/Jp2XmlHeader.h"

using namespace pelorin;

namespace {

bool KeywordChars(const std::string& k) {
  if (k.empty() || k.size() > 70) return false;
  for (char c : k)
    if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_')) return false;
  return true;
}

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 65536) return 0;
  const std::string xml = fuzz::Text(data, size);
  PictureHeader h;
  h.cards.push_back({"BEFORE", "1"});
  std::string error;
  if (!ParseJp2XmlHeader(xml, h, error)) {
    fuzz::Check(!error.empty(), "refused without saying why");
    fuzz::Check(h.cards.size() == 1 && h.cards[0].keyword == "BEFORE", "the header was changed on failure");
    return 0;
  }
  for (const HeaderCard& c : h.cards) {
    fuzz::Check(KeywordChars(c.keyword), "keyword \"" + c.keyword + "\"");
    fuzz::Check(c.value.empty() || (!Blank(c.value.front()) && !Blank(c.value.back())),
                "value with blanks at its ends: \"" + c.value + "\"");
    fuzz::Check(c.value.size() <= xml.size(), "a value longer than the box");
  }
  HeaderCalibration cal;
  std::string missing;
  if (!CalibrateFromHeader(h, 1024, 1024, cal, missing)) fuzz::Check(!missing.empty(), "refused without saying why");
  return 0;
}
