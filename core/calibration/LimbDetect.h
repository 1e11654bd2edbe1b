// Finding the solar limb on a picture without help: the points that
// "Automatic limb" enters and `pelorin-cli limb` fits.
#pragma once

#include <vector>

#include "base/Ports.h"

namespace pelorin {

struct LimbEdgePoint {
  double x_px = 0, y_px = 0;  // picture pixels, x right, y down
};

struct LimbDetection {
  bool found = false;
  // The circle of the consensus fit through `points` (picture pixels); only
  // meaningful when found.
  double x0_px = 0, y0_px = 0, r_px = 0;
  // Points on the limb, in the order of their angle about the centre
  // (counter-clockwise on the screen from +x): up to 72, spread over the
  // part of the limb that lies on the picture, none outside the picture.
  // Each lies where the limb's edge is steepest (on a drawn circle, on the
  // middle of its line), to a fraction of a pixel.
  std::vector<LimbEdgePoint> points;
};

// Looks for the solar disc on the picture's shown colours (grey level
// (R + G + B) / 3 of Point): a drawn circle on paper, the edge of a disc
// brighter or darker than its sky (white light, H-alpha), whole or cut by
// the picture's edges, or the bright ring of an EUV limb. Lines, spots,
// labels, prominences and loops that cross the limb are left out by a
// consensus fit.
//
// First the bright ring of an EUV picture, whose limb is no step: a
// mottled disc brightening to a peak just outside the photosphere (about
// 1.01 of its radius), a corona falling off softly beyond and clipped to
// black raggedly. On the picture reduced to 256 cells a side, the centre
// where the median grey of the rings about it peaks highest, the peak
// standing out from the disc inside and the corona outside, the disc's
// middle lit; then the brightness peak on 360 rays of the full picture,
// twice. The points then lie on that peak, so the fitted radius is about
// 1 % larger than the photosphere's.
// Else a coarse circle from the edges crossed by 80 rows and 80 columns
// spread over the picture (a consensus of three-point circles whose edges
// face their centre); then the edge on 360 rays about that circle, found on
// the full picture with sub-pixel precision; then the circle most of those
// edges agree on, with the disagreeing ones rejected step by step.
//
// Returns found = false when no disc is there: no circle is agreed on by
// enough edges, fewer than 12 limb points remain, or fewer than 40 % of the
// rays inside the picture agree; when the edge found surrounds a middle as
// dark (or bright) as the sky, or is a flat disc darker than its sky (a
// coronagraph's field of view round its occulter, or the occulter); and at
// once when the picture's header names a coronagraph (INSTRUME, DETECTOR or
// TELESCOP: LASCO, C1 to C3, COR1, COR2, METIS, ...) and gives no solar
// radius (RSUN_OBS, RSUN_ARC, RSUN, SOLAR_R, R_SUN). The radius found lies
// between 8 px and the picture's longer side. Never throws. Reads the 160
// scan lines, 4 pixels of each reduced cell and bands of a few per cent of
// the radius about the limb on 360 rays, not the whole picture: a few
// million pixel reads on a picture of 4096 x 4096.
LimbDetection DetectLimb(const PicturePort& picture);

}  // namespace pelorin
