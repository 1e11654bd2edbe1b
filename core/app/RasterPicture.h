// A picture held in memory: the loaded picture, the marks drawn over it, and
// the clean copy it is restored from. Pixels are stored as 0xAARRGGBB words
// (alpha always 0xFF) so that a toolkit can show the buffer without
// converting it; the port's colours (0x00BBGGRR) are converted at the edges.
//
// The shown picture is made of two layers:
//  - the pixel layer (Data()): the loaded picture with every dot, 3x3 mark,
//    slanted line and text drawn into it. Each pixel written is remembered,
//    so RestoreClean copies back only those, not the whole picture;
//  - the line layer: horizontal and vertical lines kept as segments, not
//    rasterised. The pixel grid covers a 2500-pixel square whatever the
//    picture's size; kept as segments it costs the same on every picture.
// The two layers keep the order of drawing: whatever was drawn last wins at
// a pixel, exactly as if every line had been rasterised. Point, SaveBmp and
// Compose (for the screen) all see the composed picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/Ports.h"

namespace pelorin {

class RasterPicture : public PicturePort {
 public:
  RasterPicture() = default;

  // Replaces the picture (and its clean copy) by w x h pixels of 0xAARRGGBB,
  // top row first; every mark goes.
  void SetPixels(int w, int h, std::vector<std::uint32_t> argb);
  // A w x h picture of one colour (0x00BBGGRR).
  void Fill(int w, int h, std::uint32_t colour);

  int Width() const override { return w_; }
  int Height() const override { return h_; }
  std::int32_t Point(double x, double y) const override;
  void PSet(double x, double y, std::uint32_t colour) override;
  // Horizontal and vertical lines (after rounding the ends) go to the line
  // layer; others are rasterised into the pixel layer (at most 200000
  // steps from the first end).
  void Line(double x1, double y1, double x2, double y2, std::uint32_t colour) override;
  // The core only records the text (Texts()); a toolkit's port renders it.
  void Print(double x, double y, const std::string& text, int sizePoints, bool bold,
             std::uint32_t colour) override;
  // Cost follows what was drawn since the last restore, not the picture.
  void RestoreClean() override;
  void Refresh() override {}
  // The core itself decodes only uncompressed BMP files; the program's port
  // decodes JPEG as well.
  bool Load(const std::string& path, std::string& error) override;
  // Writes the composed picture (both layers), row by row.
  bool SaveBmp(const std::string& path, std::string& error) const override;

  // The composed colour (0xAARRGGBB) of pixel (x, y), which must lie inside
  // the picture.
  std::uint32_t ShownArgb(int x, int y) const;
  // Composes the rectangle of `w` x `h` pixels with its top-left corner at
  // (x, y), clipped to the picture, into `out`: row r of the clipped
  // rectangle starts at out + r * stride (words). Returns the clipped
  // rectangle as {x0, y0, x1, y1} inclusive (x0 > x1 when nothing is left).
  struct Rect {
    int x0, y0, x1, y1;  // inclusive; empty when x0 > x1 or y0 > y1
    bool Empty() const { return x0 > x1 || y0 > y1; }
  };
  Rect Compose(int x, int y, int w, int h, std::uint32_t* out, std::size_t stride) const;
  // True while the line layer holds a line (otherwise the pixel layer is
  // the shown picture and can be shown without composing).
  bool HasLines() const { return !lines_.empty(); }

  // The pixel layer, for the toolkit and for tests.
  const std::uint32_t* Data() const { return px_.data(); }
  std::uint32_t* MutableData() { return px_.data(); }
  const std::vector<std::uint32_t>& Clean() const { return clean_; }

  // Drawing done outside this class (text rendered by the toolkit): call
  // this before writing into MutableData() inside the rectangle (clipped to
  // the picture). Lines crossing the rectangle are first composed into the
  // pixel layer there, so what is drawn next lands over them; the rectangle
  // is restored by the next RestoreClean.
  void BeginDrawing(int x0, int y0, int x1, int y1);

  // The bounding rectangle of every pixel whose shown colour may have
  // changed since the last call (drawing, restoring, a new picture); resets
  // it. For repainting only what changed.
  Rect TakeChanged();

  // Texts printed since the last restore (kept for tests and for ports that
  // render text themselves).
  struct Text {
    double x, y;
    std::string text;
    int size;
    bool bold;
    std::uint32_t colour;
  };
  const std::vector<Text>& Texts() const { return texts_; }

  static std::uint32_t ToArgb(std::uint32_t bgr) {
    return 0xFF000000u | ((bgr & 0xFFu) << 16) | (bgr & 0xFF00u) | ((bgr >> 16) & 0xFFu);
  }
  static std::int32_t ToBgr(std::uint32_t argb) {
    return static_cast<std::int32_t>(((argb >> 16) & 0xFFu) | (argb & 0xFF00u) | ((argb & 0xFFu) << 16));
  }

 private:
  // A line of the line layer: rows (or columns) a..b of one column (row).
  struct Segment {
    int a, b;
    std::uint32_t argb;
    std::uint64_t order;
  };
  // A line in drawing order, for composing.
  struct LineItem {
    bool vertical;
    int at, a, b;  // column (row) and its extent, clipped
    std::uint32_t argb;
    std::uint64_t order;
  };
  // A pixel written while a line covered it: where, and when.
  struct Over {
    int pos;  // row in a column's list, column in a row's list
    std::uint64_t order;
  };

  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x);
  }
  // The last-drawn line covering (x, y), or nullptr.
  const Segment* TopLine(int x, int y) const;
  // When the pixel (x, y) was last written while a line covered it (0: never).
  std::uint64_t OverOrder(int x, int y) const;
  // A pixel write of the pixel layer inside the picture.
  void WritePixel(int x, int y, std::uint32_t argb);
  void AddLine(bool vertical, int at, int a, int b, std::uint32_t argb);
  void Grow(Rect& r, int x0, int y0, int x1, int y1);
  // Composes rows y0..y1, columns x0..x1 (inside the picture) into out.
  void ComposeInto(int x0, int y0, int x1, int y1, std::uint32_t* out, std::size_t stride) const;
  void ClearLayers();

  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> px_, clean_;
  // Pixels and rectangles of the pixel layer written since the last restore.
  std::vector<std::size_t> written_;
  std::vector<Rect> writtenRects_;
  // The line layer, indexed by column and by row, and in drawing order.
  std::vector<std::vector<Segment>> columns_, rows_;
  std::vector<LineItem> lines_;
  // Pixels written over lines, kept in the list of the column (when a
  // vertical line covered the pixel) or else of the row.
  std::vector<std::vector<Over>> columnOver_, rowOver_;
  std::vector<int> touchedColumns_, touchedRows_;
  std::uint64_t order_ = 0;  // drawing order; 0 is "before anything"
  Rect drawn_{0, 0, -1, -1};    // everything drawn since the last restore
  Rect changed_{0, 0, -1, -1};  // everything changed since TakeChanged
  std::vector<Text> texts_;
};

// Writes w x h pixels (0xAARRGGBB, top row first) as a 24-bit BMP file. The
// file is written beside the target (target + ".part") and renamed over it.
bool WriteBmp(const std::string& path, int w, int h, const std::uint32_t* argb, std::string& error);
// The same with the rows given by `rowAt`, which returns row y (w words,
// y counted from the top) valid until its next call; rows are asked for
// bottom row first.
bool WriteBmpRows(const std::string& path, int w, int h, const std::function<const std::uint32_t*(int y)>& rowAt,
                  std::string& error);
// Reads an uncompressed 24- or 32-bit BMP file. Refuses, before allocating,
// sizes above 30000 x 30000 and files shorter than the pixels their header
// promises; `error` then says why.
bool ReadBmp(const std::string& path, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error);

}  // namespace pelorin
