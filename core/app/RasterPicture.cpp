#include "app/RasterPicture.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace pelorin {

namespace {
int Nearest(double v) {
  if (!(v > -1e9 && v < 1e9)) return v > 0 ? 1000000000 : -1000000000;
  return static_cast<int>(std::lround(v));
}
}  // namespace

void RasterPicture::SetPixels(int w, int h, std::vector<std::uint32_t> argb) {
  w_ = w;
  h_ = h;
  px_ = std::move(argb);
  clean_ = px_;
  dirty_.clear();
  texts_.clear();
}

void RasterPicture::Fill(int w, int h, std::uint32_t colour) {
  SetPixels(w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), ToArgb(colour)));
}

std::int32_t RasterPicture::Point(double x, double y) const {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return -1;
  return ToBgr(px_[static_cast<std::size_t>(iy) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(ix)]);
}

void RasterPicture::MarkDirty(int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, w_ - 1);
  y1 = std::min(y1, h_ - 1);
  if (x0 > x1 || y0 > y1) return;
  // Grow the last rectangle when the new one touches it (dots of a curve,
  // 3x3 marks), otherwise start a new one.
  if (!dirty_.empty()) {
    Rect& r = dirty_.back();
    if (x0 >= r.x0 - 1 && x1 <= r.x1 + 1 && y0 >= r.y0 - 1 && y1 <= r.y1 + 1) {
      r.x0 = std::min(r.x0, x0);
      r.y0 = std::min(r.y0, y0);
      r.x1 = std::max(r.x1, x1);
      r.y1 = std::max(r.y1, y1);
      return;
    }
  }
  dirty_.push_back({x0, y0, x1, y1});
}

void RasterPicture::PSet(double x, double y, std::uint32_t colour) {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return;
  px_[static_cast<std::size_t>(iy) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(ix)] = ToArgb(colour);
  MarkDirty(ix, iy, ix, iy);
}

void RasterPicture::Line(double x1, double y1, double x2, double y2, std::uint32_t colour) {
  int ax = Nearest(x1), ay = Nearest(y1), bx = Nearest(x2), by = Nearest(y2);
  const std::uint32_t c = ToArgb(colour);
  if (ax == bx || ay == by) {
    // Axis-parallel lines (the pixel grid) are clipped and filled directly.
    int xa = std::max(std::min(ax, bx), 0), xb = std::min(std::max(ax, bx), w_ - 1);
    int ya = std::max(std::min(ay, by), 0), yb = std::min(std::max(ay, by), h_ - 1);
    if (xa > xb || ya > yb) return;
    for (int y = ya; y <= yb; ++y) {
      std::uint32_t* row = px_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w_);
      std::fill(row + xa, row + xb + 1, c);
    }
    dirty_.push_back({xa, ya, xb, yb});
    return;
  }
  // Bresenham for the rest, limited to a sane length.
  long dx = std::labs(static_cast<long>(bx) - ax), dy = -std::labs(static_cast<long>(by) - ay);
  int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
  long err = dx + dy;
  for (long steps = 0; steps < 200000; ++steps) {
    if (ax >= 0 && ay >= 0 && ax < w_ && ay < h_) {
      px_[static_cast<std::size_t>(ay) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(ax)] = c;
      MarkDirty(ax, ay, ax, ay);
    }
    if (ax == bx && ay == by) break;
    long e2 = 2 * err;
    if (e2 >= dy) { err += dy; ax += sx; }
    if (e2 <= dx) { err += dx; ay += sy; }
  }
}

void RasterPicture::Print(double x, double y, const std::string& text, int sizePoints, bool bold,
                          std::uint32_t colour) {
  texts_.push_back({x, y, text, sizePoints, bold, colour});
}

void RasterPicture::RestoreClean() {
  for (const Rect& r : dirty_) {
    for (int y = r.y0; y <= r.y1; ++y) {
      const std::size_t off = static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(r.x0);
      std::memcpy(px_.data() + off, clean_.data() + off, static_cast<std::size_t>(r.x1 - r.x0 + 1) * sizeof(std::uint32_t));
    }
  }
  dirty_.clear();
  texts_.clear();
}

bool RasterPicture::Load(const std::string& path, std::string& error) {
  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  if (!ReadBmp(path, w, h, argb, error)) return false;
  SetPixels(w, h, std::move(argb));
  return true;
}

bool RasterPicture::SaveBmp(const std::string& path, std::string& error) const {
  return WriteBmp(path, w_, h_, px_.data(), error);
}

namespace {
void Put16(std::vector<unsigned char>& b, std::size_t at, unsigned v) {
  b[at] = static_cast<unsigned char>(v & 0xFF);
  b[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>((v >> (8 * i)) & 0xFF);
}
std::uint32_t Get32(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

bool WriteBmp(const std::string& path, int w, int h, const std::uint32_t* argb, std::string& error) {
  if (w <= 0 || h <= 0) {
    error = "there is no picture to save";
    return false;
  }
  const std::size_t rowBytes = (static_cast<std::size_t>(w) * 3 + 3) & ~static_cast<std::size_t>(3);
  const std::size_t dataBytes = rowBytes * static_cast<std::size_t>(h);
  std::vector<unsigned char> head(54, 0);
  head[0] = 'B';
  head[1] = 'M';
  Put32(head, 2, static_cast<std::uint32_t>(54 + dataBytes));
  Put32(head, 10, 54);
  Put32(head, 14, 40);
  Put32(head, 18, static_cast<std::uint32_t>(w));
  Put32(head, 22, static_cast<std::uint32_t>(h));
  Put16(head, 26, 1);
  Put16(head, 28, 24);
  Put32(head, 34, static_cast<std::uint32_t>(dataBytes));
  Put32(head, 38, 3780);
  Put32(head, 42, 3780);
  // Write beside the target and rename over it, so a failed write never
  // leaves a half-written picture under the target's name.
  const std::string tmp = path + ".part";
  std::FILE* f = std::fopen(tmp.c_str(), "wb");
  if (!f) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  bool ok = std::fwrite(head.data(), 1, head.size(), f) == head.size();
  std::vector<unsigned char> row(rowBytes, 0);
  for (int y = h - 1; ok && y >= 0; --y) {
    const std::uint32_t* src = argb + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    for (int x = 0; x < w; ++x) {
      row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(src[x] & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((src[x] >> 8) & 0xFF);
      row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>((src[x] >> 16) & 0xFF);
    }
    ok = std::fwrite(row.data(), 1, rowBytes, f) == rowBytes;
  }
  ok = (std::fclose(f) == 0) && ok;
  if (ok && std::rename(tmp.c_str(), path.c_str()) != 0) ok = false;
  if (!ok) {
    error = "cannot write " + path + ": " + std::strerror(errno);
    std::remove(tmp.c_str());
    return false;
  }
  return true;
}

bool ReadBmp(const std::string& path, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  unsigned char head[54];
  if (!in.read(reinterpret_cast<char*>(head), 54) || head[0] != 'B' || head[1] != 'M') {
    error = "not a BMP picture";
    return false;
  }
  const std::uint32_t off = Get32(head + 10);
  const auto sw = static_cast<std::int32_t>(Get32(head + 18));
  const auto sh = static_cast<std::int32_t>(Get32(head + 22));
  const unsigned bpp = static_cast<unsigned>(head[28]) | (static_cast<unsigned>(head[29]) << 8);
  const std::uint32_t comp = Get32(head + 30);
  if ((bpp != 24 && bpp != 32) || (comp != 0 && comp != 3) || sw <= 0 || sh == 0 || sh == INT32_MIN) {
    error = "unsupported BMP layout";
    return false;
  }
  const bool topDown = sh < 0;
  const int hh = topDown ? -sh : sh;
  if (sw > 30000 || hh > 30000) {
    error = "picture too large";
    return false;
  }
  const std::size_t bytes = bpp / 8;
  const std::size_t rowBytes = (static_cast<std::size_t>(sw) * bytes + 3) & ~static_cast<std::size_t>(3);
  // The pixels the header promises must be in the file before any memory is
  // set aside for them: a cut-off file or a lying header is refused here.
  in.seekg(0, std::ios::end);
  const auto fileBytes = static_cast<long long>(in.tellg());
  const auto needBytes = static_cast<long long>(off) + static_cast<long long>(rowBytes) * hh;
  if (fileBytes < 0 || needBytes > fileBytes) {
    error = "truncated BMP picture";
    return false;
  }
  in.clear();
  w = sw;
  h = hh;
  argb.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF000000u);
  in.seekg(off);
  std::vector<unsigned char> row(rowBytes);
  for (int r = 0; r < h; ++r) {
    if (!in.read(reinterpret_cast<char*>(row.data()), static_cast<std::streamsize>(rowBytes))) {
      error = "truncated BMP picture";
      return false;
    }
    const int y = topDown ? r : h - 1 - r;
    for (int x = 0; x < w; ++x) {
      const unsigned char* p = row.data() + static_cast<std::size_t>(x) * bytes;
      argb[static_cast<std::size_t>(y) * static_cast<std::size_t>(w) + static_cast<std::size_t>(x)] =
          0xFF000000u | (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[1]) << 8) | p[0];
    }
  }
  return true;
}

}  // namespace pelorin
