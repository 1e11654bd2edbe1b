#include "View.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include <QPainter>

#include "QtPicture.h"

namespace pelorin::gui::view {

namespace {

// The steps: 2^(n/2) for n = -8 .. 8.
constexpr int kHalfStepsPerSide = 8;
double Step(int n) { return std::pow(2.0, n / 2.0); }

// A zoom equal to a step within rounding.
constexpr double kSame = 1e-9;

// The average of up to four 0xFFRRGGBB colours, each channel rounded.
std::uint32_t Average(const std::uint32_t* c, int n) {
  std::uint32_t r = 0, g = 0, b = 0;
  for (int i = 0; i < n; ++i) {
    r += (c[i] >> 16) & 0xFFu;
    g += (c[i] >> 8) & 0xFFu;
    b += c[i] & 0xFFu;
  }
  const auto half = static_cast<std::uint32_t>(n) / 2, count = static_cast<std::uint32_t>(n);
  return 0xFF000000u | (((r + half) / count) << 16) | (((g + half) / count) << 8) | ((b + half) / count);
}

// One level from the one below it (w x h, rows of `stride` words): pixel
// (x, y) averages the 2 x 2 block at (2x, 2y), each channel rounded. The
// last row and column of an odd size are taken twice, which averages a
// partial block over what it has. Red and blue are summed side by side in one
// word.
void HalveRows(const std::uint32_t* src, std::size_t stride, int w, int h, QImage& out) {
  for (int y = 0; y < out.height(); ++y) {
    const std::uint32_t* r0 = src + static_cast<std::size_t>(2 * y) * stride;
    const std::uint32_t* r1 = 2 * y + 1 < h ? r0 + stride : r0;
    auto* row = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x) {
      const int x0 = 2 * x, x1 = x0 + 1 < w ? x0 + 1 : x0;
      const std::uint32_t a = r0[x0], b = r0[x1], c = r1[x0], d = r1[x1];
      const std::uint32_t rb = (a & 0xFF00FFu) + (b & 0xFF00FFu) + (c & 0xFF00FFu) + (d & 0xFF00FFu);
      const std::uint32_t g = (a & 0xFF00u) + (b & 0xFF00u) + (c & 0xFF00u) + (d & 0xFF00u);
      row[x] = 0xFF000000u | (((rb + 0x20002u) >> 2) & 0xFF00FFu) | (((g + 0x200u) >> 2) & 0xFF00u);
    }
  }
}

// Blends a premultiplied colour over an opaque one.
std::uint32_t Over(std::uint32_t s, std::uint32_t d) {
  const std::uint32_t a = s >> 24;
  if (a == 255) return s;
  std::uint32_t out = 0xFF000000u;
  for (int shift = 0; shift <= 16; shift += 8) {
    const std::uint32_t sc = (s >> shift) & 0xFFu, dc = (d >> shift) & 0xFFu;
    out |= std::min(255u, sc + (dc * (255u - a) + 127u) / 255u) << shift;
  }
  return out;
}

// The frame being painted, in view pixels.
struct Frame {
  QImage& image;
  QRect area;
  std::uint32_t* At(int vx, int vy) {
    return reinterpret_cast<std::uint32_t*>(image.scanLine(vy - area.y())) + (vx - area.x());
  }
  void Fill(int x0, int y0, int x1, int y1, std::uint32_t argb) {  // inclusive, view pixels
    x0 = std::max(x0, area.left());
    y0 = std::max(y0, area.top());
    x1 = std::min(x1, area.right());
    y1 = std::min(y1, area.bottom());
    for (int y = y0; y <= y1; ++y)
      if (x0 <= x1) std::fill(At(x0, y), At(x1, y) + 1, argb);
  }
};

// 1:1 and enlarged: the composed picture, each pixel a zoom x zoom square.
void RenderPixels(const QtPicture& picture, double zoom, Frame& f) {
  const int w = picture.Width(), h = picture.Height();
  const QRect& a = f.area;
  // Picture pixels under the area.
  const int px0 = std::max(0, static_cast<int>(std::floor(a.left() / zoom)));
  const int py0 = std::max(0, static_cast<int>(std::floor(a.top() / zoom)));
  const int px1 = std::min(w - 1, static_cast<int>(std::floor(a.right() / zoom)));
  const int py1 = std::min(h - 1, static_cast<int>(std::floor(a.bottom() / zoom)));
  if (px0 > px1 || py0 > py1) return;
  const int cw = px1 - px0 + 1, ch = py1 - py0 + 1;
  if (zoom == 1.0) {
    // Straight into the frame.
    const int vx = px0, vy = py0;
    picture.Compose(px0, py0, cw, ch, f.At(vx, vy), static_cast<std::size_t>(f.image.bytesPerLine()) / 4);
    return;
  }
  std::vector<std::uint32_t> composed(static_cast<std::size_t>(cw) * static_cast<std::size_t>(ch));
  picture.Compose(px0, py0, cw, ch, composed.data(), static_cast<std::size_t>(cw));
  // For each view column of the area, its picture column (-1 outside).
  std::vector<int> column(static_cast<std::size_t>(a.width()));
  for (int i = 0; i < a.width(); ++i) {
    const int p = static_cast<int>(std::floor((a.left() + i + 0.5) / zoom));
    column[static_cast<std::size_t>(i)] = p >= px0 && p <= px1 ? p - px0 : -1;
  }
  int lastRow = -1;
  for (int j = 0; j < a.height(); ++j) {
    const int p = static_cast<int>(std::floor((a.top() + j + 0.5) / zoom));
    if (p < py0 || p > py1) continue;
    auto* out = reinterpret_cast<std::uint32_t*>(f.image.scanLine(j));
    if (p == lastRow) {
      std::memcpy(out, f.image.constScanLine(j - 1), static_cast<std::size_t>(f.image.bytesPerLine()));
      continue;
    }
    lastRow = p;
    const std::uint32_t* src = composed.data() + static_cast<std::size_t>(p - py0) * static_cast<std::size_t>(cw);
    for (int i = 0; i < a.width(); ++i) {
      const int c = column[static_cast<std::size_t>(i)];
      if (c >= 0) out[i] = src[c];
    }
  }
}

// Reduced: the level filtered to the zoom, then the marks at screen size.
void RenderReduced(QtPicture& picture, Reduction& reduction, double zoom, Frame& f) {
  const int w = picture.Width(), h = picture.Height();
  // The level at or just above the zoom (2^-k >= zoom); level 0 is the
  // picture itself, between 1/2 and 1:1.
  int k = static_cast<int>(std::floor(std::log2(1.0 / zoom) + kSame));
  k = std::clamp(k, 0, Reduction::kLevels);
  const QRectF shown = QRectF(0, 0, w * zoom, h * zoom).intersected(QRectF(f.area));
  if (shown.isEmpty()) return;
  const QImage* level = nullptr;
  QImage clean;
  QPointF origin;  // picture (level) pixel at the level image's top-left corner
  if (k == 0) {
    // The clean picture under the part shown: its pixels with the colours
    // under the marks put back (the marks follow at screen size).
    const int x0 = std::max(0, static_cast<int>(std::floor(shown.left() / zoom)) - 1);
    const int y0 = std::max(0, static_cast<int>(std::floor(shown.top() / zoom)) - 1);
    const int x1 = std::min(w - 1, static_cast<int>(std::ceil(shown.right() / zoom)) + 1);
    const int y1 = std::min(h - 1, static_cast<int>(std::ceil(shown.bottom() / zoom)) + 1);
    clean = reduction.CleanPart(QSize(x1 - x0 + 1, y1 - y0 + 1));
    if (!clean.isNull()) {
      const std::uint32_t* px = picture.Data();
      const auto width = static_cast<std::size_t>(w);
      for (int y = y0; y <= y1; ++y)
        std::memcpy(clean.scanLine(y - y0), px + static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x0),
                    static_cast<std::size_t>(x1 - x0 + 1) * sizeof(std::uint32_t));
      picture.ForEachWritten([&](std::size_t i, std::uint32_t before) {
        const int x = static_cast<int>(i % width), y = static_cast<int>(i / width);
        if (x >= x0 && x <= x1 && y >= y0 && y <= y1)
          reinterpret_cast<std::uint32_t*>(clean.scanLine(y - y0))[x - x0] = before;
      });
      level = &clean;
      origin = QPointF(x0, y0);
    }
  } else {
    reduction.Update(picture);
    if (!reduction.Level(k).isNull()) level = &reduction.Level(k);
  }
  if (level != nullptr) {
    const double scale = zoom * static_cast<double>(1 << k);  // view pixels per level pixel
    QPainter painter(&f.image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(scale - 1.0) > kSame);
    const QRectF source(shown.x() / scale - origin.x(), shown.y() / scale - origin.y(), shown.width() / scale,
                        shown.height() / scale);
    painter.drawImage(shown.translated(-f.area.topLeft()), *level, source);
  }

  // The view pixel that shows the centre of picture pixel p.
  const auto at = [zoom](int p) { return static_cast<int>(std::floor((p + 0.5) * zoom)); };
  for (const RasterPicture::LineItem& l : picture.Lines()) {
    if (l.vertical)
      f.Fill(at(l.at), at(l.a), at(l.at), at(l.b), l.argb);
    else
      f.Fill(at(l.a), at(l.at), at(l.b), at(l.at), l.argb);
  }
  for (const RasterPicture::SlantItem& s : picture.Slants()) {
    // The part of the line inside the area (ends far outside cost nothing),
    // one screen pixel a step.
    const double x0 = at(s.x1), y0 = at(s.y1), dx = at(s.x2) - x0, dy = at(s.y2) - y0;
    double t0 = 0, t1 = 1;
    const auto clip = [&t0, &t1](double p, double q) {  // keeps p * t <= q
      if (p == 0) return q >= 0;
      const double t = q / p;
      if (p < 0) t0 = std::max(t0, t);
      else t1 = std::min(t1, t);
      return t0 <= t1;
    };
    const QRect& a = f.area;
    if (!clip(-dx, x0 - a.left()) || !clip(dx, a.right() - x0) || !clip(-dy, y0 - a.top()) ||
        !clip(dy, a.bottom() - y0))
      continue;
    const double length = std::max(std::abs(dx), std::abs(dy)) * (t1 - t0);
    const int n = static_cast<int>(std::ceil(length));
    for (int i = 0; i <= n; ++i) {
      const double t = t0 + (n == 0 ? 0 : (t1 - t0) * i / n);
      const int x = static_cast<int>(std::lround(x0 + t * dx)), y = static_cast<int>(std::lround(y0 + t * dy));
      f.Fill(x, y, x, y, s.argb);
    }
  }
  for (const RasterPicture::MarkItem& m : picture.Marks()) {
    const int x = at(m.x), y = at(m.y);
    f.Fill(x - m.half, y - m.half, x + m.half, y + m.half, m.argb);
  }
  // Texts at their own size, their top-left corner where the picture puts it.
  for (const RasterPicture::Text& t : picture.Texts()) {
    if (!std::isfinite(t.x) || !std::isfinite(t.y) || std::fabs(t.x) > 1e6 || std::fabs(t.y) > 1e6) continue;
    const int left = static_cast<int>(std::lround(t.x * zoom)), top = static_cast<int>(std::lround(t.y * zoom));
    for (const auto& p : picture.Rendered(t)) {
      const int x = left + p.dx, y = top + p.dy;
      if (!f.area.contains(x, y)) continue;
      std::uint32_t* d = f.At(x, y);
      *d = Over(p.premultiplied, *d);
    }
  }
}

// The marks of measured points (PointMarks), over everything else: a cross
// of four bright arms with a dark outline around the point's own square,
// which stays as the picture shows it.
void RenderPointMarks(const QtPicture& picture, double zoom, Frame& f) {
  const int gap = PointMarkGap(zoom), reach = PointMarkReach(zoom);
  for (const RasterPicture::MarkItem& m : picture.PointMarks()) {
    const int x = static_cast<int>(std::floor((m.x + 0.5) * zoom)), y = static_cast<int>(std::floor((m.y + 0.5) * zoom));
    if (x + reach < f.area.left() || x - reach > f.area.right() || y + reach < f.area.top() ||
        y - reach > f.area.bottom())
      continue;
    // The outline first, then the bright arms inside it.
    for (const int sign : {-1, 1}) {
      const int a = x + sign * gap, b = x + sign * (reach - 1), c = y + sign * gap, d = y + sign * (reach - 1);
      f.Fill(std::min(a, b) - 1, y - 1, std::max(a, b) + 1, y + 1, kPointMarkOutline);
      f.Fill(x - 1, std::min(c, d) - 1, x + 1, std::max(c, d) + 1, kPointMarkOutline);
    }
    for (const int sign : {-1, 1}) {
      const int a = x + sign * gap, b = x + sign * (reach - 1), c = y + sign * gap, d = y + sign * (reach - 1);
      f.Fill(std::min(a, b), y, std::max(a, b), y, kPointMarkColour);
      f.Fill(x, std::min(c, d), x, std::max(c, d), kPointMarkColour);
    }
  }
}

}  // namespace

int PointMarkGap(double zoom) { return std::max(2, static_cast<int>(std::ceil(zoom / 2)) + 1); }

int PointMarkReach(double zoom) { return PointMarkGap(zoom) + 5; }

double StepIn(double zoom) {
  for (int n = -kHalfStepsPerSide; n <= kHalfStepsPerSide; ++n)
    if (Step(n) > zoom * (1 + kSame)) return Step(n);
  return std::min(zoom, kMaxZoom);
}

double StepOut(double zoom) {
  for (int n = kHalfStepsPerSide; n >= -kHalfStepsPerSide; --n)
    if (Step(n) < zoom * (1 - kSame)) return Step(n);
  return std::max(zoom, kMinZoom);
}

double FitZoom(QSize picture, QSize view) {
  if (picture.isEmpty() || view.isEmpty()) return 1;
  const double z = std::min(static_cast<double>(view.width()) / picture.width(),
                            static_cast<double>(view.height()) / picture.height());
  return std::clamp(z, kMinZoom, kMaxFitZoom);
}

QString ZoomText(double zoom) {
  const double percent = zoom * 100;
  return QString::number(percent < 10 ? std::round(percent * 10) / 10 : std::round(percent)) + " %";
}

void Reduction::Update(const QtPicture& picture) {
  if (picture.Serial() == serial_) return;
  for (QImage& level : levels_) level = QImage();
  serial_ = picture.Serial();
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return;
  // The clean colour of each pixel a mark covers now.
  std::unordered_map<std::size_t, std::uint32_t> clean;
  picture.ForEachWritten([&clean](std::size_t i, std::uint32_t before) { clean[i] = before; });
  const std::uint32_t* px = picture.Data();
  const auto width = static_cast<std::size_t>(w);
  int lw = w, lh = h;
  for (int k = 0; k < kLevels; ++k) {
    QImage level((lw + 1) / 2, (lh + 1) / 2, QImage::Format_RGB32);
    if (level.isNull()) return;  // out of memory: the view is drawn without the levels
    if (k == 0) {
      HalveRows(px, width, w, h, level);
      // The blocks under marks again, from the clean colours.
      const auto cleanAt = [&](int x, int y) {
        const std::size_t i = static_cast<std::size_t>(y) * width + static_cast<std::size_t>(x);
        const auto it = clean.find(i);
        return it == clean.end() ? px[i] : it->second;
      };
      for (const auto& [index, colour] : clean) {
        (void)colour;
        const int bx = static_cast<int>(index % width) / 2, by = static_cast<int>(index / width) / 2;
        std::uint32_t c[4];
        int n = 0;
        for (int j = 0; j < 2 && 2 * by + j < h; ++j)
          for (int i = 0; i < 2 && 2 * bx + i < w; ++i) c[n++] = cleanAt(2 * bx + i, 2 * by + j);
        reinterpret_cast<std::uint32_t*>(level.scanLine(by))[bx] = Average(c, n);
      }
    } else {
      const QImage& below = levels_[static_cast<std::size_t>(k - 1)];
      HalveRows(reinterpret_cast<const std::uint32_t*>(below.constBits()),
                static_cast<std::size_t>(below.bytesPerLine()) / 4, lw, lh, level);
    }
    levels_[static_cast<std::size_t>(k)] = std::move(level);
    lw = levels_[static_cast<std::size_t>(k)].width();
    lh = levels_[static_cast<std::size_t>(k)].height();
  }
}

QImage Reduction::CleanPart(QSize size) {
  if (cleanPart_.width() < size.width() || cleanPart_.height() < size.height())
    cleanPart_ = QImage(size.expandedTo(cleanPart_.size()), QImage::Format_RGB32);
  if (cleanPart_.isNull()) return {};
  // Exactly `size` over the kept memory: filtering stops at its edges.
  return QImage(cleanPart_.bits(), size.width(), size.height(), cleanPart_.bytesPerLine(), QImage::Format_RGB32);
}

std::size_t Reduction::Bytes() const {
  std::size_t bytes = 0;
  for (const QImage& level : levels_) bytes += static_cast<std::size_t>(level.sizeInBytes());
  return bytes;
}

void Render(QtPicture& picture, Reduction& reduction, double zoom, const QRect& area, QImage& frame,
            QRgb background) {
  if (frame.size() != area.size() || frame.format() != QImage::Format_RGB32)
    frame = QImage(area.size(), QImage::Format_RGB32);
  if (frame.isNull()) return;
  frame.fill(background);
  Frame f{frame, area};
  if (picture.Width() <= 0 || picture.Height() <= 0) return;
  if (zoom >= 1.0)
    RenderPixels(picture, zoom, f);
  else
    RenderReduced(picture, reduction, zoom, f);
  RenderPointMarks(picture, zoom, f);
}

}  // namespace pelorin::gui::view
