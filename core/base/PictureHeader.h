// The header that came with a picture: FITS keyword cards, read from a FITS
// file's header or from the XML box of a JPEG 2000 file. What the cards mean
// (date, WCS, disc, observer) is worked out in the core; the decoders only
// collect them.
//
// Pixel coordinates in such a header (CRPIX1, CRPIX2) count from 1 with row 1
// at the bottom of the picture. The program's picture pixels count from 0
// with y downwards, so header pixel (p1, p2) is picture pixel
// (p1 - 1, height - p2), for FITS (whose first row is shown at the bottom) and
// for JPEG 2000 (shown as decoded, first row at the top) alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelorin {

struct HeaderCard {
  // Upper case, as in the file: "DATE-OBS", "CRPIX1".
  std::string keyword;
  // The value as text: a string without its quotes (doubled quotes made
  // single) and without trailing blanks; a number or logical as written.
  // A CONTINUE card holds the rest of its card as written (from column 9,
  // quotes and comment included) until JoinContinuedStrings has read it.
  std::string value;
};

struct PictureHeader {
  std::vector<HeaderCard> cards;  // in the order of the file

  bool Empty() const { return cards.empty(); }
  // The value of the first card with `keyword` (exact, upper case); nullptr
  // when there is none.
  const std::string* Find(std::string_view keyword) const {
    for (const HeaderCard& c : cards)
      if (c.keyword == keyword) return &c.value;
    return nullptr;
  }
};

// Joins long strings written with the CONTINUE convention: a string value
// whose last character is '&' goes on in the quoted string of the CONTINUE
// card that follows it, and so on while that part too ends with '&':
//   OBSERVAT= 'Solar Dynamics Obs&'
//   CONTINUE  'ervatory&'
//   CONTINUE  '' / a comment
// gives OBSERVAT "Solar Dynamics Observatory". Each '&' that leads on to a
// CONTINUE card is dropped; a string ending in '&' with no CONTINUE card
// after it keeps its '&'. A CONTINUE value is read as a FITS string (blanks,
// quote, text with doubled quotes made single, quote, then a comment that is
// passed over; trailing blanks of the text dropped, as they are of the
// joined string); one without an opening
// quote (as some XML boxes write it) is taken whole, trimmed. The joined
// CONTINUE cards leave the header; a CONTINUE card that continues nothing is
// dropped as well (it is commentary). Other cards keep their order.
void JoinContinuedStrings(PictureHeader& header);

}  // namespace pelorin
