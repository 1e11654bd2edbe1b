// The in-memory picture: lines kept as lines and pixels drawn into the
// picture must show exactly what drawing everything into one picture, in
// order, would show: to Point, to Compose and in the saved BMP file. A
// restore removes every mark.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TestApp.h"
#include "base/RasterPicture.h"

namespace pelorin {
namespace {

// The picture as drawing everything into one pixel array gives it: the
// behaviour the layered picture must keep.
struct Model {
  int w, h;
  std::vector<std::uint32_t> px;  // 0xAARRGGBB
  Model(int width, int height, std::uint32_t argb)
      : w(width), h(height), px(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), argb) {}
  void Set(long x, long y, std::uint32_t argb) {
    if (x >= 0 && y >= 0 && x < w && y < h) px[static_cast<std::size_t>(y * w + x)] = argb;
  }
  std::int32_t At(int x, int y) const {
    if (x < 0 || y < 0 || x >= w || y >= h) return -1;
    return RasterPicture::ToBgr(px[static_cast<std::size_t>(y * w + x)]);
  }
};

// One drawing step applied to both pictures.
struct Painter {
  RasterPicture& pic;
  Model& model;
  void Dot(double x, double y, std::uint32_t bgr) {
    pic.PSet(x, y, bgr);
    model.Set(std::lround(x), std::lround(y), RasterPicture::ToArgb(bgr));
  }
  void AxisLine(double x1, double y1, double x2, double y2, std::uint32_t bgr) {
    pic.Line(x1, y1, x2, y2, bgr);
    const long ax = std::lround(x1), ay = std::lround(y1), bx = std::lround(x2), by = std::lround(y2);
    // Only the part inside the picture (and a pixel beyond) needs visiting.
    for (long y = std::max(std::min(ay, by), -1L); y <= std::min(std::max(ay, by), static_cast<long>(model.h)); ++y)
      for (long x = std::max(std::min(ax, bx), -1L); x <= std::min(std::max(ax, bx), static_cast<long>(model.w)); ++x)
        model.Set(x, y, RasterPicture::ToArgb(bgr));
  }
  // Drawing from outside (as text is drawn): pixels of the pixel layer.
  void Direct(const std::vector<std::pair<int, int>>& pixels, std::uint32_t bgr) {
    for (auto [x, y] : pixels) {
      pic.DrawPixel(x, y, RasterPicture::ToArgb(bgr));
      model.Set(x, y, RasterPicture::ToArgb(bgr));
    }
  }
};

// Every pixel (and a border of one pixel outside) reads as the model.
void ExpectSame(const RasterPicture& pic, const Model& model, const std::string& when) {
  int wrong = 0;
  for (int y = -1; y <= model.h; ++y) {
    for (int x = -1; x <= model.w; ++x) {
      if (pic.Point(x, y) != model.At(x, y) && ++wrong <= 5)
        ADD_FAILURE() << when << ": pixel (" << x << ", " << y << ") reads " << pic.Point(x, y) << ", drawn "
                      << model.At(x, y);
    }
  }
  EXPECT_EQ(wrong, 0) << when;
}

constexpr std::uint32_t kGrey = RGB(200, 200, 200);

// Source: the drawing order of the redraw (each mark covers what was drawn
// before it), cases worked by hand.
TEST(RasterPicture, LastDrawnWinsBetweenLinesAndPixels) {
  const std::uint32_t blue = QBColor(1), red = QBColor(4), green = QBColor(10), cyan = QBColor(11);
  struct Case {
    const char* name;
    std::function<void(Painter&)> draw;
    int x, y;
    std::int32_t expected;
  };
  const std::vector<Case> cases = {
      {"dot under a later line", [&](Painter& p) { p.Dot(5, 5, green); p.AxisLine(5, 0, 5, 9, blue); }, 5, 5,
       static_cast<std::int32_t>(blue)},
      {"dot over an earlier line", [&](Painter& p) { p.AxisLine(5, 0, 5, 9, blue); p.Dot(5, 5, green); }, 5, 5,
       static_cast<std::int32_t>(green)},
      {"line, dot, line", [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.Dot(5, 5, green); p.AxisLine(0, 5, 9, 5, red); },
       5, 5, static_cast<std::int32_t>(red)},
      {"crossing lines, later on top", [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.AxisLine(5, 0, 5, 9, red); },
       5, 5, static_cast<std::int32_t>(red)},
      {"dot between two crossing lines",
       [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.Dot(5, 5, green); p.AxisLine(5, 0, 5, 9, red); }, 5, 5,
       static_cast<std::int32_t>(red)},
      {"dot over both crossing lines",
       [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.AxisLine(5, 0, 5, 9, red); p.Dot(5, 5, green); }, 5, 5,
       static_cast<std::int32_t>(green)},
      {"text over a line", [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.Direct({{5, 5}, {5, 4}}, cyan); }, 5, 5,
       static_cast<std::int32_t>(cyan)},
      {"line beside the text's pixels stays",
       [&](Painter& p) { p.AxisLine(0, 5, 9, 5, blue); p.Direct({{5, 5}, {5, 4}}, cyan); }, 4, 5,
       static_cast<std::int32_t>(blue)},
      {"text under a later line", [&](Painter& p) { p.Direct({{5, 5}, {5, 4}}, cyan); p.AxisLine(5, 0, 5, 9, red); },
       5, 5, static_cast<std::int32_t>(red)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RasterPicture pic;
    pic.Fill(10, 10, kGrey);
    Model model(10, 10, RasterPicture::ToArgb(kGrey));
    Painter p{pic, model};
    c.draw(p);
    EXPECT_EQ(pic.Point(c.x, c.y), c.expected);
    ExpectSame(pic, model, c.name);
  }
}

// Source: the port's contract (positions rounded to the nearest pixel, lines
// clipped to the picture, -1 outside), cases worked by hand.
TEST(RasterPicture, ClipsAtTheEdges) {
  struct Case {
    const char* name;
    std::function<void(Painter&)> draw;
  };
  const std::uint32_t c = QBColor(12);
  const std::vector<Case> cases = {
      {"row across and beyond both sides", [&](Painter& p) { p.AxisLine(-5, 3, 100, 3, c); }},
      {"column from far above", [&](Painter& p) { p.AxisLine(2, -1e12, 2, 4, c); }},
      {"lines wholly outside", [&](Painter& p) {
         p.AxisLine(-3, -2, -3, 50, c);
         p.AxisLine(0, 12, 20, 12, c);
         p.AxisLine(10, 0, 10, 9, c);
       }},
      {"last column and row", [&](Painter& p) {
         p.AxisLine(9, 0, 9, 9, c);
         p.AxisLine(0, 9.4, 9, 9.4, c);
       }},
      {"dots rounded onto and off the edges", [&](Painter& p) {
         p.Dot(-0.4, 0, c);   // rounds to 0
         p.Dot(9.4, 9.4, c);  // rounds to 9
         p.Dot(9.5, 0, c);    // rounds to 10: outside
         p.Dot(-0.5, 3, c);   // rounds to -1: outside
       }},
      {"text over the corner", [&](Painter& p) {
         p.AxisLine(0, 0, 9, 0, QBColor(1));
         p.Direct({{-1, 0}, {0, -1}, {0, 0}, {1, 1}, {10, 9}, {9, 10}}, c);
       }},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.name);
    RasterPicture pic;
    pic.Fill(10, 10, kGrey);
    Model model(10, 10, RasterPicture::ToArgb(kGrey));
    Painter p{pic, model};
    k.draw(p);
    ExpectSame(pic, model, k.name);
  }
  // Nothing to draw on: no picture yet.
  RasterPicture empty;
  empty.Line(0, 0, 0, 5, 0);
  empty.Line(0, 0, 5, 3, 0);
  empty.PSet(0, 0, 0);
  empty.DrawPixel(0, 0, 0);
  EXPECT_EQ(empty.Point(0, 0), -1);
  EXPECT_TRUE(empty.TakeChanged().Empty());
}

// Source: a 45-degree line sets the pixels of its diagonal, ends included
// (the port's Line contract); regression only for the slanted case under
// and over a grid line.
TEST(RasterPicture, SlantedLinesAreDrawnIntoThePixels) {
  RasterPicture pic;
  pic.Fill(10, 10, kGrey);
  pic.Line(0, 5, 9, 5, QBColor(1));
  pic.Line(1, 1, 8, 8, QBColor(14));
  for (int i = 1; i <= 8; ++i) EXPECT_EQ(pic.Point(i, i), static_cast<std::int32_t>(QBColor(14))) << i;
  EXPECT_EQ(pic.Point(4, 5), static_cast<std::int32_t>(QBColor(1)));
  pic.Line(5, 0, 5, 9, QBColor(4));  // the later column covers the diagonal's pixel
  EXPECT_EQ(pic.Point(5, 5), static_cast<std::int32_t>(QBColor(4)));
}

// Random drawing against the model, on pictures whose sides are not equal:
// every pixel read, sub-rectangles composed, the saved file byte for byte;
// then the restore gives back the clean picture and reports the area it
// changed. Source: the model (drawing everything in order into one picture).
TEST(RasterPicture, RandomDrawingMatchesDrawingInOrder) {
  for (unsigned seed : {1u, 7u, 42u, 2024u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    test::TempFolder folder;
    std::mt19937 rng(seed);
    const int w = 23 + static_cast<int>(seed % 9), h = 17 + static_cast<int>(seed % 5);
    std::vector<std::uint32_t> clean(static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    for (auto& p : clean) p = 0xFF000000u | (rng() & 0xFFFFFFu);
    RasterPicture pic;
    pic.SetPixels(w, h, clean);
    Model model(w, h, 0);
    model.px = clean;
    Painter paint{pic, model};
    const auto coord = [&](int size) { return static_cast<double>(static_cast<int>(rng() % (size + 10)) - 5); };
    const auto colour = [&] { return QBColor(static_cast<int>(rng() % 16)); };
    // Two rounds: the second one after a restore.
    for (int round = 0; round < 2; ++round) {
      for (int step = 0; step < 400; ++step) {
        switch (rng() % 4) {
          case 0: paint.Dot(coord(w) + 0.3, coord(h) - 0.3, colour()); break;
          case 1: {
            const double x = coord(w);
            paint.AxisLine(x, coord(h), x, coord(h), colour());
            break;
          }
          case 2: {
            const double y = coord(h);
            paint.AxisLine(coord(w), y, coord(w), y, colour());
            break;
          }
          default: {
            // A text's pixels: some of a small box, some twice.
            const int x0 = static_cast<int>(coord(w)), y0 = static_cast<int>(coord(h));
            std::vector<std::pair<int, int>> pixels;
            for (int k = 0; k < 6; ++k)
              pixels.emplace_back(x0 + static_cast<int>(rng() % 8), y0 + static_cast<int>(rng() % 4));
            paint.Direct(pixels, colour());
          }
        }
      }
      ExpectSame(pic, model, "after drawing, round " + std::to_string(round));

      // A composed part equals the pixels read one by one.
      std::vector<std::uint32_t> part(static_cast<std::size_t>(w) * static_cast<std::size_t>(h), 0);
      const auto r = pic.Compose(3, 2, w - 5, h - 6, part.data(), static_cast<std::size_t>(w));
      ASSERT_FALSE(r.Empty());
      for (int y = r.y0; y <= r.y1; ++y)
        for (int x = r.x0; x <= r.x1; ++x)
          ASSERT_EQ(RasterPicture::ToBgr(part[static_cast<std::size_t>((y - r.y0) * w + (x - r.x0))]), model.At(x, y))
              << x << ", " << y;

      // The saved file holds the picture as shown.
      std::string error;
      ASSERT_TRUE(pic.SaveBmp("shown.bmp", error)) << error;
      ASSERT_TRUE(WriteBmp("model.bmp", w, h, model.px.data(), error)) << error;
      EXPECT_EQ(test::ReadAll("shown.bmp"), test::ReadAll("model.bmp"));

      pic.TakeChanged();
      pic.RestoreClean();
      const auto changed = pic.TakeChanged();
      for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
          const std::size_t i = static_cast<std::size_t>(y * w + x);
          ASSERT_EQ(pic.Point(x, y), RasterPicture::ToBgr(clean[i])) << x << ", " << y;
          if (model.px[i] != clean[i]) {
            EXPECT_TRUE(x >= changed.x0 && x <= changed.x1 && y >= changed.y0 && y <= changed.y1)
                << "restored pixel (" << x << ", " << y << ") outside the changed area";
          }
        }
      }
      EXPECT_FALSE(pic.HasLines());
      EXPECT_EQ(std::vector<std::uint32_t>(pic.Data(), pic.Data() + clean.size()), clean);
      model.px = clean;
    }
  }
}

// Source: the Save Image rule (the picture with everything drawn over it);
// a picture with lines is written from bands of rows, so one taller than a
// band is checked at its band edges.
TEST(RasterPicture, SavesTallPicturesWithLinesWhole) {
  test::TempFolder folder;
  const int w = 5, h = 150;
  RasterPicture pic;
  pic.Fill(w, h, kGrey);
  Model model(w, h, RasterPicture::ToArgb(kGrey));
  Painter paint{pic, model};
  paint.AxisLine(2, 0, 2, h - 1, QBColor(1));
  for (int y : {0, 21, 22, 85, 86, 149}) paint.AxisLine(0, y, w - 1, y, QBColor(4));
  paint.Dot(2, 86, QBColor(10));
  std::string error;
  ASSERT_TRUE(pic.SaveBmp("shown.bmp", error)) << error;
  ASSERT_TRUE(WriteBmp("model.bmp", w, h, model.px.data(), error)) << error;
  EXPECT_EQ(test::ReadAll("shown.bmp"), test::ReadAll("model.bmp"));
}

// Source: the port's contract; a picture of several megabytes takes the
// memory path of large pictures, whose first and last pixels must be
// reachable, and a smaller picture replacing it must not keep its marks.
TEST(RasterPicture, LargePictureDrawsToItsLastPixel) {
  const int w = 2100, h = 1100;  // 9 MB
  RasterPicture pic;
  pic.Fill(w, h, kGrey);
  pic.PSet(0, 0, QBColor(12));
  pic.PSet(w - 1, h - 1, QBColor(12));
  pic.Line(w - 1, 0, w - 1, h - 1, QBColor(1));
  EXPECT_EQ(pic.Point(0, 0), static_cast<std::int32_t>(QBColor(12)));
  EXPECT_EQ(pic.Point(w - 1, h - 1), static_cast<std::int32_t>(QBColor(1)));
  EXPECT_EQ(pic.Point(w, h - 1), -1);
  pic.RestoreClean();
  EXPECT_EQ(pic.Point(0, 0), static_cast<std::int32_t>(kGrey));
  EXPECT_EQ(pic.Point(w - 1, h - 1), static_cast<std::int32_t>(kGrey));
  pic.PSet(3, 3, QBColor(12));
  pic.SetPixels(4, 4, std::vector<std::uint32_t>(16, RasterPicture::ToArgb(RGB(1, 2, 3))));
  EXPECT_EQ(pic.Point(3, 3), static_cast<std::int32_t>(RGB(1, 2, 3)));
  EXPECT_EQ(pic.Point(4, 3), -1);
  pic.RestoreClean();
  EXPECT_EQ(pic.Point(3, 3), static_cast<std::int32_t>(RGB(1, 2, 3)));
}

// A 3 x 3 mark sets the nine pixels nine PSet calls set (at the edges and
// at half-pixel positions too) and is kept as one mark; dots, lines and
// slanted lines are kept for drawing at another scale until the restore;
// the serial changes with a new picture only.
TEST(RasterPicture, MarksAreKeptAsDrawnAndSetTheirPixels) {
  const struct {
    double x, y;
    int markX, markY;
    bool kept;
  } cases[] = {{5, 5, 5, 5, true}, {0, 0, 0, 0, true}, {2.5, -0.5, 3, -1, true}, {11, 4, 11, 4, true},
               {12, 4, 0, 0, false}, {-3, 2, 0, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    RasterPicture marked, dotted;
    marked.Fill(11, 9, RGB(255, 255, 255));
    dotted.Fill(11, 9, RGB(255, 255, 255));
    marked.Mark3x3(c.x, c.y, RGB(1, 2, 3));
    for (int i = -1; i <= 1; ++i)
      for (int j = -1; j <= 1; ++j) dotted.PSet(c.x + i, c.y + j, RGB(1, 2, 3));
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 11; ++x) ASSERT_EQ(marked.Point(x, y), dotted.Point(x, y)) << x << ", " << y;
    ASSERT_EQ(marked.Marks().size(), c.kept ? 1u : 0u);
    if (c.kept) {
      EXPECT_EQ(marked.Marks()[0].x, c.markX);
      EXPECT_EQ(marked.Marks()[0].y, c.markY);
      EXPECT_EQ(marked.Marks()[0].half, 1);
      EXPECT_EQ(marked.Marks()[0].argb, RasterPicture::ToArgb(RGB(1, 2, 3)));
    }
  }

  RasterPicture pic;
  pic.Fill(20, 10, RGB(0, 0, 0));
  const std::uint64_t serial = pic.Serial();
  pic.PSet(3.4, 4.6, RGB(9, 9, 9));
  pic.PSet(30, 4, RGB(9, 9, 9));  // outside: nothing
  pic.Line(2, 1, 2, 8, RGB(5, 5, 5));
  pic.Line(0, 0, 7, 3, RGB(6, 6, 6));
  ASSERT_EQ(pic.Marks().size(), 1u);
  EXPECT_EQ(pic.Marks()[0].x, 3);
  EXPECT_EQ(pic.Marks()[0].y, 5);
  EXPECT_EQ(pic.Marks()[0].half, 0);
  ASSERT_EQ(pic.Lines().size(), 1u);
  EXPECT_TRUE(pic.Lines()[0].vertical);
  ASSERT_EQ(pic.Slants().size(), 1u);
  EXPECT_EQ(pic.Slants()[0].x2, 7);
  // The clean colour of every pixel written is known.
  int written = 0;
  pic.ForEachWritten([&](std::size_t, std::uint32_t before) {
    ++written;
    EXPECT_EQ(before, RasterPicture::ToArgb(RGB(0, 0, 0)));
  });
  EXPECT_GT(written, 1);
  EXPECT_EQ(pic.Serial(), serial);
  pic.RestoreClean();
  EXPECT_TRUE(pic.Marks().empty());
  EXPECT_TRUE(pic.Lines().empty());
  EXPECT_TRUE(pic.Slants().empty());
  EXPECT_EQ(pic.Serial(), serial);
  pic.Fill(20, 10, RGB(0, 0, 0));
  EXPECT_NE(pic.Serial(), serial);
}

// A measured point sets its one pixel, as a dot does, so that a saved
// picture is what it was; the screen learns of it from PointMarks().
TEST(RasterPicture, PointMarksSetTheirPixelAloneAndAreKeptForTheScreen) {
  RasterPicture marked, dotted;
  for (RasterPicture* p : {&marked, &dotted}) p->Fill(20, 10, RGB(200, 200, 200));
  marked.PointMark(3.4, 4.6, RGB(0, 0, 0));
  marked.PointMark(25, 4, RGB(0, 0, 0));  // outside: nothing
  dotted.PSet(3.4, 4.6, RGB(0, 0, 0));
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) ASSERT_EQ(marked.ShownArgb(x, y), dotted.ShownArgb(x, y)) << x << ", " << y;
  ASSERT_EQ(marked.PointMarks().size(), 1u);
  EXPECT_EQ(marked.PointMarks()[0].x, 3);
  EXPECT_EQ(marked.PointMarks()[0].y, 5);
  EXPECT_EQ(marked.Marks().size(), 1u);
  EXPECT_TRUE(dotted.PointMarks().empty());
  marked.RestoreClean();
  EXPECT_TRUE(marked.PointMarks().empty());
}

}  // namespace
}  // namespace pelorin

namespace pelorin {
namespace {

// A BMP file's bytes: the 54-byte header with these fields, then `pixels`.
std::string BmpBytes(std::int32_t w, std::int32_t h, unsigned bpp, std::uint32_t offset, const std::string& pixels) {
  std::string b(54, '\0');
  const auto put = [&b](std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b[0] = 'B';
  b[1] = 'M';
  put(10, offset, 4);
  put(14, 40, 4);
  put(18, static_cast<std::uint32_t>(w), 4);
  put(22, static_cast<std::uint32_t>(h), 4);
  put(26, 1, 2);
  put(28, bpp, 2);
  return b + pixels;
}

TEST(ReadBmp, BytesInMemoryReadAsTheFile) {
  // 2 x 2, 24-bit rows of 6 bytes padded to 8; bottom row first.
  const std::string rows24 = std::string("\x01\x02\x03\x04\x05\x06\0\0", 8) + std::string("\x07\x08\x09\x0a\x0b\x0c\0\0", 8);
  const struct {
    const char* name;
    std::string bytes;
    bool ok;
  } cases[] = {
      {"24-bit bottom up", BmpBytes(2, 2, 24, 54, rows24), true},
      {"32-bit top down", BmpBytes(1, -2, 32, 54, std::string("\x10\x20\x30\x00\x40\x50\x60\x00", 8)), true},
      {"pixels before the header's end", BmpBytes(1, 1, 24, 0, ""), true},
      {"a row short", BmpBytes(2, 2, 24, 54, rows24.substr(0, 12)), false},
      {"offset beyond the end", BmpBytes(1, 1, 24, 1000, "abcd"), false},
      {"16-bit", BmpBytes(1, 1, 16, 54, "abcd"), false},
      {"too large", BmpBytes(30001, 1, 24, 54, ""), false},
      {"header cut", "BM" + std::string(20, '\0'), false},
      {"empty", "", false},
  };
  test::TempFolder folder;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    test::WriteAll("p.bmp", c.bytes);
    int fw = -1, fh = -1, mw = -1, mh = -1;
    std::vector<std::uint32_t> fromFile, fromBytes;
    std::string fileError, bytesError;
    const bool file = ReadBmp("p.bmp", fw, fh, fromFile, fileError);
    const bool bytes = DecodeBmp(c.bytes, mw, mh, fromBytes, bytesError);
    EXPECT_EQ(file, c.ok) << fileError;
    EXPECT_EQ(bytes, c.ok) << bytesError;
    EXPECT_EQ(fileError, bytesError);
    if (!c.ok) continue;
    EXPECT_EQ(fw, mw);
    EXPECT_EQ(fh, mh);
    EXPECT_EQ(fromFile, fromBytes);
  }
  // The first picture's top-left pixel is the second row's first in the
  // file (bottom up), blue first.
  int w = 0, h = 0;
  std::vector<std::uint32_t> argb;
  std::string error;
  ASSERT_TRUE(DecodeBmp(BmpBytes(2, 2, 24, 54, rows24), w, h, argb, error));
  EXPECT_EQ(argb[0], 0xFF090807u);
}

}  // namespace
}  // namespace pelorin
