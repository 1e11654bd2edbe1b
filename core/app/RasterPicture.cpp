#include "app/RasterPicture.h"

#include <algorithm>
#include <cerrno>
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

bool Holds(int a, int b, int v) { return a <= v && v <= b; }
}  // namespace

void RasterPicture::SetPixels(int w, int h, std::vector<std::uint32_t> argb) {
  w_ = w;
  h_ = h;
  px_ = std::move(argb);
  clean_ = px_;
  written_.clear();
  writtenRects_.clear();
  columns_.assign(static_cast<std::size_t>(std::max(w, 0)), {});
  columnOver_.assign(static_cast<std::size_t>(std::max(w, 0)), {});
  rows_.assign(static_cast<std::size_t>(std::max(h, 0)), {});
  rowOver_.assign(static_cast<std::size_t>(std::max(h, 0)), {});
  touchedColumns_.clear();
  touchedRows_.clear();
  lines_.clear();
  order_ = 0;
  drawn_ = {0, 0, -1, -1};
  changed_ = {0, 0, w - 1, h - 1};
  texts_.clear();
}

void RasterPicture::Fill(int w, int h, std::uint32_t colour) {
  SetPixels(w, h, std::vector<std::uint32_t>(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), ToArgb(colour)));
}

void RasterPicture::Grow(Rect& r, int x0, int y0, int x1, int y1) {
  if (r.Empty()) {
    r = {x0, y0, x1, y1};
    return;
  }
  r.x0 = std::min(r.x0, x0);
  r.y0 = std::min(r.y0, y0);
  r.x1 = std::max(r.x1, x1);
  r.y1 = std::max(r.y1, y1);
}

const RasterPicture::Segment* RasterPicture::TopLine(int x, int y) const {
  const Segment* top = nullptr;
  // Each list is in drawing order: the last match is its newest.
  const auto& column = columns_[static_cast<std::size_t>(x)];
  for (auto it = column.rbegin(); it != column.rend(); ++it) {
    if (Holds(it->a, it->b, y)) {
      top = &*it;
      break;
    }
  }
  const auto& row = rows_[static_cast<std::size_t>(y)];
  for (auto it = row.rbegin(); it != row.rend(); ++it) {
    if (Holds(it->a, it->b, x)) {
      if (top == nullptr || it->order > top->order) top = &*it;
      break;
    }
  }
  return top;
}

std::uint64_t RasterPicture::OverOrder(int x, int y) const {
  std::uint64_t last = 0;
  for (const Over& o : columnOver_[static_cast<std::size_t>(x)])
    if (o.pos == y) last = std::max(last, o.order);
  for (const Over& o : rowOver_[static_cast<std::size_t>(y)])
    if (o.pos == x) last = std::max(last, o.order);
  return last;
}

std::uint32_t RasterPicture::ShownArgb(int x, int y) const {
  if (!lines_.empty()) {
    const Segment* top = TopLine(x, y);
    if (top != nullptr && top->order > OverOrder(x, y)) return top->argb;
  }
  return px_[Index(x, y)];
}

std::int32_t RasterPicture::Point(double x, double y) const {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return -1;
  return ToBgr(ShownArgb(ix, iy));
}

void RasterPicture::WritePixel(int x, int y, std::uint32_t argb) {
  const std::size_t i = Index(x, y);
  px_[i] = argb;
  written_.push_back(i);
  Grow(drawn_, x, y, x, y);
  Grow(changed_, x, y, x, y);
  if (lines_.empty()) return;
  // Over a line, the pixel must win over it until a later line covers it.
  const auto covers = [](const std::vector<Segment>& list, int v) {
    for (const Segment& s : list)
      if (Holds(s.a, s.b, v)) return true;
    return false;
  };
  if (covers(columns_[static_cast<std::size_t>(x)], y)) {
    columnOver_[static_cast<std::size_t>(x)].push_back({y, ++order_});
  } else if (covers(rows_[static_cast<std::size_t>(y)], x)) {
    rowOver_[static_cast<std::size_t>(y)].push_back({x, ++order_});
  }
}

void RasterPicture::PSet(double x, double y, std::uint32_t colour) {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return;
  WritePixel(ix, iy, ToArgb(colour));
}

void RasterPicture::AddLine(bool vertical, int at, int a, int b, std::uint32_t argb) {
  const Segment s{a, b, argb, ++order_};
  if (vertical) {
    auto& column = columns_[static_cast<std::size_t>(at)];
    if (column.empty()) touchedColumns_.push_back(at);
    column.push_back(s);
    Grow(drawn_, at, a, at, b);
    Grow(changed_, at, a, at, b);
  } else {
    auto& row = rows_[static_cast<std::size_t>(at)];
    if (row.empty()) touchedRows_.push_back(at);
    row.push_back(s);
    Grow(drawn_, a, at, b, at);
    Grow(changed_, a, at, b, at);
  }
  lines_.push_back({vertical, at, a, b, argb, s.order});
}

void RasterPicture::Line(double x1, double y1, double x2, double y2, std::uint32_t colour) {
  int ax = Nearest(x1), ay = Nearest(y1), bx = Nearest(x2), by = Nearest(y2);
  const std::uint32_t c = ToArgb(colour);
  if (ax == bx || ay == by) {
    // Axis-parallel lines (the pixel grid) are clipped and kept as lines.
    const int xa = std::max(std::min(ax, bx), 0), xb = std::min(std::max(ax, bx), w_ - 1);
    const int ya = std::max(std::min(ay, by), 0), yb = std::min(std::max(ay, by), h_ - 1);
    if (xa > xb || ya > yb) return;
    if (ax == bx)
      AddLine(true, xa, ya, yb, c);
    else
      AddLine(false, ya, xa, xb, c);
    return;
  }
  // Bresenham for the rest, limited to a sane length.
  long dx = std::labs(static_cast<long>(bx) - ax), dy = -std::labs(static_cast<long>(by) - ay);
  int sx = ax < bx ? 1 : -1, sy = ay < by ? 1 : -1;
  long err = dx + dy;
  for (long steps = 0; steps < 200000; ++steps) {
    if (ax >= 0 && ay >= 0 && ax < w_ && ay < h_) WritePixel(ax, ay, c);
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

void RasterPicture::BeginDrawing(int x0, int y0, int x1, int y1) {
  x0 = std::max(x0, 0);
  y0 = std::max(y0, 0);
  x1 = std::min(x1, w_ - 1);
  y1 = std::min(y1, h_ - 1);
  if (x0 > x1 || y0 > y1) return;
  writtenRects_.push_back({x0, y0, x1, y1});
  Grow(drawn_, x0, y0, x1, y1);
  Grow(changed_, x0, y0, x1, y1);
  if (lines_.empty()) return;
  // The lines on top in the rectangle go into the pixel layer, and from now
  // on the pixel layer wins there.
  const std::uint64_t now = ++order_;
  for (int y = y0; y <= y1; ++y) {
    const bool rowHasLines = !rows_[static_cast<std::size_t>(y)].empty();
    for (int x = x0; x <= x1; ++x) {
      if (!rowHasLines && columns_[static_cast<std::size_t>(x)].empty()) continue;
      const Segment* top = TopLine(x, y);
      if (top == nullptr) continue;
      if (top->order > OverOrder(x, y)) px_[Index(x, y)] = top->argb;
      bool vertical = false;
      for (const Segment& s : columns_[static_cast<std::size_t>(x)])
        if (Holds(s.a, s.b, y)) vertical = true;
      if (vertical)
        columnOver_[static_cast<std::size_t>(x)].push_back({y, now});
      else
        rowOver_[static_cast<std::size_t>(y)].push_back({x, now});
    }
  }
}

void RasterPicture::RestoreClean() {
  for (std::size_t i : written_) px_[i] = clean_[i];
  for (const Rect& r : writtenRects_) {
    for (int y = r.y0; y <= r.y1; ++y) {
      const std::size_t off = Index(r.x0, y);
      std::memcpy(px_.data() + off, clean_.data() + off, static_cast<std::size_t>(r.x1 - r.x0 + 1) * sizeof(std::uint32_t));
    }
  }
  written_.clear();
  writtenRects_.clear();
  ClearLayers();
  if (!drawn_.Empty()) Grow(changed_, drawn_.x0, drawn_.y0, drawn_.x1, drawn_.y1);
  drawn_ = {0, 0, -1, -1};
  texts_.clear();
}

void RasterPicture::ClearLayers() {
  for (int x : touchedColumns_) {
    columns_[static_cast<std::size_t>(x)].clear();
    columnOver_[static_cast<std::size_t>(x)].clear();
  }
  for (int y : touchedRows_) {
    rows_[static_cast<std::size_t>(y)].clear();
    rowOver_[static_cast<std::size_t>(y)].clear();
  }
  touchedColumns_.clear();
  touchedRows_.clear();
  lines_.clear();
  order_ = 0;
}

RasterPicture::Rect RasterPicture::TakeChanged() {
  const Rect r = changed_;
  changed_ = {0, 0, -1, -1};
  return r;
}

void RasterPicture::ComposeInto(int x0, int y0, int x1, int y1, std::uint32_t* out, std::size_t stride) const {
  const std::size_t n = static_cast<std::size_t>(x1 - x0 + 1);
  for (int y = y0; y <= y1; ++y)
    std::memcpy(out + static_cast<std::size_t>(y - y0) * stride, px_.data() + Index(x0, y), n * sizeof(std::uint32_t));
  if (lines_.empty()) return;
  const auto at = [&](int x, int y) -> std::uint32_t& {
    return out[static_cast<std::size_t>(y - y0) * stride + static_cast<std::size_t>(x - x0)];
  };
  // Lines in drawing order: each covers those before it.
  for (const LineItem& l : lines_) {
    if (l.vertical) {
      if (l.at < x0 || l.at > x1) continue;
      for (int y = std::max(l.a, y0), e = std::min(l.b, y1); y <= e; ++y) at(l.at, y) = l.argb;
    } else {
      if (l.at < y0 || l.at > y1) continue;
      const int a = std::max(l.a, x0), e = std::min(l.b, x1);
      if (a <= e) std::fill(&at(a, l.at), &at(e, l.at) + 1, l.argb);
    }
  }
  // Pixels written after the line on top of them show the pixel layer.
  const auto over = [&](int x, int y, std::uint64_t order) {
    const Segment* top = TopLine(x, y);
    if (top == nullptr || order > top->order) at(x, y) = px_[Index(x, y)];
  };
  for (int x : touchedColumns_) {
    if (x < x0 || x > x1) continue;
    for (const Over& o : columnOver_[static_cast<std::size_t>(x)])
      if (Holds(y0, y1, o.pos)) over(x, o.pos, o.order);
  }
  for (int y : touchedRows_) {
    if (y < y0 || y > y1) continue;
    for (const Over& o : rowOver_[static_cast<std::size_t>(y)])
      if (Holds(x0, x1, o.pos)) over(o.pos, y, o.order);
  }
}

RasterPicture::Rect RasterPicture::Compose(int x, int y, int w, int h, std::uint32_t* out, std::size_t stride) const {
  const Rect r{std::max(x, 0), std::max(y, 0), std::min(x + w - 1, w_ - 1), std::min(y + h - 1, h_ - 1)};
  if (!r.Empty()) ComposeInto(r.x0, r.y0, r.x1, r.y1, out, stride);
  return r;
}

bool RasterPicture::Load(const std::string& path, std::string& error) {
  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  if (!ReadBmp(path, w, h, argb, error)) return false;
  SetPixels(w, h, std::move(argb));
  return true;
}

bool RasterPicture::SaveBmp(const std::string& path, std::string& error) const {
  if (lines_.empty()) return WriteBmp(path, w_, h_, px_.data(), error);
  // Composed in bands of rows, bottom band first, as the file wants them.
  constexpr int kBand = 64;
  std::vector<std::uint32_t> band;
  int bandTop = 0, bandBottom = -1;
  return WriteBmpRows(
      path, w_, h_,
      [&](int y) -> const std::uint32_t* {
        if (y < bandTop || y > bandBottom) {
          bandBottom = y;
          bandTop = std::max(0, y - kBand + 1);
          band.resize(static_cast<std::size_t>(bandBottom - bandTop + 1) * static_cast<std::size_t>(w_));
          ComposeInto(0, bandTop, w_ - 1, bandBottom, band.data(), static_cast<std::size_t>(w_));
        }
        return band.data() + static_cast<std::size_t>(y - bandTop) * static_cast<std::size_t>(w_);
      },
      error);
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
  return WriteBmpRows(
      path, w, h, [&](int y) { return argb + static_cast<std::size_t>(y) * static_cast<std::size_t>(w); }, error);
}

bool WriteBmpRows(const std::string& path, int w, int h, const std::function<const std::uint32_t*(int y)>& rowAt,
                  std::string& error) {
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
    const std::uint32_t* src = rowAt(y);
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
