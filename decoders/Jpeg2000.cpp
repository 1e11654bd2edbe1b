// JPEG 2000 pictures through OpenJPEG, with the FITS header of their XML box.
#include <openjpeg.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "Decoders.h"
#include "formats/Jp2XmlHeader.h"
#include "base/PictureSize.h"

namespace pelorin::decoders {

namespace {

std::uint64_t Get32(const std::string& b, std::size_t at) {
  return (static_cast<std::uint64_t>(static_cast<unsigned char>(b[at])) << 24) |
         (static_cast<std::uint64_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
         (static_cast<std::uint64_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
         static_cast<std::uint64_t>(static_cast<unsigned char>(b[at + 3]));
}

// OpenJPEG's messages, collected for the error text.
void Collect(const char* msg, void* client) {
  std::string m = msg ? msg : "";
  while (!m.empty() && (m.back() == '\n' || m.back() == ' ')) m.pop_back();
  auto* text = static_cast<std::string*>(client);
  if (m.empty() || text->size() > 2000) return;
  if (!text->empty()) *text += "; ";
  *text += m;
}
void Ignore(const char*, void*) {}

struct Codec {
  opj_codec_t* codec = nullptr;
  opj_stream_t* stream = nullptr;
  opj_image_t* image = nullptr;
  ~Codec() {
    if (image) opj_image_destroy(image);
    if (codec) opj_destroy_codec(codec);
    if (stream) opj_stream_destroy(stream);
  }
};

// Scales a component's value to 0..255.
struct ToByte {
  int shift = 0, offset = 0;
  explicit ToByte(const opj_image_comp_t& c)
      : shift(static_cast<int>(c.prec) > 8 ? static_cast<int>(c.prec) - 8 : 0),
        offset(c.sgnd ? 1 << (std::max(1, static_cast<int>(c.prec)) - 1) : 0) {}
  std::uint32_t operator()(OPJ_INT32 v) const {
    const int s = (v + offset) >> shift;
    return static_cast<std::uint32_t>(std::clamp(s, 0, 255));
  }
};

// The boxes of the file before its codestream (the codestream itself is not
// read again), then FindJp2XmlBox on them.
bool XmlBoxOfFile(const std::string& path, std::string& xml, std::string& error) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  const auto size = static_cast<std::uint64_t>(std::max<std::streamoff>(0, in.tellg()));
  in.seekg(0);
  std::string boxes;
  std::uint64_t at = 0;
  while (in && at + 8 <= size) {
    std::string head(16, '\0');
    in.seekg(static_cast<std::streamoff>(at));
    in.read(head.data(), static_cast<std::streamsize>(std::min<std::uint64_t>(16, size - at)));
    std::uint64_t length = Get32(head, 0);
    const std::string type = head.substr(4, 4);
    if (length == 1) length = (Get32(head, 8) << 32) | Get32(head, 12);
    if (length == 0) length = size - at;
    if (type == "jp2c" || length < 8 || length > size - at || length > (std::uint64_t{64} << 20)) {
      boxes += head.substr(0, 8);  // FindJp2XmlBox stops there or says what is wrong
      break;
    }
    std::string box(static_cast<std::size_t>(length), '\0');
    in.seekg(static_cast<std::streamoff>(at));
    in.read(box.data(), static_cast<std::streamsize>(length));
    boxes += box;
    at += length;
  }
  // A cut box at the end: FindJp2XmlBox reports it; a codestream box is
  // given its true length so that it is not taken for a cut one.
  if (boxes.size() >= 8 && boxes.compare(boxes.size() - 4, 4, "jp2c") == 0) {
    boxes.replace(boxes.size() - 8, 4, std::string("\0\0\0\x08", 4));
  }
  return FindJp2XmlBox(boxes, xml, error);
}

}  // namespace

bool FindJp2XmlBox(const std::string& bytes, std::string& xml, std::string& error) {
  xml.clear();
  std::size_t at = 0;
  while (at < bytes.size()) {
    if (bytes.size() - at < 8) {
      error = "a JP2 box header is cut short at byte " + std::to_string(at);
      return false;
    }
    std::uint64_t length = Get32(bytes, at);
    const std::string type = bytes.substr(at + 4, 4);
    std::size_t headerBytes = 8;
    if (length == 1) {
      if (bytes.size() - at < 16) {
        error = "a JP2 box header is cut short at byte " + std::to_string(at);
        return false;
      }
      length = (Get32(bytes, at + 8) << 32) | Get32(bytes, at + 12);
      headerBytes = 16;
    } else if (length == 0) {
      length = bytes.size() - at;  // the last box runs to the end
    }
    if (length < headerBytes || length > bytes.size() - at) {
      error = "the JP2 box '" + type + "' at byte " + std::to_string(at) + " runs past the end of the file";
      return false;
    }
    if (type == "xml ") {
      xml = bytes.substr(at + headerBytes, static_cast<std::size_t>(length) - headerBytes);
      return true;
    }
    if (type == "jp2c") return true;  // the codestream: no header boxes follow that matter
    at += static_cast<std::size_t>(length);
  }
  return true;
}

bool ReadJpeg2000(const std::string& path, DecodedPicture& out, std::string& error,
                  const ReadOptions& options) {
  out = DecodedPicture{};
  out.kind = PictureKind::Jpeg2000;
  std::string head;
  {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "the file cannot be opened";
      return false;
    }
    char b[12] = {};
    in.read(b, sizeof b);
    head.assign(b, static_cast<std::size_t>(in.gcount()));
  }
  static const unsigned char kJp2[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
  const bool jp2 = head.size() == 12 && std::memcmp(head.data(), kJp2, 12) == 0;
  const bool j2k = head.size() >= 4 && static_cast<unsigned char>(head[0]) == 0xFF &&
                   static_cast<unsigned char>(head[1]) == 0x4F && static_cast<unsigned char>(head[2]) == 0xFF &&
                   static_cast<unsigned char>(head[3]) == 0x51;
  if (!jp2 && !j2k) {
    error = "it is not a JPEG 2000 file: it does not begin with the JP2 signature or a codestream";
    return false;
  }

  Codec c;
  std::string messages;
  c.stream = opj_stream_create_default_file_stream(path.c_str(), OPJ_TRUE);
  c.codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
  if (!c.stream || !c.codec) {
    error = "the file cannot be opened";
    return false;
  }
  opj_set_error_handler(c.codec, Collect, &messages);
  opj_set_warning_handler(c.codec, Ignore, nullptr);
  opj_set_info_handler(c.codec, Ignore, nullptr);
  opj_dparameters_t params;
  opj_set_default_decoder_parameters(&params);
  if (!opj_setup_decoder(c.codec, &params)) {
    error = "the JPEG 2000 decoder cannot be set up: " + messages;
    return false;
  }
  // A codestream cut short is an error, not a picture with grey rows.
  opj_decoder_set_strict_mode(c.codec, OPJ_TRUE);
  if (opj_has_thread_support()) opj_codec_set_threads(c.codec, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
  if (!opj_read_header(c.stream, c.codec, &c.image) || !c.image) {
    error = "its JPEG 2000 header cannot be read: " + (messages.empty() ? std::string("not a JPEG 2000 file") : messages);
    return false;
  }
  const long long w = static_cast<long long>(c.image->x1) - c.image->x0;
  const long long h = static_cast<long long>(c.image->y1) - c.image->y0;
  if (!CheckPictureSize(w, h, error)) return false;
  if (c.image->numcomps < 1) {
    error = "its JPEG 2000 picture has no component";
    return false;
  }
  if (!opj_decode(c.codec, c.stream, c.image) || !opj_end_decompress(c.codec, c.stream)) {
    error = "its JPEG 2000 data cannot be decoded (the file may be cut short): " + messages;
    return false;
  }
  const opj_image_comp_t& c0 = c.image->comps[0];
  for (OPJ_UINT32 i = 0; i < std::min<OPJ_UINT32>(c.image->numcomps, 3); ++i) {
    const opj_image_comp_t& ci = c.image->comps[i];
    if (!ci.data || ci.w != c0.w || ci.h != c0.h || ci.prec < 1 || ci.prec > 31) {
      error = "its JPEG 2000 components differ in size or depth (subsampled colour is not read)";
      return false;
    }
  }
  if (!CheckPictureSize(c0.w, c0.h, error)) return false;
  const int pw = static_cast<int>(c0.w), ph = static_cast<int>(c0.h);
  const std::size_t count = static_cast<std::size_t>(pw) * static_cast<std::size_t>(ph);

  if (c.image->numcomps >= 3) {
    const ToByte r(c.image->comps[0]), g(c.image->comps[1]), b(c.image->comps[2]);
    out.argb.resize(count);
    for (std::size_t i = 0; i < count; ++i)
      out.argb[i] = 0xFF000000u | (r(c.image->comps[0].data[i]) << 16) | (g(c.image->comps[1].data[i]) << 8) |
                    b(c.image->comps[2].data[i]);
  } else {
    // One grey component (a second one would be transparency): data.
    // The decoded integers become floats in their own memory (both four
    // bytes), so no second copy of the picture is made.
    static_assert(sizeof(OPJ_INT32) == sizeof(float));
    unsigned char* bytes = reinterpret_cast<unsigned char*>(c0.data);
    for (std::size_t i = 0; i < count; ++i) {
      OPJ_INT32 v;
      std::memcpy(&v, bytes + i * 4, 4);
      const float f = static_cast<float>(v);
      std::memcpy(bytes + i * 4, &f, 4);
    }
    // (OpenJPEG's memory comes from malloc, where the floats written by
    // memcpy live from now on.)
    const float* data = std::launder(reinterpret_cast<const float*>(bytes));
    const bool placed = PlaceOnLevels(data, pw, ph, false, out.levels, error);
    opj_image_destroy(c.image);
    c.image = nullptr;
    if (!placed) {
      out = DecodedPicture{};
      return false;
    }
    if (options.greyOfData) {
      out.argb.resize(count);
      LevelsToArgb(out.levels, BrightnessScale::Linear, out.argb.data());
    }
  }
  out.width = pw;
  out.height = ph;

  // The FITS header of the XML box.
  if (jp2) {
    std::string xml, boxError;
    if (!XmlBoxOfFile(path, xml, boxError)) {
      out.note = "The header of the JPEG 2000 file cannot be read: " + boxError + ".";
    } else if (!xml.empty()) {
      std::string xmlError;
      if (!ParseJp2XmlHeader(xml, out.header, xmlError))
        out.note = "The XML header of the JPEG 2000 file cannot be read: " + xmlError + ".";
    }
  }
  return true;
}

}  // namespace pelorin::decoders
