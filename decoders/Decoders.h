// Picture decoders that need a library of their own (CFITSIO, OpenJPEG,
// libjpeg-turbo), kept apart from the core so that the program and
// pelorin-cli read the same pictures, the CLI without Qt.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files/PictureHeader.h"

namespace pelorin::decoders {

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
};

// Reads a BMP, JPEG, FITS (also gzip-compressed) or JPEG 2000 file, decided
// by its content. On failure returns false, leaves `out` empty and says in
// `error` what is wrong with the file.
bool ReadPicture(const std::string& path, DecodedPicture& out, std::string& error);

}  // namespace pelorin::decoders
