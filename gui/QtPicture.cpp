#include "QtPicture.h"

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

bool QtPicture::Load(const std::string& path, std::string& error) {
  // Qt's own guard (256 MB by default) would refuse pictures well inside the
  // limits below, some of them already when the header is read; 400 million
  // 32-bit pixels need 1600 MB.
  QImageReader::setAllocationLimit(1700);
  QImageReader reader(QFile::decodeName(path.c_str()));
  reader.setDecideFormatFromContent(true);
  reader.setAutoTransform(false);  // pixels as stored: positions are measured on them

  const QSize size = reader.size();  // from the header only
  const QByteArray format = reader.format();  // known before the read only
  if (size.isValid() &&
      (size.width() > kMaxSide || size.height() > kMaxSide ||
       static_cast<long long>(size.width()) * size.height() > kMaxPixels)) {
    error = "the picture is " + SizeText(size) + "; at most " + std::to_string(kMaxSide) +
            " pixels a side and 400 million pixels can be opened";
    return false;
  }

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
    if (image.width() > kMaxSide || image.height() > kMaxSide ||
        static_cast<long long>(image.width()) * image.height() > kMaxPixels) {
      error = "the picture is " + SizeText(image.size()) + "; it is too large to open";
      return false;
    }
    image.convertTo(QImage::Format_RGB32);
    if (image.isNull()) {
      error = "not enough memory to convert a picture of " + SizeText(image.size());
      return false;
    }
    const int w = image.width(), h = image.height();
    std::vector<std::uint32_t> argb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (int y = 0; y < h; ++y) {
      std::memcpy(argb.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(w), image.constScanLine(y),
                  static_cast<std::size_t>(w) * sizeof(std::uint32_t));
    }
    image = QImage();
    SetPixels(w, h, std::move(argb));
  } catch (const std::bad_alloc&) {
    error = "not enough memory to open a picture of " + SizeText(size);
    return false;
  }
  if (onLoaded) onLoaded();
  return true;
}

void QtPicture::Print(double x, double y, const std::string& text, int sizePoints, bool bold,
                      std::uint32_t colour) {
  RasterPicture::Print(x, y, text, sizePoints, bold, colour);  // keeps the list of printed texts
  const int w = Width(), h = Height();
  if (w <= 0 || h <= 0 || text.empty() || sizePoints <= 0 || !std::isfinite(x) || !std::isfinite(y)) return;
  // Positions far outside the picture draw nothing; keep them inside int.
  if (std::fabs(x) > 1e6 || std::fabs(y) > 1e6) return;

  // The image wraps the picture's own pixels: text is drawn in place.
  QImage target(reinterpret_cast<uchar*>(MutableData()), w, h, w * 4, QImage::Format_RGB32);
  QFont font;
  font.setPointSize(sizePoints);
  font.setBold(bold);
  const int left = static_cast<int>(std::lround(x)), top = static_cast<int>(std::lround(y));
  const QString line = QString::fromStdString(text);
  constexpr int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine;

  QPainter painter(&target);
  painter.setFont(font);
  painter.setPen(QColor(static_cast<int>(colour & 0xFFu), static_cast<int>((colour >> 8) & 0xFFu),
                        static_cast<int>((colour >> 16) & 0xFFu)));
  const QRect bounds = painter.boundingRect(QRect(left, top, 100000, 10000), flags, line);
  painter.drawText(bounds, flags, line);
  painter.end();
  // Antialiasing may touch one pixel beyond the reported box.
  MarkDirty(bounds.left() - 1, bounds.top() - 1, bounds.right() + 1, bounds.bottom() + 1);
}

void QtPicture::Refresh() {
  if (onRefresh) onRefresh();
}

}  // namespace pelorin::gui
