// The XML box of a JPEG 2000 picture from the Helioviewer archive, which
// keeps the picture's FITS header with one element per keyword:
//   <meta><fits><DATE-OBS>2014-01-01T00:00:07.34</DATE-OBS>...</fits>...</meta>
#pragma once

#include <string>

#include "base/PictureHeader.h"

namespace pelorin {

// Reads the keyword cards of the first element named "fits" (any case, at
// any depth; the root may be that element itself). Each direct child of it
// that holds no elements of its own is one card:
// - keyword: the element name in upper case; names that are not FITS-like
//   (letters, digits, '-', '_', 1 to 70 characters) are passed over;
// - value: the element's text, with the character references and the five
//   predefined entities (&lt; &gt; &amp; &quot; &apos;) decoded, CDATA kept
//   as it is, and blanks (space, tab, CR, LF) at both ends removed. An
//   unknown entity stays as written. <X/> gives an empty value.
// Attributes, comments, processing instructions and a DOCTYPE are passed
// over (no entity of a DOCTYPE is ever expanded); a byte-order mark and the
// NUL bytes that pad some boxes are allowed. Reading stops where the fits
// element ends, so what follows it is not looked at.
// Returns true and replaces `out` (cards in the order of the box, repeated
// keywords kept, long strings continued on CONTINUE elements joined by
// JoinContinuedStrings). Returns false, with `out` unchanged and `error` saying
// what is wrong and on which line ("line 7: </fits> closes <DATE-OBS>";
// no file name), for a box that is not well formed up to the end of the
// fits element, or that has no fits element. Work and memory grow linearly
// with the size of the text.
bool ParseJp2XmlHeader(const std::string& xml, PictureHeader& out, std::string& error);

}  // namespace pelorin
