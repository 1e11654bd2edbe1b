// A picture held in memory: the loaded picture and the marks drawn over it.
// Pixels are stored as 0xAARRGGBB words (alpha always 0xFF) so that a
// toolkit can show the buffer without converting it; the port's colours
// (0x00BBGGRR) are converted at the edges.
//
// The shown picture is made of two layers:
//  - the pixel layer (Data()): the loaded picture with every dot, 3x3 mark,
//    slanted line and text drawn into it. Each pixel written is remembered
//    with the colour it covered, so RestoreClean puts back only those: the
//    clean picture is never copied whole;
//  - the line layer: horizontal and vertical lines kept as segments, not
//    rasterised. The pixel grid covers a 2500-pixel square whatever the
//    picture's size; kept as segments it costs the same on every picture.
// The two layers keep the order of drawing: whatever was drawn last wins at
// a pixel, exactly as if every line had been rasterised. Point, SaveBmp and
// Compose (for the screen) all see the composed picture.
#pragma once

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/Ports.h"

namespace pelorin {

// Memory for the pixels of large pictures. On Linux, buffers of several
// megabytes are asked to be backed by large pages: marks spread over a
// picture of 8192 x 8192 pixels then cost about what they cost on a small
// one, instead of one address-translation miss each. Throws std::bad_alloc.
void* AllocatePixels(std::size_t bytes);
void FreePixels(void* p, std::size_t bytes) noexcept;

template <class T>
struct PixelAllocator {
  using value_type = T;
  PixelAllocator() = default;
  template <class U>
  PixelAllocator(const PixelAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) { return static_cast<T*>(AllocatePixels(n * sizeof(T))); }
  void deallocate(T* p, std::size_t n) noexcept { FreePixels(p, n * sizeof(T)); }
  // Pixels made by resize are left as they are (every one is written next).
  template <class U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
  template <class U>
  bool operator==(const PixelAllocator<U>&) const noexcept {
    return true;
  }
};

class RasterPicture : public PicturePort {
 public:
  RasterPicture() = default;

  // Replaces the picture by w x h pixels of 0xAARRGGBB, top row first; they
  // are the clean picture from now on, and every mark goes. When memory
  // runs out (std::bad_alloc) the picture stays as it was.
  void SetPixels(int w, int h, std::vector<std::uint32_t> argb);
  // The same with the rows written by `fill(y, row)` (w words each), without
  // a copy of the whole picture in between.
  void SetPixelRows(int w, int h, const std::function<void(int y, std::uint32_t* row)>& fill);
  // A w x h picture of one colour (0x00BBGGRR).
  void Fill(int w, int h, std::uint32_t colour);

  int Width() const override { return w_; }
  int Height() const override { return h_; }
  std::int32_t Point(double x, double y) const override;
  void PSet(double x, double y, std::uint32_t colour) override;
  // The nine pixels, as nine PSet calls, kept in Marks() as one mark.
  void Mark3x3(double x, double y, std::uint32_t colour) override;
  // The pixel, as PSet, and the point kept in PointMarks() for the screen.
  void PointMark(double x, double y, std::uint32_t colour) override;
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

  // A picture of measured data: the levels shown as grey under the chosen
  // brightness scale, and kept for a change of scale. Replaces the picture
  // as SetPixels does (the header too; set it after). Throws std::bad_alloc
  // with the picture as it was.
  void SetLevels(DataLevels levels);
  bool HasDataLevels() const override { return !levels_.Empty(); }
  const DataLevels* MeasuredLevels() const override { return levels_.Empty() ? nullptr : &levels_; }
  const DataLevels& Levels() const { return levels_; }
  BrightnessScale Brightness() const override { return scale_; }
  bool SetBrightness(BrightnessScale s) override;

  const PictureHeader& Header() const override { return header_; }
  std::string Note() const override { return note_; }
  // The note of the picture set by SetPixels/SetPixelRows/SetLevels; set it
  // after them (they clear it).
  void SetNote(std::string note) { note_ = std::move(note); }
  // The header of the picture set by SetPixels/SetPixelRows; set it after
  // them (they clear it).
  void SetHeader(PictureHeader header) { header_ = std::move(header); }

  // The composed colour (0xAARRGGBB) of pixel (x, y), which must lie inside
  // the picture.
  std::uint32_t ShownArgb(int x, int y) const {
    return lines_.empty() ? px_[Index(x, y)] : ShownOverLines(x, y);
  }
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

  // The pixel layer, for the toolkit and for tests (read only: drawing goes
  // through the port or DrawPixel, so that it can be undone).
  const std::uint32_t* Data() const { return px_.data(); }

  // Drawing done outside this class (text rendered by the toolkit): sets
  // pixel (x, y) of the pixel layer to `argb` (0xAARRGGBB, alpha 0xFF), over
  // whatever is shown there; outside the picture nothing happens. Undone by
  // the next RestoreClean.
  void DrawPixel(int x, int y, std::uint32_t argb);

  // The bounding rectangle of every pixel whose shown colour may have
  // changed since the last call (drawing, restoring, a new picture); resets
  // it. For repainting only what changed.
  Rect TakeChanged();

  // What was drawn since the last restore, for showing the picture at
  // another scale than its own pixels:
  //  - Marks(): dots (PSet, half 0) and 3 x 3 marks (half 1), each at the
  //    pixel of its centre (which may lie just outside the picture), in
  //    drawing order; text pixels are not among them;
  //  - Lines(): the line layer in drawing order (column or row `at`, from
  //    a to b inclusive, clipped to the picture);
  //  - Slants(): the other lines, by their rounded ends.
  struct MarkItem {
    int x, y, half;
    std::uint32_t argb;
  };
  struct LineItem {
    bool vertical;
    int at, a, b;  // column (row) and its extent, clipped
    std::uint32_t argb;
    std::uint64_t order;
  };
  struct SlantItem {
    int x1, y1, x2, y2;
    std::uint32_t argb;
  };
  const std::vector<MarkItem>& Marks() const { return marks_; }
  // The measured points drawn with PointMark since the last restore (inside
  // the picture; half 0), in drawing order: also among Marks() as dots.
  const std::vector<MarkItem>& PointMarks() const { return points_; }
  const std::vector<LineItem>& Lines() const { return lines_; }
  const std::vector<SlantItem>& Slants() const { return slants_; }

  // Calls f(pixel index, colour it had) for every pixel of the pixel layer
  // written since the last restore, newest first: the last call for a
  // pixel gives its clean colour.
  template <typename F>
  void ForEachWritten(F&& f) const {
    for (auto it = undo_.rbegin(); it != undo_.rend(); ++it) f(it->index, it->before);
  }

  // Changes whenever a new picture is set (SetPixels, SetPixelRows, Fill,
  // Load), never with drawing: what is cached from the clean picture is
  // stale when it differs.
  std::uint64_t Serial() const { return serial_; }

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
  // A pixel written, and the colour it had before.
  struct Undo {
    std::size_t index;
    std::uint32_t before;
  };
  // Pixels written while a line covered them: pixel index -> when it was
  // last written. Open addressing; emptied slot by slot.
  class OverTable {
   public:
    void Set(std::size_t index, std::uint64_t order);
    std::uint64_t Get(std::size_t index) const;  // 0: never
    void Clear();
    bool Empty() const { return used_.empty(); }
    // f(pixel index, order) for every pixel held.
    template <typename F>
    void ForEach(F&& f) const {
      for (std::size_t slot : used_) f(slots_[slot].index - 1, slots_[slot].order);
    }

   private:
    struct Slot {
      std::size_t index;  // pixel index + 1; 0 for a free slot
      std::uint64_t order;
    };
    std::size_t Find(std::size_t key) const;
    std::vector<Slot> slots_;
    std::vector<std::size_t> used_;
  };

  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(w_) + static_cast<std::size_t>(x);
  }
  // The last-drawn line covering (x, y), or nullptr.
  const Segment* TopLine(int x, int y) const;
  // A pixel write of the pixel layer inside the picture.
  void WritePixel(int x, int y, std::uint32_t argb);
  void AddLine(bool vertical, int at, int a, int b, std::uint32_t argb);
  // Grows r (which may be kNothing) to hold the rectangle.
  static void Grow(Rect& r, int x0, int y0, int x1, int y1) {
    r.x0 = std::min(r.x0, x0);
    r.y0 = std::min(r.y0, y0);
    r.x1 = std::max(r.x1, x1);
    r.y1 = std::max(r.y1, y1);
  }
  std::uint32_t ShownOverLines(int x, int y) const;
  // Takes `pixels` as the new w x h picture and drops every mark.
  void Adopt(int w, int h, std::vector<std::uint32_t, PixelAllocator<std::uint32_t>>& pixels);
  // Composes rows y0..y1, columns x0..x1 (inside the picture) into out.
  void ComposeInto(int x0, int y0, int x1, int y1, std::uint32_t* out, std::size_t stride) const;

  int w_ = 0, h_ = 0;
  std::vector<std::uint32_t, PixelAllocator<std::uint32_t>> px_;
  // Pixels of the pixel layer written since the last restore, in order.
  std::vector<Undo> undo_;
  // The line layer, indexed by column and by row, and in drawing order.
  std::vector<std::vector<Segment>> columns_, rows_;
  std::vector<int> touchedColumns_, touchedRows_;
  std::vector<LineItem> lines_;
  OverTable over_;
  std::uint64_t order_ = 0;  // drawing order of lines and pixels over lines
  // What was drawn: `fresh_` since the last restore or TakeChanged, `drawn_`
  // since the last restore before that; `changed_` what a restore or a new
  // picture changed since TakeChanged.
  static constexpr Rect kNothing{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
  Rect fresh_ = kNothing, drawn_ = kNothing, changed_ = kNothing;
  std::vector<Text> texts_;
  std::vector<MarkItem> marks_;
  std::vector<MarkItem> points_;
  std::vector<SlantItem> slants_;
  std::uint64_t serial_ = 0;
  PictureHeader header_;
  DataLevels levels_;
  std::string note_;
  BrightnessScale scale_ = BrightnessScale::Linear;
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
// The same for the bytes of a BMP file held in memory.
bool DecodeBmp(std::string_view bytes, int& w, int& h, std::vector<std::uint32_t>& argb, std::string& error);

}  // namespace pelorin
