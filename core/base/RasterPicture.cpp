#include "base/RasterPicture.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

#include "base/AtomicFile.h"
#include "base/PictureSize.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace pelorin {

// --- pixel memory ---

namespace {
// Large pages are 2 MB; below a few of them ordinary memory does as well.
constexpr std::size_t kLargePage = std::size_t{2} << 20;
constexpr std::size_t kMappedFrom = 4 * kLargePage;
}  // namespace

void* AllocatePixels(std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kMappedFrom) {
    // Mapped one large page longer, so that the buffer can start on a large
    // page's boundary; the slack before and after is given back at once.
    const std::size_t length = bytes + kLargePage;
    void* mapped = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + kLargePage - 1) & ~(std::uintptr_t{kLargePage} - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    const std::uintptr_t end = start + length, used = aligned + bytes;
    const std::uintptr_t pageEnd = (used + 4095) & ~std::uintptr_t{4095};
    if (end > pageEnd) munmap(reinterpret_cast<void*>(pageEnd), end - pageEnd);
    madvise(reinterpret_cast<void*>(aligned), bytes, MADV_HUGEPAGE);  // advice only: failure is harmless
    return reinterpret_cast<void*>(aligned);
  }
#endif
  return ::operator new(bytes);
}

void FreePixels(void* p, std::size_t bytes) noexcept {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes >= kMappedFrom) {
    munmap(p, bytes);
    return;
  }
#endif
  ::operator delete(p);
}

namespace {
// The nearest whole pixel, halves away from zero (as lround, without the
// library call: this runs for every pixel drawn and read).
int Nearest(double v) {
  if (!(v > -1e9 && v < 1e9)) return v > 0 ? 1000000000 : -1000000000;
  const int whole = static_cast<int>(v);  // towards zero
  const double rest = v - whole;          // exact
  if (rest >= 0.5) return whole + 1;
  if (rest <= -0.5) return whole - 1;
  return whole;
}

bool Holds(int a, int b, int v) { return a <= v && v <= b; }
}  // namespace

// --- pixels written over lines ---

std::size_t RasterPicture::OverTable::Find(std::size_t key) const {
  const std::size_t mask = slots_.size() - 1;
  std::size_t slot = (key * 0x9E3779B97F4A7C15ull) >> 20 & mask;
  while (slots_[slot].index != 0 && slots_[slot].index != key) slot = (slot + 1) & mask;
  return slot;
}

void RasterPicture::OverTable::Set(std::size_t index, std::uint64_t order) {
  // At most half full, so that a search ends soon.
  if ((used_.size() + 1) * 2 > slots_.size()) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.assign(std::max<std::size_t>(1024, old.size() * 2), Slot{0, 0});
    std::vector<std::size_t> oldUsed;
    oldUsed.swap(used_);
    for (std::size_t s : oldUsed) {
      const std::size_t slot = Find(old[s].index);
      slots_[slot] = old[s];
      used_.push_back(slot);
    }
  }
  const std::size_t slot = Find(index + 1);
  if (slots_[slot].index == 0) {
    slots_[slot].index = index + 1;
    used_.push_back(slot);
  }
  slots_[slot].order = order;
}

std::uint64_t RasterPicture::OverTable::Get(std::size_t index) const {
  if (used_.empty()) return 0;
  return slots_[Find(index + 1)].order;
}

void RasterPicture::OverTable::Clear() {
  for (std::size_t slot : used_) slots_[slot] = Slot{0, 0};
  used_.clear();
}

// --- the picture ---

void RasterPicture::SetPixels(int w, int h, std::vector<std::uint32_t> argb) {
  decltype(px_) pixels(argb.begin(), argb.end());
  argb = {};
  Adopt(w, h, pixels);
}

void RasterPicture::SetPixelRows(int w, int h, const std::function<void(int y, std::uint32_t* row)>& fill) {
  const auto width = static_cast<std::size_t>(std::max(w, 0));
  decltype(px_) pixels;
  pixels.resize(width * static_cast<std::size_t>(std::max(h, 0)));
  for (int y = 0; y < h; ++y) fill(y, pixels.data() + static_cast<std::size_t>(y) * width);
  Adopt(w, h, pixels);
}

void RasterPicture::Adopt(int w, int h, decltype(px_)& pixels) {
  std::vector<std::vector<Segment>> columns(static_cast<std::size_t>(std::max(w, 0)));
  std::vector<std::vector<Segment>> rows(static_cast<std::size_t>(std::max(h, 0)));
  // Everything that can fail is done.
  px_.swap(pixels);
  decltype(px_)().swap(pixels);  // the old picture's memory goes now
  columns_.swap(columns);
  rows_.swap(rows);
  w_ = w;
  h_ = h;
  undo_.clear();
  touchedColumns_.clear();
  touchedRows_.clear();
  lines_.clear();
  over_.Clear();
  order_ = 0;
  fresh_ = drawn_ = kNothing;
  changed_ = w > 0 && h > 0 ? Rect{0, 0, w - 1, h - 1} : kNothing;
  texts_.clear();
  marks_.clear();
  points_.clear();
  slants_.clear();
  // Unique among all pictures, so that a cache kept for another picture is
  // never taken for this one's.
  static std::uint64_t serials = 0;
  serial_ = ++serials;
  header_.cards.clear();
  levels_ = DataLevels{};
  note_.clear();
}

void RasterPicture::SetLevels(DataLevels levels) {
  const std::vector<std::uint32_t> table = ArgbTable(scale_);
  const int w = levels.width;
  SetPixelRows(levels.width, levels.height, [&](int y, std::uint32_t* row) {
    const std::uint16_t* in = levels.level.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w);
    for (int x = 0; x < w; ++x) row[x] = table[in[x]];
  });
  levels_ = std::move(levels);
}

bool RasterPicture::SetBrightness(BrightnessScale s) {
  scale_ = s;
  if (levels_.Empty()) return false;
  RestoreClean();
  LevelsToArgb(levels_, scale_, px_.data());
  changed_ = Rect{0, 0, w_ - 1, h_ - 1};
  return true;
}

void RasterPicture::Fill(int w, int h, std::uint32_t colour) {
  const std::uint32_t argb = ToArgb(colour);
  SetPixelRows(w, h, [w, argb](int, std::uint32_t* row) { std::fill(row, row + std::max(w, 0), argb); });
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

std::uint32_t RasterPicture::ShownOverLines(int x, int y) const {
  const Segment* top = TopLine(x, y);
  if (top != nullptr && top->order > over_.Get(Index(x, y))) return top->argb;
  return px_[Index(x, y)];
}

std::int32_t RasterPicture::Point(double x, double y) const {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return -1;
  return ToBgr(ShownArgb(ix, iy));
}

void RasterPicture::WritePixel(int x, int y, std::uint32_t argb) {
  const std::size_t i = Index(x, y);
  undo_.push_back({i, px_[i]});
  px_[i] = argb;
  Grow(fresh_, x, y, x, y);
  // Over a line, the pixel wins until a later line covers it.
  if (!lines_.empty() && TopLine(x, y) != nullptr) over_.Set(i, ++order_);
}

void RasterPicture::PSet(double x, double y, std::uint32_t colour) {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return;
  const std::uint32_t argb = ToArgb(colour);
  WritePixel(ix, iy, argb);
  marks_.push_back({ix, iy, 0, argb});
}

void RasterPicture::PointMark(double x, double y, std::uint32_t colour) {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < 0 || iy < 0 || ix >= w_ || iy >= h_) return;
  PSet(x, y, colour);
  points_.push_back({ix, iy, 0, ToArgb(colour)});
}

void RasterPicture::Mark3x3(double x, double y, std::uint32_t colour) {
  const int ix = Nearest(x), iy = Nearest(y);
  if (ix < -1 || iy < -1 || ix > w_ || iy > h_) return;  // none of its pixels is inside
  const std::uint32_t argb = ToArgb(colour);
  for (int i = -1; i <= 1; ++i) {
    for (int j = -1; j <= 1; ++j) {
      const int px = Nearest(x + i), py = Nearest(y + j);
      if (px >= 0 && py >= 0 && px < w_ && py < h_) WritePixel(px, py, argb);
    }
  }
  marks_.push_back({ix, iy, 1, argb});
}

void RasterPicture::DrawPixel(int x, int y, std::uint32_t argb) {
  if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
  WritePixel(x, y, argb);
}

void RasterPicture::AddLine(bool vertical, int at, int a, int b, std::uint32_t argb) {
  const Segment s{a, b, argb, ++order_};
  if (vertical) {
    auto& column = columns_[static_cast<std::size_t>(at)];
    if (column.empty()) touchedColumns_.push_back(at);
    column.push_back(s);
    Grow(fresh_, at, a, at, b);
  } else {
    auto& row = rows_[static_cast<std::size_t>(at)];
    if (row.empty()) touchedRows_.push_back(at);
    row.push_back(s);
    Grow(fresh_, a, at, b, at);
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
  slants_.push_back({ax, ay, bx, by, c});
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

void RasterPicture::RestoreClean() {
  // Last written first: a pixel written twice gets its first colour back.
  for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) px_[it->index] = it->before;
  undo_.clear();
  for (int x : touchedColumns_) columns_[static_cast<std::size_t>(x)].clear();
  for (int y : touchedRows_) rows_[static_cast<std::size_t>(y)].clear();
  touchedColumns_.clear();
  touchedRows_.clear();
  lines_.clear();
  over_.Clear();
  order_ = 0;
  // What was drawn is gone again: that changes too.
  for (const Rect& r : {drawn_, fresh_}) Grow(changed_, r.x0, r.y0, r.x1, r.y1);
  fresh_ = drawn_ = kNothing;
  texts_.clear();
  marks_.clear();
  points_.clear();
  slants_.clear();
}

RasterPicture::Rect RasterPicture::TakeChanged() {
  Rect r = changed_;
  Grow(r, fresh_.x0, fresh_.y0, fresh_.x1, fresh_.y1);
  Grow(drawn_, fresh_.x0, fresh_.y0, fresh_.x1, fresh_.y1);
  changed_ = fresh_ = kNothing;
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
  over_.ForEach([&](std::size_t i, std::uint64_t order) {
    const int x = static_cast<int>(i % static_cast<std::size_t>(w_)), y = static_cast<int>(i / static_cast<std::size_t>(w_));
    if (!Holds(x0, x1, x) || !Holds(y0, y1, y)) return;
    const Segment* top = TopLine(x, y);
    if (top == nullptr || order > top->order) at(x, y) = px_[i];
  });
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
  // Written atomically, so a failed write never leaves a half-written
  // picture under the target's name.
  const std::string written = WriteFileAtomically(path, [&](const ChunkSink& put) {
    if (!put(std::string_view(reinterpret_cast<const char*>(head.data()), head.size()))) return false;
    std::vector<unsigned char> row(rowBytes, 0);
    for (int y = h - 1; y >= 0; --y) {
      const std::uint32_t* src = rowAt(y);
      for (int x = 0; x < w; ++x) {
        row[static_cast<std::size_t>(x) * 3] = static_cast<unsigned char>(src[x] & 0xFF);
        row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<unsigned char>((src[x] >> 8) & 0xFF);
        row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<unsigned char>((src[x] >> 16) & 0xFF);
      }
      if (!put(std::string_view(reinterpret_cast<const char*>(row.data()), rowBytes))) return false;
    }
    return true;
  });
  if (!written.empty()) {
    error = written;
    return false;
  }
  return true;
}

namespace {

// Where a BMP picture is read from: a file, read in order after one seek,
// or bytes in memory, read the same way.
class BmpFile {
 public:
  explicit BmpFile(const std::string& path) : in_(path, std::ios::binary) {}
  bool IsOpen() const { return static_cast<bool>(in_); }
  bool Read(unsigned char* to, std::size_t n) {
    return static_cast<bool>(in_.read(reinterpret_cast<char*>(to), static_cast<std::streamsize>(n)));
  }
  long long Size() {
    in_.seekg(0, std::ios::end);
    const auto size = static_cast<long long>(in_.tellg());
    in_.clear();
    return size;
  }
  void Seek(std::uint32_t at) { in_.seekg(at); }

 private:
  std::ifstream in_;
};

class BmpBytes {
 public:
  explicit BmpBytes(std::string_view bytes) : bytes_(bytes) {}
  bool Read(unsigned char* to, std::size_t n) {
    if (at_ > bytes_.size() || bytes_.size() - at_ < n) return false;
    std::memcpy(to, bytes_.data() + at_, n);
    at_ += n;
    return true;
  }
  long long Size() const { return static_cast<long long>(bytes_.size()); }
  void Seek(std::uint32_t at) { at_ = at; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
};

template <class Source>
bool ReadBmpFrom(Source& in, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error) {
  unsigned char head[54];
  if (!in.Read(head, 54) || head[0] != 'B' || head[1] != 'M') {
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
  if (!CheckPictureSize(sw, hh, error)) return false;
  const std::size_t bytes = bpp / 8;
  const std::size_t rowBytes = (static_cast<std::size_t>(sw) * bytes + 3) & ~static_cast<std::size_t>(3);
  // The pixels the header promises must be in the file before any memory is
  // set aside for them: a cut-off file or a lying header is refused here.
  const long long fileBytes = in.Size();
  const auto needBytes = static_cast<long long>(off) + static_cast<long long>(rowBytes) * hh;
  if (fileBytes < 0 || needBytes > fileBytes) {
    error = "truncated BMP picture";
    return false;
  }
  w = sw;
  h = hh;
  argb.assign(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0xFF000000u);
  in.Seek(off);
  std::vector<unsigned char> row(rowBytes);
  for (int r = 0; r < h; ++r) {
    if (!in.Read(row.data(), rowBytes)) {
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

}  // namespace

bool ReadBmp(const std::string& path, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error) {
  BmpFile in(path);
  if (!in.IsOpen()) {
    error = "cannot open " + path;
    return false;
  }
  return ReadBmpFrom(in, w, h, argb, error);
}

bool DecodeBmp(std::string_view bytes, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error) {
  BmpBytes in(bytes);
  return ReadBmpFrom(in, w, h, argb, error);
}

}  // namespace pelorin
