#include "series/Rotation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <random>

#include "base/Angles.h"

namespace pelorin::series {

namespace {

constexpr double kMetresPerSecondPerDegreePerDay = 140.5;  // at the equator; times cos b elsewhere

// The normal equations of the law and the sums of the meridional drift, for
// a set of velocities (one track's, or a resampling's).
struct Sums {
  double xtx[3][3] = {};
  double xty[3] = {};
  double yy = 0;
  int n = 0;
  double pole = 0, poleMs = 0, pole2 = 0, poleMs2 = 0;  // towards the nearer pole: deg/day and m/s

  void Add(const Velocity& v, int terms) {
    const double s = std::sin(v.B_deg * kRad);
    const double x[3] = {1, s * s, s * s * s * s};
    const double w = v.weight;  // 1 unweighted: the products unchanged
    for (int i = 0; i < terms; ++i) {
      for (int j = 0; j < terms; ++j) xtx[i][j] += w * (x[i] * x[j]);
      xty[i] += w * (x[i] * v.omegaSid_deg_day);
    }
    yy += w * (v.omegaSid_deg_day * v.omegaSid_deg_day);
    ++n;
    const double p = (v.B_deg < 0 ? -1 : 1) * v.dBdt_deg_day;
    const double ms = p * kMetresPerSecondPerDegreePerDay * std::cos(v.B_deg * kRad);
    pole += p;
    poleMs += ms;
    pole2 += p * p;
    poleMs2 += ms * ms;
  }
  void Add(const Sums& o) {
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) xtx[i][j] += o.xtx[i][j];
      xty[i] += o.xty[i];
    }
    yy += o.yy;
    n += o.n;
    pole += o.pole;
    poleMs += o.poleMs;
    pole2 += o.pole2;
    poleMs2 += o.poleMs2;
  }
};

// Solves the normal equations: coefficients and the inverse of X'X. False
// when they are singular.
bool Solve(const Sums& s, int terms, double coef[3], double inv[3][3]) {
  double a[3][6] = {};
  for (int i = 0; i < terms; ++i) {
    for (int j = 0; j < terms; ++j) a[i][j] = s.xtx[i][j];
    a[i][terms + i] = 1;
  }
  const double scale = std::max(s.xtx[0][0], 1.0);
  for (int c = 0; c < terms; ++c) {
    int piv = c;
    for (int r = c + 1; r < terms; ++r)
      if (std::fabs(a[r][c]) > std::fabs(a[piv][c])) piv = r;
    if (std::fabs(a[piv][c]) <= 1e-13 * scale) return false;
    if (piv != c)
      for (int k = 0; k < 2 * terms; ++k) std::swap(a[c][k], a[piv][k]);
    const double d = a[c][c];
    for (int k = 0; k < 2 * terms; ++k) a[c][k] /= d;
    for (int r = 0; r < terms; ++r) {
      if (r == c) continue;
      const double f = a[r][c];
      for (int k = 0; k < 2 * terms; ++k) a[r][k] -= f * a[c][k];
    }
  }
  for (int i = 0; i < terms; ++i) {
    coef[i] = 0;
    for (int j = 0; j < terms; ++j) {
      inv[i][j] = a[i][terms + j];
      coef[i] += inv[i][j] * s.xty[j];
    }
  }
  return true;
}

double Rss(const Sums& s, int terms, const double coef[3]) {
  // y'y - 2 b'X'y + b'X'X b
  double r = s.yy;
  for (int i = 0; i < terms; ++i) {
    r -= 2 * coef[i] * s.xty[i];
    for (int j = 0; j < terms; ++j) r += coef[i] * s.xtx[i][j] * coef[j];
  }
  return std::max(r, 0.0);
}

// A point's error of L: its own, else the assumed one.
double PositionError(const TrackPoint& p, const FitOptions& o) {
  return std::isfinite(p.L_err_deg) ? p.L_err_deg : o.assumedPosition_deg;
}

void DailyShifts(const std::vector<Track>& tracks, const FitOptions& o, RotationResult& r) {
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    const TrackPoint* prev = nullptr;
    for (const TrackPoint& p : tracks[t].points) {
      ++r.counts.positions;
      if (std::fabs(p.CMD_deg) > o.maxCmd_deg) {
        ++r.counts.farFromCentre;
        continue;
      }
      if (prev) {
        const double dt = p.jd - prev->jd;
        if (dt < o.minInterval_days) {
          ++r.counts.shortIntervals;
          continue;  // the earlier position stays the start of the next interval
        }
        Velocity v;
        v.track = static_cast<int>(t);
        v.jd = (p.jd + prev->jd) / 2;
        v.B_deg = (p.B_deg + prev->B_deg) / 2;
        const double dCmd = Wrap180(p.CMD_deg - prev->CMD_deg);
        v.CMD_deg = Wrap180(prev->CMD_deg + dCmd / 2);
        v.omegaSyn_deg_day = dCmd / dt;
        v.omegaSid_deg_day = kCarringtonSidereal_deg_day + Wrap180(p.L_deg - prev->L_deg) / dt;
        v.dBdt_deg_day = (p.B_deg - prev->B_deg) / dt;
        v.span_days = dt;
        v.positions = 2;
        v.err_deg_day = std::hypot(PositionError(p, o), PositionError(*prev, o)) / dt;
        r.velocities.push_back(v);
      }
      prev = &p;
    }
  }
}

void LinePerTrack(const std::vector<Track>& tracks, const FitOptions& o, RotationResult& r) {
  for (std::size_t t = 0; t < tracks.size(); ++t) {
    std::vector<double> jd, B, cmd, L;
    double variance = 0;  // the positions' errors of L, summed
    for (const TrackPoint& p : tracks[t].points) {
      ++r.counts.positions;
      if (std::fabs(p.CMD_deg) > o.maxCmd_deg) {
        ++r.counts.farFromCentre;
        continue;
      }
      jd.push_back(p.jd);
      B.push_back(p.B_deg);
      // CMD and L unwrapped along the track.
      cmd.push_back(cmd.empty() ? p.CMD_deg : cmd.back() + Wrap180(p.CMD_deg - Wrap180(cmd.back())));
      L.push_back(L.empty() ? p.L_deg : L.back() + Wrap180(p.L_deg - L.back()));
      variance += PositionError(p, o) * PositionError(p, o);
    }
    const double span = jd.empty() ? 0 : jd.back() - jd.front();
    if (static_cast<int>(jd.size()) < std::max(o.minPositions, 2) || span <= 0) {
      ++r.counts.shortTracks;
      continue;
    }
    std::vector<double> tt(jd.size());
    for (std::size_t k = 0; k < jd.size(); ++k) tt[k] = jd[k] - jd.front();
    Velocity v;
    v.track = static_cast<int>(t);
    v.jd = (jd.front() + jd.back()) / 2;
    double sb = 0, sc = 0;
    for (std::size_t k = 0; k < jd.size(); ++k) {
      sb += B[k];
      sc += cmd[k];
    }
    v.B_deg = sb / static_cast<double>(jd.size());
    v.CMD_deg = Wrap180(sc / static_cast<double>(jd.size()));
    v.omegaSyn_deg_day = RobustSlope(tt, cmd);
    v.omegaSid_deg_day = kCarringtonSidereal_deg_day + RobustSlope(tt, L);
    v.dBdt_deg_day = RobustSlope(tt, B);
    v.span_days = span;
    v.positions = static_cast<int>(jd.size());
    // The least-squares slope's error for the positions' mean error (the
    // robust slope's is a little larger).
    double tMean = 0, tSpread = 0;
    for (double x : tt) tMean += x / static_cast<double>(tt.size());
    for (double x : tt) tSpread += (x - tMean) * (x - tMean);
    v.err_deg_day = std::sqrt(variance / static_cast<double>(jd.size()) / tSpread);
    r.velocities.push_back(v);
  }
}

// The fates of the filters, in order: outside the span of dates, in the
// hemisphere not asked for, synodic rate outside the window (NaN included);
// each counted.
void Filter(const FitOptions& o, RotationResult& r) {
  for (Velocity& v : r.velocities) {
    if (v.jd < o.fromJd || v.jd > o.toJd) {
      v.fate = Fate::OutsideSpan;
      ++r.counts.outsideSpan;
    } else if ((o.hemisphere > 0 && v.B_deg < 0) || (o.hemisphere < 0 && v.B_deg >= 0)) {
      v.fate = Fate::OtherHemisphere;
      ++r.counts.otherHemisphere;
    } else if (!(v.omegaSyn_deg_day >= o.minSynodic_deg_day && v.omegaSyn_deg_day <= o.maxSynodic_deg_day)) {
      v.fate = Fate::OutsideWindow;
      ++r.counts.outsideWindow;
    }
  }
}

// The least-squares law of the velocities used: its sums, coefficients and
// the inverse of X'X.
struct Fit {
  Sums all;
  double coef[3] = {}, inv[3][3] = {};
};

// Least squares on the velocities used, clipped until no residual lies
// beyond clipSigma times the residual scatter (clipSigma <= 0: no clipping);
// the clipped ones are marked and counted. False, with `fit.all` holding the
// velocities left, when they are no more than `terms` or their normal
// equations are singular.
bool FitClipped(int terms, const FitOptions& o, RotationResult& r, Fit& fit) {
  for (;;) {
    fit.all = Sums{};
    for (const Velocity& v : r.velocities)
      if (v.fate == Fate::Used) fit.all.Add(v, terms);
    if (fit.all.n <= terms || !Solve(fit.all, terms, fit.coef, fit.inv)) return false;
    const double sigma = std::sqrt(Rss(fit.all, terms, fit.coef) / (fit.all.n - terms));
    if (o.clipSigma <= 0 || sigma == 0) return true;
    const double* coef = fit.coef;
    int removed = 0;
    for (Velocity& v : r.velocities) {
      if (v.fate != Fate::Used) continue;
      const double res = v.omegaSid_deg_day - (coef[0] + coef[1] * std::pow(std::sin(v.B_deg * kRad), 2) +
                                               (terms > 2 ? coef[2] * std::pow(std::sin(v.B_deg * kRad), 4) : 0));
      if (std::fabs(res) * std::sqrt(v.weight) > o.clipSigma * sigma) {
        v.fate = Fate::Clipped;
        ++removed;
      }
    }
    if (removed == 0) return true;
    r.counts.clipped += removed;
    ++r.counts.clipRounds;
  }
}

// The law's results from a solved fit: coefficients, their least-squares
// errors and correlation, chi2 and rms, and the meridional drift with its
// standard error (the bootstrap may replace the errors).
void FillFit(int terms, const Fit& fit, LawFit& f) {
  const Sums& all = fit.all;
  f.ok = true;
  f.chi2 = Rss(all, terms, fit.coef);
  f.chi2Reduced = f.chi2 / (all.n - terms);
  f.rms_deg_day = std::sqrt(f.chi2 / all.n);
  for (int i = 0; i < terms; ++i) {
    f.coef[static_cast<std::size_t>(i)] = fit.coef[i];
    f.errLs[static_cast<std::size_t>(i)] = std::sqrt(f.chi2Reduced * fit.inv[i][i]);
  }
  f.corrAB_ls = fit.inv[0][1] / std::sqrt(fit.inv[0][0] * fit.inv[1][1]);
  f.meridional_deg_day = all.pole / all.n;
  f.meridional_m_s = all.poleMs / all.n;
  const double varPole = (all.pole2 - all.pole * all.pole / all.n) / std::max(all.n - 1, 1);
  const double varMs = (all.poleMs2 - all.poleMs * all.poleMs / all.n) / std::max(all.n - 1, 1);
  f.meridionalErr_deg_day = std::sqrt(std::max(varPole, 0.0) / all.n);
  f.meridionalErr_m_s = std::sqrt(std::max(varMs, 0.0) / all.n);
}

// The sums of the velocities used, one per track that has any, in the order
// of their tracks' first velocity used.
std::vector<Sums> SumsPerTrack(std::size_t tracks, const std::vector<Velocity>& velocities, int terms) {
  std::vector<Sums> perTrack;
  std::vector<int> slot(tracks, -1);
  for (const Velocity& v : velocities) {
    if (v.fate != Fate::Used) continue;
    int& s = slot[static_cast<std::size_t>(v.track)];
    if (s < 0) {
      s = static_cast<int>(perTrack.size());
      perTrack.emplace_back();
    }
    perTrack[static_cast<std::size_t>(s)].Add(v, terms);
  }
  return perTrack;
}

// The bootstrap over tracks: o.bootstrap resamplings of whole tracks drawn
// with replacement (seeded by o.seed); the spread of their coefficients and
// meridional drifts gives errBoot, corrAB_boot and the meridional errors.
// Resamplings that cannot be solved are left out; with fewer than 2 solved,
// `f` stays as it is.
void Bootstrap(const std::vector<Sums>& perTrack, int terms, const FitOptions& o, LawFit& f) {
  std::mt19937_64 rng(o.seed);
  std::uniform_int_distribution<std::size_t> pick(0, perTrack.size() - 1);
  double sum[3] = {}, sum2[3] = {}, sumAB = 0, sumPole = 0, sumPole2 = 0, sumMs = 0, sumMs2 = 0;
  int good = 0;
  for (int b = 0; b < o.bootstrap; ++b) {
    Sums s;
    for (std::size_t k = 0; k < perTrack.size(); ++k) s.Add(perTrack[pick(rng)]);
    double c[3] = {}, iv[3][3] = {};
    if (s.n <= terms || !Solve(s, terms, c, iv)) continue;
    ++good;
    for (int i = 0; i < terms; ++i) {
      sum[i] += c[i];
      sum2[i] += c[i] * c[i];
    }
    sumAB += c[0] * c[1];
    const double p = s.pole / s.n, ms = s.poleMs / s.n;
    sumPole += p;
    sumPole2 += p * p;
    sumMs += ms;
    sumMs2 += ms * ms;
  }
  if (good < 2) return;
  auto sd = [good](double s1, double s2) {
    return std::sqrt(std::max(s2 / good - (s1 / good) * (s1 / good), 0.0) * good / (good - 1));
  };
  for (int i = 0; i < terms; ++i) f.errBoot[static_cast<std::size_t>(i)] = sd(sum[i], sum2[i]);
  const double covAB = (sumAB / good - (sum[0] / good) * (sum[1] / good)) * good / (good - 1);
  f.corrAB_boot = covAB / (f.errBoot[0] * f.errBoot[1]);
  f.meridionalErr_deg_day = sd(sumPole, sumPole2);
  f.meridionalErr_m_s = sd(sumMs, sumMs2);
}

// A velocity's weight: 1 / (err^2 + scatter^2), the variance kept off 0.
constexpr double kMinVariance = 1e-12;
double WeightOf(const Velocity& v, double scatter) {
  return 1 / std::max(kMinVariance, v.err_deg_day * v.err_deg_day + scatter * scatter);
}

// The reduced chi2 of the plain weighted law (no clipping) of the velocities
// used, weighed with `scatter`; NaN when it cannot be solved.
double ReducedChi2(RotationResult& r, int terms, double scatter) {
  Sums all;
  for (Velocity& v : r.velocities) {
    v.weight = WeightOf(v, scatter);
    if (v.fate == Fate::Used) all.Add(v, terms);
  }
  double coef[3] = {}, inv[3][3] = {};
  if (all.n <= terms || !Solve(all, terms, coef, inv)) return std::nan("");
  return Rss(all, terms, coef) / (all.n - terms);
}

// The groups' own scatter that makes the reduced chi2 1 (bisection; 0 when
// the errors alone already make it 1 or less).
constexpr double kMaxScatter_deg_day = 20;  // far beyond any rotation's spread
constexpr int kScatterSteps = 60;           // halvings: far below the rates' rounding
double FittedScatter(RotationResult& r, int terms) {
  const double atZero = ReducedChi2(r, terms, 0);
  if (!(atZero > 1)) return 0;
  double lo = 0, hi = kMaxScatter_deg_day;
  for (int k = 0; k < kScatterSteps; ++k) {
    const double mid = (lo + hi) / 2;
    (ReducedChi2(r, terms, mid) > 1 ? lo : hi) = mid;
  }
  return (lo + hi) / 2;
}

// Sets each velocity's weight from its error and the scatter, given or
// fitted; the scatter is kept in the fit's result.
void Weigh(const FitOptions& o, int terms, RotationResult& r) {
  r.fit.weighted = true;
  r.fit.scatter_deg_day = o.scatter_deg_day >= 0 ? o.scatter_deg_day : FittedScatter(r, terms);
  for (Velocity& v : r.velocities) v.weight = WeightOf(v, r.fit.scatter_deg_day);
}

}  // namespace

double RobustSlope(const std::vector<double>& t, const std::vector<double>& y) {
  std::vector<double> slopes;
  const std::size_t n = std::min(t.size(), y.size());
  slopes.reserve(n * (n - (n > 0)) / 2);
  for (std::size_t i = 0; i < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j)
      if (t[j] != t[i]) slopes.push_back((y[j] - y[i]) / (t[j] - t[i]));
  return slopes.empty() ? 0 : Median(slopes);
}

std::vector<ProfileBin> ProfileBins(const RotationResult& result, double width) {
  std::map<long, std::vector<double>> bins;
  for (const Velocity& v : result.velocities)
    if (v.fate == Fate::Used) bins[static_cast<long>(std::floor(v.B_deg / width))].push_back(v.omegaSid_deg_day);
  std::vector<ProfileBin> out;
  for (const auto& [k, values] : bins) {
    ProfileBin b;
    b.centre_deg = (static_cast<double>(k) + 0.5) * width;
    b.n = static_cast<int>(values.size());
    double sum = 0, sum2 = 0;
    for (double x : values) sum += x;
    b.mean_deg_day = sum / b.n;
    for (double x : values) sum2 += (x - b.mean_deg_day) * (x - b.mean_deg_day);
    b.stdErr_deg_day = b.n > 1 ? std::sqrt(sum2 / (b.n - 1) / b.n) : 0;
    out.push_back(b);
  }
  return out;
}

TrackLine LineOfTrack(const Track& track) {
  TrackLine l;
  for (const TrackPoint& p : track.points) {
    l.t_days.push_back(p.jd - track.points.front().jd);
    l.L_deg.push_back(l.L_deg.empty() ? p.L_deg : l.L_deg.back() + Wrap180(p.L_deg - l.L_deg.back()));
    l.B_deg.push_back(p.B_deg);
  }
  auto intercept = [&l](const std::vector<double>& y, double slope) {
    std::vector<double> r;
    for (std::size_t i = 0; i < y.size(); ++i) r.push_back(y[i] - slope * l.t_days[i]);
    return r.empty() ? 0.0 : Median(r);
  };
  l.L_slope_deg_day = RobustSlope(l.t_days, l.L_deg);
  l.L_intercept = intercept(l.L_deg, l.L_slope_deg_day);
  l.B_slope_deg_day = RobustSlope(l.t_days, l.B_deg);
  l.B_intercept = intercept(l.B_deg, l.B_slope_deg_day);
  return l;
}

double LawAt(const LawFit& fit, double B_deg) {
  const double s2 = std::pow(std::sin(B_deg * kRad), 2);
  return fit.coef[0] + fit.coef[1] * s2 + (fit.terms > 2 ? fit.coef[2] * s2 * s2 : 0);
}

RotationResult MeasureRotation(const std::vector<Track>& tracks, const FitOptions& o) {
  RotationResult r;
  const int terms = o.terms >= 3 ? 3 : 2;
  r.fit.terms = terms;
  if (o.method == Method::DailyShifts)
    DailyShifts(tracks, o, r);
  else
    LinePerTrack(tracks, o, r);
  r.counts.velocities = static_cast<int>(r.velocities.size());
  Filter(o, r);
  if (o.weighted) Weigh(o, terms, r);
  Fit fit;
  const bool solved = FitClipped(terms, o, r, fit);
  r.counts.used = fit.all.n;
  r.fit.N = fit.all.n;
  if (!solved) return r;
  FillFit(terms, fit, r.fit);
  const std::vector<Sums> perTrack = SumsPerTrack(tracks.size(), r.velocities, terms);
  r.fit.tracks = static_cast<int>(perTrack.size());
  r.fit.errBoot.fill(std::nan(""));
  r.fit.corrAB_boot = std::nan("");
  if (o.bootstrap >= 2 && perTrack.size() >= 2) Bootstrap(perTrack, terms, o, r.fit);
  return r;
}

}  // namespace pelorin::series
