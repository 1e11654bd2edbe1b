// The leading-number conversion and the text forms of numbers: any text
// gives a finite number, and the forms the program writes read back as the
// value they were written from.
#include <cmath>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "FuzzSupport.h"
#include "base/Text.h"

using namespace pelorin;

namespace {

// Whether `back` is `value` to the 15 significant digits of the general form.
bool SameTo15Digits(double value, double back) { return std::fabs(back - value) <= 1e-14 * std::fabs(value); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 4096) return 0;
  const std::string text = fuzz::Text(data, size);
  const double v = LeadingNumber(text);
  fuzz::Check(std::isfinite(v), "LeadingNumber gave a non-finite value for \"" + text + "\"");

  const std::string general = NumberText(v);
  fuzz::Check(SameTo15Digits(v, LeadingNumber(general)), "NumberText(" + general + ") does not read back");
  // The text typed after the number does not change it, nor blanks before it.
  fuzz::Check(LeadingNumber("  " + general + ",x") == LeadingNumber(general), "blanks or a comma change " + general);

  const double single = LeadingNumber(SingleText(v));
  fuzz::Check(std::isfinite(single) || std::fabs(v) > 3e38, "SingleText of " + general + " reads back non-finite");

  for (int decimals = 0; decimals <= 15; ++decimals) {
    const double r = RoundHalfEven(v, decimals);
    fuzz::Check(std::isfinite(r), "RoundHalfEven gave a non-finite value for " + general);
    // At most half a unit of the last place kept, up to the precision of v.
    const double unit = std::pow(10.0, -decimals);
    fuzz::Check(std::fabs(r - v) <= 0.5 * unit * (1 + 1e-9) + 4e-16 * std::fabs(v),
                "RoundHalfEven(" + general + ", " + std::to_string(decimals) + ") = " + NumberText(r));
  }
  const std::string fixed = FixedText(v, 2, 2);
  fuzz::Check(std::fabs(LeadingNumber(fixed) - v) <= 0.005 * (1 + 1e-9) + 4e-16 * std::fabs(v),
              "FixedText(" + general + ") = " + fixed);
  try {
    const std::int16_t i = ToInt16(v);
    fuzz::Check(std::fabs(i - v) <= 0.5, "ToInt16(" + general + ") = " + std::to_string(i));
  } catch (const std::overflow_error&) {
    fuzz::Check(!(v > -32768.5 && v < 32767.5), "ToInt16 refused " + general);
  }

  // The column cuts of the file readers never fail, whatever the positions.
  if (size >= 2) {
    const std::string cut = Mid(text, data[0], data[1]);
    fuzz::Check(cut.size() <= data[1], "Mid returned too much");
    fuzz::Check(Left(text, data[0]).size() <= data[0] && Right(text, data[1]).size() <= data[1],
                "Left or Right returned too much");
  }
  return 0;
}
