// Picture decoders that need a library of their own (CFITSIO, OpenJPEG,
// libjpeg-turbo), kept apart from the core so that the program and
// pelorin-cli read the same pictures, the CLI without Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "base/Brightness.h"
#include "base/RasterPicture.h"
#include "base/PictureHeader.h"
#include "measure/SpotBatch.h"
#include "spots/Spots.h"

namespace pelorin::decoders {

enum class PictureKind { Unknown, Bmp, Jpeg, Fits, Jpeg2000 };

// "BMP", "JPEG", "FITS", "JPEG 2000", "unknown".
const char* KindName(PictureKind k);

struct DecodedPicture {
  int width = 0, height = 0;
  // width x height pixels, 0xFFRRGGBB, top row first, as the picture is shown.
  std::vector<std::uint32_t> argb;
  // FITS keywords (FITS files, the XML box of JPEG 2000 files); empty for
  // other pictures.
  PictureHeader header;
  // Something to tell the user once the picture is open (a cube shown by its
  // first plane); empty when there is nothing.
  std::string note;
  // What the file is.
  PictureKind kind = PictureKind::Unknown;
  // Pictures of measured data (FITS; JPEG 2000 with one grey component):
  // the data on their levels (top row first, as shown); `argb` is then
  // their grey under the linear scale. Empty for other pictures.
  DataLevels levels;
};

// The kind of picture a file holds, from its first bytes: BMP ("BM"), JPEG
// (FF D8 FF), FITS ("SIMPLE  =", also gzip-compressed: a gzip file counts as
// FITS), JPEG 2000 (the JP2 signature box, or a bare codestream FF 4F FF 51).
// Unknown when the file cannot be read or is none of these (PNG, TIFF, text).
PictureKind SniffPicture(const std::string& path);

// Whether the name ends like a FITS or JPEG 2000 file (.fits .fit .fts, the
// same with .gz, .jp2, .j2k; any case): such files are read here even when
// their content is not what the name says, so that the message says so.
bool HasDataPictureName(const std::string& path);

// Reads a BMP, JPEG, FITS (also gzip-compressed) or JPEG 2000 file, decided
// by its content. On failure returns false, leaves `out` empty and says in
// `error` what is wrong with the file. The size a header claims is checked
// (CheckPictureSize) before memory is set aside for the pixels.
//  - FITS: the first HDU holding an image of 2 or more axes (primary or
//    extension, tile-compressed included); of a cube, its first plane (with
//    a note). BZERO, BSCALE and BLANK are applied; NaN and BLANK pixels have
//    no value (shown black). Array pixel (i, j) is picture pixel
//    (i, NAXIS2 - 1 - j). The header holds the HDU's cards (for a
//    tile-compressed image, those of the image it holds: BITPIX, NAXIS and
//    NAXISn first, then the other cards without the compression's own).
//  - JPEG 2000: shown as decoded, first row at the top; one component is
//    data, three or more are colour. The header comes from the file's XML
//    box (ParseJp2XmlHeader); a file without one has an empty header, a box
//    that cannot be read gives a note.
//  - Data with no finite value at all is refused.
bool ReadPicture(const std::string& path, DecodedPicture& out, std::string& error);

struct ReadOptions {
  // false: pictures of data get their levels only, `argb` stays empty (for a
  // caller that shows the levels itself: less memory and time).
  bool greyOfData = true;
};
bool ReadPicture(const std::string& path, DecodedPicture& out, std::string& error, const ReadOptions& options);

// ReadPicture into `picture`: its pixels (from the data levels, under the
// picture's brightness scale, when there are levels), header and note. On
// failure returns false with `error` set and the picture as it was.
bool LoadInto(const std::string& path, RasterPicture& picture, std::string& error);

// The grey levels the spot finder searches of a decoded picture: a picture
// of measured data by its data levels, any other by (R + G + B) / 3.
GreyPicture GreyOfDecoded(const DecodedPicture& picture);

// Reads the picture at `path` as the spot batch searches it (a PictureReader
// of measure/SpotBatch.h): its grey levels (GreyOfDecoded; a picture of data
// read for its levels only) and its header. False with `error` as
// ReadPicture. Safe to call from several threads at once.
bool ReadBatchPicture(const std::string& path, BatchPicture& out, std::string& error);

// The core's in-memory picture reading every kind the decoders read (for
// the CLI and tests; the program's picture reads PNG and TIFF through Qt
// as well).
class DecodedRasterPicture : public RasterPicture {
 public:
  bool Load(const std::string& path, std::string& error) override { return LoadInto(path, *this, error); }
};

// The readers ReadPicture chooses from, for callers that know the kind. The
// same contract.
bool ReadFits(const std::string& path, DecodedPicture& out, std::string& error, const ReadOptions& options = {});
bool ReadJpeg2000(const std::string& path, DecodedPicture& out, std::string& error,
                  const ReadOptions& options = {});
bool ReadJpeg(const std::string& path, DecodedPicture& out, std::string& error);

// The `xml ` box of a JP2 file's top level (its text), or "" when the file
// has none. False with `error` for a box structure that runs past the end of
// the file.
bool FindJp2XmlBox(const std::string& bytes, std::string& xml, std::string& error);

}  // namespace pelorin::decoders
