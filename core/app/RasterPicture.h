// A picture held in memory: the shown picture with its marks and the clean
// copy it is restored from. Pixels are stored as 0xAARRGGBB words (alpha
// always 0xFF) so that a toolkit can show the buffer without converting it;
// the port's colours (0x00BBGGRR) are converted at the edges.
//
// Restoring the clean copy only copies back the rectangles drawn on since the
// last restore, so the cost of a redraw follows the marks, not the picture.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Ports.h"

namespace pelorin {

class RasterPicture : public PicturePort {
 public:
  RasterPicture() = default;

  // Replaces the picture (and its clean copy) by w x h pixels of 0xAARRGGBB.
  void SetPixels(int w, int h, std::vector<std::uint32_t> argb);
  // A w x h picture of one colour (0x00BBGGRR).
  void Fill(int w, int h, std::uint32_t colour);

  int Width() const override { return w_; }
  int Height() const override { return h_; }
  std::int32_t Point(double x, double y) const override;
  void PSet(double x, double y, std::uint32_t colour) override;
  void Line(double x1, double y1, double x2, double y2, std::uint32_t colour) override;
  void Print(double x, double y, const std::string& text, int sizePoints, bool bold,
             std::uint32_t colour) override;
  void RestoreClean() override;
  void Refresh() override {}
  // The core itself decodes only uncompressed BMP files; the program's port
  // decodes JPEG as well.
  bool Load(const std::string& path, std::string& error) override;
  bool SaveBmp(const std::string& path, std::string& error) const override;

  // Raw access for the toolkit and for tests.
  const std::uint32_t* Data() const { return px_.data(); }
  std::uint32_t* MutableData() { return px_.data(); }
  const std::vector<std::uint32_t>& Clean() const { return clean_; }
  // Marks a rectangle as drawn on, so RestoreClean puts it back (for drawing
  // done outside this class, such as text rendered by the toolkit).
  void MarkDirty(int x0, int y0, int x1, int y1);

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
  struct Rect {
    int x0, y0, x1, y1;  // inclusive
  };
  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t> px_, clean_;
  std::vector<Rect> dirty_;
  std::vector<Text> texts_;
};

// Writes w x h pixels (0xAARRGGBB, top row first) as a 24-bit BMP file.
bool WriteBmp(const std::string& path, int w, int h, const std::uint32_t* argb, std::string& error);
// Reads an uncompressed 24- or 32-bit BMP file. Refuses, before allocating,
// sizes above 30000 x 30000 and files shorter than the pixels their header
// promises; `error` then says why.
bool ReadBmp(const std::string& path, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error);

}  // namespace pelorin
