// The picture of the main window: the core's in-memory picture with the
// toolkit's decoders (BMP, JPEG and whatever else Qt reads, decided by
// content), its text rendering, and a hook that repaints the canvas.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/RasterPicture.h"

namespace pelorin::gui {

class QtPicture : public RasterPicture {
 public:
  // Decodes the file by its content (not its extension) into 0xFFRRGGBB
  // words: FITS and JPEG 2000 files (and files named so) through the
  // decoders, with their header and data levels; the others through Qt.
  // Pictures larger than CheckPictureSize allows are refused from the
  // header, before anything is decoded. On failure returns false with the
  // reader's own explanation (or the size limit, or a JPEG cut short before
  // its end marker) in `error`, and the picture stays as it was.
  bool Load(const std::string& path, std::string& error) override;

  // Renders one line of text into the picture: the default font family at
  // `sizePoints` (points of a 96-dpi picture), bold if asked, colour
  // 0x00BBGGRR, top-left corner of the text at (x, y) picture pixels,
  // antialiased over what is shown there (lines included). The pixels it
  // covers are restored by the next RestoreClean. Each text is rendered by
  // Qt once and kept, so the names of a redraw cost a copy each.
  void Print(double x, double y, const std::string& text, int sizePoints, bool bold,
             std::uint32_t colour) override;

  // Asks the canvas to repaint.
  void Refresh() override;

  // The rendering of a printed text (one of Texts()), for drawing it
  // elsewhere at its own size: its pixels, each with dx, dy from the text's
  // top-left corner and `premultiplied`, its colour premultiplied by its
  // coverage. Valid until the next text is rendered.
  const auto& Rendered(const Text& text) { return Render(text.text, text.size, text.bold, text.colour).pixels; }

  // Called by Refresh and after a picture was loaded (the size may differ).
  std::function<void()> onRefresh;
  std::function<void()> onLoaded;

 private:
  bool LoadData(const std::string& path, std::string& error);

  // One text rendered on transparency: the pixels it covers at all, each
  // at (dx, dy) from the point the text is printed at, with its colour
  // premultiplied by its coverage (0xAARRGGBB, alpha the coverage).
  struct TextPixel {
    int dx, dy;
    std::uint32_t premultiplied;
  };
  struct RenderedText {
    std::vector<TextPixel> pixels;
  };
  static constexpr std::size_t kMaxRenderedTexts = 2000;
  const RenderedText& Render(const std::string& text, int sizePoints, bool bold, std::uint32_t colour);
  std::unordered_map<std::string, RenderedText> rendered_;
};

}  // namespace pelorin::gui
