// The Sun's differential rotation from tracks: velocities by daily shifts or
// by a robust line per track, synodic (from CMD) and sidereal (14.1844 +
// dL/dt, L unwrapped), the filters with what each removed, the law
// omega_sid = A + B sin^2 b (+ C sin^4 b) fitted by least squares, and errors
// that allow for the daily shifts of one track sharing its group's own
// motion: a bootstrap over tracks. Also the meridional drift.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "series/SeriesRead.h"
#include "series/Tracks.h"

namespace pelorin::series {

enum class Method { DailyShifts, TrackFit };

// A group's position's error in L where its .spots.csv gives none, degrees
// (1 sigma): a click to half a pixel and a calibration to a quarter on a
// disc of about 400 px radius, at 60 degrees from the centre.
inline constexpr double kAssumedPosition_deg = 0.1;

struct FitOptions {
  Method method = Method::DailyShifts;
  int terms = 2;                  // 2: A + B sin^2 b; 3: also C sin^4 b
  double maxCmd_deg = 58;         // positions with |CMD| above this are not used
  double minSynodic_deg_day = 8;  // velocities outside this synodic window are dropped
  double maxSynodic_deg_day = 19;
  double clipSigma = 3;            // iterative clipping of the law's residuals
  double minInterval_days = 0.25;  // daily shifts: shorter intervals give no velocity
  int minPositions = 3;            // line per track: fewer positions give no velocity
  int hemisphere = 0;              // 0 both, +1 north only, -1 south only (by the velocity's B)
  double fromJd = -std::numeric_limits<double>::infinity();  // span of dates (velocity times), inclusive
  double toJd = std::numeric_limits<double>::infinity();
  int bootstrap = 1000;           // resamplings of the tracks (0: none)
  // Weighted: each velocity by 1 / (its error^2 + scatter^2), its error from
  // its positions' errors of L (the .spots.csv's, else
  // assumedPosition_deg), the scatter the groups' own motions add (deg/day;
  // below 0: fitted so that the reduced chi2 is 1).
  bool weighted = false;
  double scatter_deg_day = -1;
  double assumedPosition_deg = kAssumedPosition_deg;
  std::uint64_t seed = 20240517;  // of the bootstrap, so that a result repeats
};

// Why a velocity is not in the fit.
enum class Fate { Used, OutsideSpan, OtherHemisphere, OutsideWindow, Clipped };

// One velocity. Daily shifts: between two consecutive positions of a track,
// at the middle of the interval, B and CMD the means of the two. Line per
// track: one per track, at the middle of its span, B and CMD the means of the
// positions used. Degrees and degrees per day.
struct Velocity {
  int track = -1;  // index into the tracks
  double jd = 0;
  double B_deg = 0, CMD_deg = 0;
  double omegaSyn_deg_day = 0;  // dCMD/dt
  double omegaSid_deg_day = 0;  // 14.1844 + dL/dt
  double dBdt_deg_day = 0;      // latitude velocity, north positive
  double span_days = 0;         // interval (or track span) it comes from
  int positions = 2;            // positions it comes from
  double err_deg_day = 0;       // of omegaSid from its positions' errors (FitOptions::weighted)
  double weight = 1;            // in the law's fit: 1, or 1 / (err^2 + scatter^2) when weighted
  Fate fate = Fate::Used;
};

// Each filter and how many it removed, in the order they are applied.
struct FilterCounts {
  int positions = 0;        // track points considered
  int farFromCentre = 0;    // positions with |CMD| > maxCmd_deg
  int shortIntervals = 0;   // daily shifts: intervals under minInterval_days
  int shortTracks = 0;      // line per track: tracks with fewer than minPositions usable positions
  int velocities = 0;       // velocities formed
  int outsideSpan = 0;      // outside the span of dates
  int otherHemisphere = 0;  // in the hemisphere not asked for
  int outsideWindow = 0;    // synodic rate outside the window
  int clipped = 0;          // removed by the clipping
  int clipRounds = 0;       // rounds of clipping done
  int used = 0;             // in the fit
};

struct LawFit {
  bool ok = false;  // false when fewer velocities than terms + 1 (or tracks < 2 for the bootstrap)
  int terms = 2;
  int N = 0;                        // velocities used
  int tracks = 0;                   // tracks with at least one velocity used
  std::array<double, 3> coef{};     // A, B, C (deg/day)
  std::array<double, 3> errLs{};    // 1 sigma: least-squares covariance scaled by the residual scatter
  std::array<double, 3> errBoot{};  // 1 sigma: bootstrap over tracks (NaN without it)
  double corrAB_ls = 0, corrAB_boot = 0;
  double chi2 = 0;         // sum of squared residuals, (deg/day)^2 (unit weights; weighted: each by its weight)
  double chi2Reduced = 0;  // chi2 / (N - terms): the residual variance (weighted: the reduced chi2)
  bool weighted = false;
  double scatter_deg_day = 0;  // the groups' own scatter the weights took (given or fitted)
  double rms_deg_day = 0;
  // Meridional drift: mean latitude velocity, towards the nearer pole
  // positive, and its bootstrap error (least-squares standard error without
  // a bootstrap).
  double meridional_deg_day = 0, meridionalErr_deg_day = 0;
  double meridional_m_s = 0, meridionalErr_m_s = 0;  // 1 deg/day = 140.5 m/s cos b, per velocity
};

struct RotationResult {
  std::vector<Velocity> velocities;  // every velocity formed, with its fate
  FilterCounts counts;
  LawFit fit;
};

// The velocities of `tracks` by `options.method`, filtered and fitted.
RotationResult MeasureRotation(const std::vector<Track>& tracks, const FitOptions& options = {});

// The fitted law at latitude B (degrees): A + B sin^2 b (+ C sin^4 b).
double LawAt(const LawFit& fit, double B_deg);

// The published law to compare with, kKanzelhoeheDailyShifts, and its
// LawAt are in series/Tracks.h: the tracking predicts with it.

// The rotation profile in latitude bins of `width_deg` (edges at multiples
// of it): each bin's centre, the mean sidereal rate of the velocities used
// that fall into it and its standard error (0 with a single velocity).
// Empty bins are left out.
struct ProfileBin {
  double centre_deg = 0;
  double mean_deg_day = 0;
  double stdErr_deg_day = 0;
  int n = 0;
};
std::vector<ProfileBin> ProfileBins(const RotationResult& result, double width_deg = 5);

// A track's robust line: L unwrapped along the track (degrees) and B against
// days since its first point, each with its Theil-Sen slope and the median
// intercept. Uses every point of the track.
struct TrackLine {
  std::vector<double> t_days, L_deg, B_deg;  // per point; L unwrapped from the first point's value
  double L_intercept = 0, L_slope_deg_day = 0;
  double B_intercept = 0, B_slope_deg_day = 0;
};
TrackLine LineOfTrack(const Track& track);

// A slope by Theil and Sen: the median of the pairwise slopes (y in any
// unit per unit of t). Needs 2 or more points with distinct t; 0 otherwise.
double RobustSlope(const std::vector<double>& t, const std::vector<double>& y);

}  // namespace pelorin::series
