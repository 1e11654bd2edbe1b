#include "QtPicture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include <QColor>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include "Decoders.h"
#include "base/PictureSize.h"

namespace pelorin::gui {

namespace {
std::string SizeText(const QSize& size) {
  return std::to_string(size.width()) + " x " + std::to_string(size.height()) + " pixels";
}

// Whether a JPEG file has its end-of-image marker after its last scan. Qt
// decodes a file cut inside its pixel data without failing (the missing rows
// come out grey); the marker is what tells a whole file.
bool JpegHasEnd(const std::string& path) {
  QFile file(QFile::decodeName(path.c_str()));
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  const qsizetype scan = bytes.lastIndexOf("\xFF\xDA");
  return scan >= 0 && bytes.indexOf("\xFF\xD9", scan) >= 0;
}
}  // namespace

bool QtPicture::LoadData(const std::string& path, std::string& error) {
  if (!decoders::LoadInto(path, *this, error)) return false;
  if (onLoaded) onLoaded();
  return true;
}

bool QtPicture::Load(const std::string& path, std::string& error) {
  // FITS and JPEG 2000 (by content, or by a name that says so) are read by
  // the decoders, which also keep the data and the header; Qt reads the
  // others (BMP, JPEG, PNG, TIFF).
  const decoders::PictureKind kind = decoders::SniffPicture(path);
  if (kind == decoders::PictureKind::Fits || kind == decoders::PictureKind::Jpeg2000 ||
      (kind == decoders::PictureKind::Unknown && decoders::HasDataPictureName(path)))
    return LoadData(path, error);
  // Qt's own guard (256 MB by default) would refuse pictures well inside the
  // limits below, some of them already when the header is read; 400 million
  // 32-bit pixels need 1600 MB.
  QImageReader::setAllocationLimit(1700);
  QImageReader reader(QFile::decodeName(path.c_str()));
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);  // pixels as stored: positions are measured on them

  const QSize size = reader.size();  // from the header only
  const QByteArray format = reader.format();  // known before the read only
  if (size.isValid() && !CheckPictureSize(size.width(), size.height(), error)) return false;

  try {
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
      error = reader.errorString().toStdString();
      if (error.empty()) error = "the picture cannot be read";
      return false;
    }
    if (format == "jpeg" && !JpegHasEnd(path)) {
      error = "the JPEG picture is cut short: its data end before the end-of-image marker";
      return false;
    }
    if (!CheckPictureSize(image.width(), image.height(), error)) return false;
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) {
      error = "not enough memory to convert a picture of " + SizeText(image.size());
      return false;
    }
    const int w = image.width(), h = image.height();
    SetPixelRows(w, h, [&image, w](int y, std::uint32_t* row) {
      std::memcpy(row, image.constScanLine(y), static_cast<std::size_t>(w) * sizeof(std::uint32_t));
    });
  } catch (const std::bad_alloc&) {
    error = "not enough memory to open a picture of " + SizeText(size);
    return false;
  }
  if (onLoaded) onLoaded();
  return true;
}

const QtPicture::RenderedText& QtPicture::Render(const std::string& text, int sizePoints, bool bold,
                                                 std::uint32_t colour) {
  std::string key = text;
  key += '\0';
  key += std::to_string(sizePoints) + (bold ? "b" : "n") + std::to_string(colour);
  if (auto it = rendered_.find(key); it != rendered_.end()) return it->second;
  // The names of a reference block come back on every redraw; other texts
  // are few. Start afresh rather than grow without end.
  if (rendered_.size() >= kMaxRenderedTexts) rendered_.clear();

  QFont font;
  font.setPointSize(sizePoints);
  font.setBold(bold);
  const QString line = QString::fromStdString(text);
  constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;
  // Measured on a picture, as the text is drawn on one (pictures have their
  // own resolution, not the screen's).
  QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
  QRect bounds;
  {
    QPainter painter(&probe);
    painter.setFont(font);
    bounds = painter.boundingRect(QRect(0, 0, 100000, 10000), flags, line);
  }
  // Antialiasing may touch one pixel beyond the reported box.
  const int left = bounds.left() - 1, top = bounds.top() - 1;
  QImage image(std::min(bounds.width() + 2, 100002), std::min(bounds.height() + 2, 10002),
               QImage::Format_ARGB32_Premultiplied);
  RenderedText r;
  if (!image.isNull()) {
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                          static_cast<int>((colour >> 16) & 0xFFu)));
    painter.drawText(bounds.translated(-left, -top), flags, line);
    painter.end();
    for (int y = 0; y < image.height(); ++y) {
      const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
      for (int x = 0; x < image.width(); ++x)
        if ((row[x] >> 24) != 0) r.pixels.push_back({x + left, y + top, row[x]});
    }
  }
  return rendered_.emplace(std::move(key), std::move(r)).first->second;
}

void QtPicture::Print(double x, double y, const std::string& text, int sizePoints, bool bold,
                      std::uint32_t colour) {
  RasterPicture::Print(x, y, text, sizePoints, bold, colour);  // keeps the list of printed texts
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0 || text.empty() || sizePoints <= 0 || !std::isfinite(x) || !std::isfinite(y)) return;
  // Positions far outside the picture draw nothing; keep them inside int.
  if (std::fabs(x) > 1e6 || std::fabs(y) > 1e6) return;

  const int left = static_cast<int>(std::lround(x)), top = static_cast<int>(std::lround(y));
  // The rendered text over what is shown: colour by coverage (premultiplied
  // source over an opaque picture).
  for (const TextPixel& p : Render(text, sizePoints, bold, colour).pixels) {
    const int px = left + p.dx, py = top + p.dy;
    if (px < 0 || py < 0 || px >= w || py >= h) continue;
    const std::uint32_t s = p.premultiplied, a = s >> 24;
    if (a == 255) {
      DrawPixel(px, py, s);
      continue;
    }
    const std::uint32_t d = ShownArgb(px, py);
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
      const std::uint32_t sc = (s >> shift) & 0xFFu, dc = (d >> shift) & 0xFFu;
      out |= std::min(255u, sc + (dc * (255u - a) + 127u) / 255u) << shift;
    }
    DrawPixel(px, py, out);
  }
}

void QtPicture::Refresh() {
  if (onRefresh) onRefresh();
}

}  // namespace pelorin::gui
