#include "base/PictureHeader.h"

namespace pelorin {
namespace {

// The string of a CONTINUE card's value (see JoinContinuedStrings).
std::string ContinuedText(std::string_view raw) {
  const std::size_t start = raw.find_first_not_of(" \t");
  if (start == std::string_view::npos) return "";
  std::string text;
  if (raw[start] != '\'') {
    const std::size_t end = raw.find_last_not_of(" \t\r\n");
    return std::string(raw.substr(start, end + 1 - start));
  }
  for (std::size_t i = start + 1; i < raw.size(); ++i) {
    if (raw[i] == '\'') {
      if (i + 1 < raw.size() && raw[i + 1] == '\'') {
        text += '\'';
        ++i;
        continue;
      }
      break;
    }
    text += raw[i];
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

}  // namespace

void JoinContinuedStrings(PictureHeader& header) {
  std::vector<HeaderCard> joined;
  joined.reserve(header.cards.size());
  bool open = false;  // the last card kept ends in an '&' that may lead on
  for (HeaderCard& card : header.cards) {
    if (card.keyword != "CONTINUE") {
      open = !card.value.empty() && card.value.back() == '&';
      joined.push_back(std::move(card));
      continue;
    }
    if (!open) continue;
    std::string& value = joined.back().value;
    value.pop_back();
    const std::string part = ContinuedText(card.value);
    value += part;
    open = !part.empty() && part.back() == '&';
    if (!open)
      while (!value.empty() && value.back() == ' ') value.pop_back();
  }
  header.cards = std::move(joined);
}

}  // namespace pelorin
