// FITS and JPEG 2000 test pictures of the solar disc with known headers.
//
// Two levels:
//  - WriteFits / WriteJp2: any layout (BITPIX, axes, compression, extension,
//    BZERO/BSCALE/BLANK, a cube, a 1-D array) with the cards given, for the
//    readers' and the header interpretation's tests;
//  - SolarFits: a full-disc picture whose WCS header is built from a few
//    numbers (CRPIX, CRVAL, CDELT, CUNIT, the rotation as CROTA2, a PC or a
//    CD matrix, RSUN_OBS, DSUN_OBS, HGLT_OBS, CRLN_OBS, DATE-OBS), written as
//    FITS (WriteSolarFits) or as a Helioviewer-like JPEG 2000 file with the
//    cards in its XML box (WriteSolarJp2).
//
// Pixel coordinates: header pixels (CRPIX) count from 1 with row 1 at the
// bottom, as in FITS; picture pixel (x, y) of the program (from 0, y
// downwards) is header pixel (x + 1, height - y). Pixel values are given
// top row first, as the program shows them, unless said otherwise.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/PictureHeader.h"

namespace pelorin::gen {

// One header card. `text` values are written quoted ('2014-01-01T00:00:07'),
// others as they are (numbers, T/F).
struct FitsCard {
  std::string keyword;
  std::string value;
  bool text = false;
};

// The card as 80 characters ("KEYWORD = value"). Throws
// std::invalid_argument for a keyword longer than 8 characters or a value
// that does not fit.
std::string FormatCard(const FitsCard& card);

// A primary header made of `cards` as they are (no card added but END),
// padded to whole 2880-byte blocks: for files that lie in their header (a
// claim of 200000 x 200000 pixels) or are cut short.
std::string RawFitsHeader(const std::vector<FitsCard>& cards);

enum class FitsCompression { None, Rice, Gzip };

struct FitsLayout {
  int bitpix = -32;                     // 8, 16, 32, 64, -32, -64
  std::vector<long long> axes = {64, 64};  // NAXIS1, NAXIS2, ... (one axis: a 1-D array)
  FitsCompression compression = FitsCompression::None;  // tile-compressed (in an extension)
  bool extension = false;               // an empty primary HDU, the image in the first extension
  // Integer BITPIX: stored value = round((value - bzero) / bscale); NaN is
  // stored as `blank` (which is then written as BLANK; without one NaN
  // becomes 0).
  double bzero = 0, bscale = 1;
  std::optional<long long> blank;
};

// Writes a FITS file: `values` hold every array value in the file's order
// (first axis fastest, the first row at the bottom of the picture), as many
// as the axes' product. The layout's structural cards (BITPIX, NAXIS, BZERO,
// BSCALE, BLANK) are written by CFITSIO, then `cards`; a text value longer
// than one card holds (68 characters) is written by CFITSIO as a long string
// continued on CONTINUE cards. Throws
// std::runtime_error naming the path and CFITSIO's message, or
// std::invalid_argument for a layout or value count that does not fit.
void WriteFits(const std::string& path, const FitsLayout& layout, const std::vector<FitsCard>& cards,
               const std::vector<double>& values);

// `top` (width x height values, top row first) in FITS order (bottom row
// first).
std::vector<double> FitsRowOrder(const std::vector<double>& top, int width, int height);

// A JPEG 2000 (JP2) file of one grey component with `precision` bits
// (1..16; values clamped to its range), encoded losslessly by OpenJPEG,
// with an `xml ` box holding `xml` right after the jp2h box when `xml` is
// not empty. `grey` is top row first. Throws std::runtime_error naming the
// path.
void WriteJp2(const std::string& path, int width, int height, const std::vector<std::uint16_t>& grey, int precision,
              const std::string& xml);
// The same with three 8-bit components (0xRRGGBB words, top row first).
void WriteJp2Rgb(const std::string& path, int width, int height, const std::vector<std::uint32_t>& rgb);

// A JPEG file of `argb` (0xAARRGGBB, top row first) at `quality` (1..100),
// as an archive serves its pictures, written by libjpeg-turbo (4:2:0 for
// colour, one component when every pixel is grey). Throws
// std::runtime_error naming the path.
void WriteJpeg(const std::string& path, int width, int height, const std::vector<std::uint32_t>& argb, int quality);

// The Helioviewer-style XML box text for the cards:
// <?xml version="1.0" encoding="UTF-8"?><meta><fits><KEY>value</KEY>...</fits>
// <helioviewer>...</helioviewer></meta>, with &, < and > escaped.
std::string HelioviewerXml(const std::vector<FitsCard>& cards);

enum class WcsRotation { None, Crota2, Pc, Cd };

// A full-disc observation and its header.
struct SolarFits {
  int width = 512, height = 512;
  std::string dateObs = "2014-01-01T00:00:07.340";  // DATE-OBS; empty: none written
  // Helioprojective longitude/latitude of header pixel (crpix1, crpix2), in
  // `cunit` (arcsec, arcmin, deg); the scale in `cunit` per pixel.
  double crpix1 = 256.5, crpix2 = 256.5;
  double crval1 = 0, crval2 = 0;
  double cdelt1 = 4.0, cdelt2 = 4.0;
  std::string cunit = "arcsec";
  // The picture's axes turned by `rotation_deg` against solar north (as
  // CROTA2, or PCi_j = [[cos, -sin], [sin, cos]], or CDi_j = CDELT x PC).
  WcsRotation rotation = WcsRotation::None;
  double rotation_deg = 0;
  bool solarXY = false;  // CTYPE "Solar-X"/"Solar-Y" instead of HPLN-TAN/HPLT-TAN
  double rsun_obs_arcsec = 975.3;  // RSUN_OBS; <= 0: not written
  double dsun_obs_m = 1.4710e11;   // DSUN_OBS; <= 0: not written
  double hglt_obs_deg = -3.0;      // HGLT_OBS (the observer's B0)
  double crln_obs_deg = 150.0;     // CRLN_OBS (the observer's L0)
  bool observer = true;            // write HGLT_OBS and CRLN_OBS
  // Written after the others (a keyword already written is replaced).
  std::vector<FitsCard> extra;
  // Keywords left out of the header.
  std::vector<std::string> omit;

  FitsLayout layout;  // its axes are set from width and height (and `planes`)
  int planes = 1;     // > 1: a cube of planes
};

// The header cards of the observation (TELESCOP, DATE-OBS, CTYPEi, CUNITi,
// CRPIXi, CRVALi, CDELTi, the rotation, RSUN_OBS, DSUN_OBS, HGLT_OBS,
// CRLN_OBS, then `extra`, without `omit`).
std::vector<FitsCard> SolarCards(const SolarFits& scene);

// Where the disc is drawn: centre (picture pixels) and radius (pixels),
// from the header by its linear part (CRPIX, CDELT, rotation; exact at the
// reference pixel, for the small fields of a full-disc picture within a
// fraction of a pixel elsewhere).
struct DiscPx {
  double x0 = 0, y0 = 0, r = 0;
};
DiscPx SolarDisc(const SolarFits& scene);

// The picture's values (top row first): a limb-darkened disc of about 3000
// counts over a background of 100, a small dark spot ring-free at 0.5 r
// west of the centre (picture +x). Values fit every BITPIX from 8 up when
// scaled by the layout's BZERO/BSCALE (BITPIX 8 is given values / 16).
std::vector<double> SolarValues(const SolarFits& scene);

// Writes the observation as FITS. Throws as WriteFits.
void WriteSolarFits(const std::string& path, const SolarFits& scene);
// Writes it as an 8-bit (or `precision`-bit) JPEG 2000 file with the
// header in its XML box. Throws as WriteJp2.
void WriteSolarJp2(const std::string& path, const SolarFits& scene, int precision = 8);

}  // namespace pelorin::gen
