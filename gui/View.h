// How the picture looks on screen at a zoom: the zoom steps, the reduced
// copies of the clean picture for views below 1:1, and the painting of a
// part of the view with its marks.
//
// Zoom: screen pixels per picture pixel, from 1/16 to 16. The view's own
// coordinates ("view pixels") put the picture's top-left corner at (0, 0):
// picture point p shows at view point p * zoom. Nothing here changes a
// position the program measures; positions stay in picture pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>

namespace pelorin::gui {

class QtPicture;

namespace view {

constexpr double kMinZoom = 1.0 / 16, kMaxZoom = 16;
// A picture is opened enlarged at most this much.
constexpr double kMaxFitZoom = 8;

// The next zoom step above (below) `zoom`: steps of the square root of 2
// from 1/16 to 16, 1 among them; `zoom` itself when it is at the end.
double StepIn(double zoom);
double StepOut(double zoom);
// The largest zoom at which a picture of `picture` pixels shows whole in a
// view of `view` screen pixels, within 1/16 .. 8; 1 for an empty picture
// or view.
double FitZoom(QSize picture, QSize view);
// "100 %", "35 %", "1600 %": the zoom as the window shows it.
QString ZoomText(double zoom);

// Reduced copies of the clean picture (marks left out): level k averages
// blocks of 2^k x 2^k pixels (a partial block at the right and bottom
// edges averages what it has), k = 1 .. 4. Together they take a third of
// the picture's own pixel memory.
class Reduction {
 public:
  static constexpr int kLevels = 4;
  // Brings the levels in step with `picture`: rebuilt when it holds another
  // picture than the one they were made of, else left as they are. The
  // clean colours under marks drawn so far are used, not the marks.
  void Update(const QtPicture& picture);
  // Level k (1 .. kLevels); a null image when there is no picture.
  const QImage& Level(int k) const { return levels_[static_cast<std::size_t>(k - 1)]; }
  // Memory held by the levels, bytes.
  std::size_t Bytes() const;
  // An image of `size` for the clean picture under the part in view,
  // between 1/2 and 1:1 (about the view's size; its memory is kept from
  // paint to paint and not counted in Bytes). Its contents are the
  // caller's; a null image when memory runs out.
  QImage CleanPart(QSize size);

 private:
  std::uint64_t serial_ = 0;
  QImage levels_[kLevels];
  QImage cleanPart_;
};

// Paints the part `area` (view pixels) of the view of `picture` at `zoom`
// into `frame`, which it makes area's size (Format_RGB32); what lies beyond
// the picture gets `background`.
//  - At 1:1, the picture's own pixels with its marks.
//  - Enlarged, each picture pixel a square of the zoom's size, marks
//    included (a dot becomes such a square).
//  - Reduced, the reduction level nearest above the zoom (between 1/2 and
//    1:1 the clean picture itself) filtered down (bilinear) to it, and the
//    marks drawn over it at screen resolution: a dot at least one screen
//    pixel, a 3 x 3 mark three, a line one pixel wide, a text at its own
//    size.
//  - At every zoom, each measured point (the picture's PointMarks) gets a
//    cross at screen size over it: four bright arms with a dark outline,
//    from PointMarkGap to PointMarkReach screen pixels from the point's
//    centre, so that it shows on a dark sky and on a bright disc alike and
//    the point's own pixel stays as the picture shows it. Only the screen
//    shows the cross: the picture, and a saved copy of it, hold the point's
//    pixel alone.
void Render(QtPicture& picture, Reduction& reduction, double zoom, const QRect& area, QImage& frame,
            QRgb background);

// The cross of a measured point: its colours (0xAARRGGBB), and how far its
// arms start and end from the point's centre, in screen pixels (the arms
// start beyond the point's own square; the outline reaches one pixel
// further).
constexpr std::uint32_t kPointMarkColour = 0xFFFFE000u, kPointMarkOutline = 0xFF000000u;
int PointMarkGap(double zoom);
int PointMarkReach(double zoom);

}  // namespace view
}  // namespace pelorin::gui
