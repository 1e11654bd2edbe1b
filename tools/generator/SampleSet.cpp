#include "SampleSet.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "base/Text.h"
#include "base/TextFile.h"
#include "base/Angles.h"

namespace pelorin::gen {

namespace {

// A spot within 60 degrees of the disc centre: the limb darkening of the
// photo styles stays outside, so the "Weighted" autoselect sees the spot alone.
constexpr double kMinMu = 0.5;

Spot MakeSpot(const std::string& name, double B, double L, double umbra, double penumbra) {
  Spot s;
  s.name = name;
  s.B_deg = B;
  s.L_deg = L;
  s.umbraRadius_px = umbra;
  s.penumbraRadius_px = penumbra;
  return s;
}

// Cosine of the heliocentric angle of (B, L) for the ephemeris.
double Mu(const Ephemeris& e, double B, double L) {
  return std::sin(B * kRad) * std::sin(e.B0_deg * kRad) +
         std::cos(B * kRad) * std::cos(e.B0_deg * kRad) * std::cos((e.L0_deg - L) * kRad);
}

double Hours(int h, int m, int s) {
  double ut = 0;
  SexagesimalToDecimal(h, m, s, ut);
  return ut;
}

Ephemeris EphemerisOf(const Scene& sc) {
  return sc.ephemeris ? *sc.ephemeris
                      : ProgramEphemeris(sc.year, sc.month, sc.day, Hours(sc.hour, sc.minute, sc.second), sc.northUp);
}

// The spots of every group that lie within 60 degrees of the disc centre.
void PutSpots(Scene& sc, const std::vector<SampleGroup>& groups) {
  const Ephemeris e = EphemerisOf(sc);
  for (const SampleGroup& g : groups)
    for (const Spot& s : g.spots)
      if (Mu(e, s.B_deg, s.L_deg) >= kMinMu) sc.spots.push_back(s);
}

Scene MakeScene(int y, int mo, int d, int h, int mi, int s, int w, int hgt, double x0, double y0, double rk,
                double orientation, bool northUp, Style style) {
  Scene sc;
  sc.year = y, sc.month = mo, sc.day = d, sc.hour = h, sc.minute = mi, sc.second = s;
  sc.width_px = w, sc.height_px = hgt;
  sc.x0_px = x0, sc.y0_px = y0, sc.rk_px = rk;
  sc.orientation_deg = orientation;
  sc.northUp = northUp;
  sc.style = style;
  return sc;
}

DpdBlock ReferenceBlock(const std::vector<SampleGroup>& groups, int y, int mo, int d, int h, int mi) {
  DpdBlock b;
  b.year = y, b.month = mo, b.day = d, b.hour = h, b.minute = mi, b.second = 0;
  b.source = "DPD";
  const Ephemeris e = ProgramEphemeris(y, mo, d, Hours(h, mi, 0), false);
  for (const SampleGroup& g : groups) {
    DpdGroup dg;
    dg.name = g.name;
    for (const Spot& s : g.spots) {
      dg.spots.push_back({s.L_deg, s.B_deg});
      dg.L_deg += s.L_deg / static_cast<double>(g.spots.size());
      dg.B_deg += s.B_deg / static_cast<double>(g.spots.size());
    }
    if (Mu(e, dg.B_deg, dg.L_deg) > 0) b.groups.push_back(dg);
  }
  return b;
}

std::string Fixed(double v, int decimals) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string Two(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

std::string DateTime(const Scene& sc) {
  return std::to_string(sc.year) + "-" + Two(sc.month) + "-" + Two(sc.day) + " " + Two(sc.hour) + ":" +
         Two(sc.minute) + ":" + Two(sc.second);
}

const char* TypeText(int type) {
  switch (type) {
    case 0: return "0 (scan Kanzelhöhe)";
    case 1: return "1 (SOHO)";
    case 2: return "2 (other type of image)";
    case 3: return "3 (photo Kanzelhöhe)";
  }
  return "?";
}

std::string BaseName(const std::string& fileName) {
  const std::size_t dot = fileName.find_last_of('.');
  return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

std::vector<std::string> ReadmeLines(const SampleSet& set, const std::vector<std::string>& dataFiles) {
  std::vector<std::string> l;
  l.push_back("# Sample pictures");
  l.push_back("");
  l.push_back("Made by `scripts/make-samples` with the project's picture generator; the");
  l.push_back("script makes every file again byte for byte, so edit the generator, not");
  l.push_back("the files. All pictures show the same sunspot groups, which keep their");
  l.push_back("Carrington positions from day to day (no differential rotation).");
  l.push_back("");
  l.push_back("| Picture | Type to enter | What |");
  l.push_back("|---|---|---|");
  for (const SamplePicture& p : set.pictures) {
    const std::string type = p.measured.empty() ? TypeText(p.imageType) : "none: it has a data file";
    l.push_back("| `" + p.fileName + "` | " + type + " | " + p.what + " |");
  }
  if (!set.whiteLightName.empty())
    l.push_back("| `" + set.whiteLightName + "` | none: it has a data file | white-light photograph, " +
                std::to_string(set.whiteLight.width_px) + " x " + std::to_string(set.whiteLight.height_px) +
                ", north up: spots modelled on the sphere, with limb darkening, granulation, vignetting, seeing "
                "blur and noise, for Find sunspots and `pelorin-cli spots` |");
  if (!set.fitsName.empty())
    l.push_back("| `" + set.fitsName + "` | none: its header calibrates it | FITS picture, " +
                std::to_string(set.fits.width) + " x " + std::to_string(set.fits.height) +
                ", 16-bit, Rice-compressed, with a whole header (DATE-OBS, helioprojective WCS turned by a PC "
                "matrix, RSUN_OBS, DSUN_OBS, HGLT_OBS, CRLN_OBS) |");
  l.push_back("");
  l.push_back("Other files:");
  l.push_back("");
  for (const std::string& d : dataFiles)
    l.push_back("- `" + d + "`: the measurement data file of the picture of the same name");
  if (!set.whiteLightName.empty())
    l.push_back("- `" + BaseName(set.whiteLightName) + ".truth.csv`: the true spots of the white-light picture: " +
                "group, its McIntosh class, spot, x, y (pixels), B, CMD, L (degrees), mu, area and umbra (MSH, " +
                "exact on the sphere), area in pixels, whether the penumbra is shared; the last line its calibration");
  l.push_back("- `nameconv.txt`, `catalog.txt`: the SOHO catalogues that calibrate the SOHO picture");
  l.push_back(
      "- `series/`: a season of 52 daily data files (April to June 2024, 30 % of days missing) with its truth "
      "(`truth.csv`), for **Tools → Series…** and `pelorin-cli series`; made by `pelorin-generate-series` (see "
      "`scripts/make-samples`)");
  const DpdBlock& first = set.reference.front();
  const DpdBlock& last = set.reference.back();
  l.push_back("- `DPD1.txt`: the reference catalogue (DPD layout), one block a day from " + std::to_string(first.year) +
              "-" + Two(first.month) + "-" + Two(first.day) + " to " + std::to_string(last.year) + "-" +
              Two(last.month) + "-" + Two(last.day));
  l.push_back("");
  l.push_back("## The pictures as drawn");
  l.push_back("");
  l.push_back("Disc centre and radius in pixels (x to the right, y down); orientation is");
  l.push_back("the program's orientation angle; P, B0, L0 in degrees as the program holds");
  l.push_back("them for the picture (P is 0 on north-up pictures).");
  l.push_back("");
  l.push_back("| Picture | UT | Size | x0 | y0 | Radius | Orientation | North up | P | B0 | L0 |");
  l.push_back("|---|---|---|---|---|---|---|---|---|---|---|");
  for (const SamplePicture& p : set.pictures) {
    const Scene& sc = p.scene;
    const Ephemeris e = EphemerisOf(sc);
    l.push_back("| `" + p.fileName + "` | " + DateTime(sc) + " | " + std::to_string(sc.width_px) + " x " +
                std::to_string(sc.height_px) + " | " + Fixed(sc.x0_px, 1) + " | " + Fixed(sc.y0_px, 1) + " | " +
                Fixed(sc.rk_px, 1) + " | " + Fixed(sc.orientation_deg, 1) + " | " + (sc.northUp ? "yes" : "no") +
                " | " + Fixed(e.P_deg, 2) + " | " + Fixed(e.B0_deg, 2) + " | " + Fixed(e.L0_deg, 2) + " |");
  }
  l.push_back("");
  l.push_back("## The spots");
  l.push_back("");
  l.push_back("Heliographic latitude B and Carrington longitude L, degrees. On the drawing");
  l.push_back("each spot is drawn as a filled umbra in a grey penumbra, two circles on the");
  l.push_back("picture: their areas, foreshortening corrected (10^6 pi r^2 / (2 pi rk^2 mu),");
  l.push_back("MSH), are what Find sunspots and `pelorin-cli spots` measure there.");
  l.push_back("");
  l.push_back("| Group | Spot | B | L | Area on the drawing | Umbra on the drawing |");
  l.push_back("|---|---|---|---|---|---|");
  const Scene& drawing = set.pictures.front().scene;
  const Ephemeris de = EphemerisOf(drawing);
  const auto msh = [&](double r_px, double mu) { return 1e6 * r_px * r_px / (2 * drawing.rk_px * drawing.rk_px * mu); };
  for (const SampleGroup& g : set.groups)
    for (const Spot& s : g.spots) {
      const double mu = Mu(de, s.B_deg, s.L_deg);
      l.push_back("| " + g.name + " | " + s.name + " | " + Fixed(s.B_deg, 2) + " | " + Fixed(s.L_deg, 2) + " | " +
                  Fixed(msh(s.penumbraRadius_px, mu), 1) + " | " + Fixed(msh(s.umbraRadius_px, mu), 1) + " |");
    }
  return l;
}

// A text for people (README.md): lines end with LF alone.
void WriteReadme(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw FileError("Cannot open " + path + " for writing");
  const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
  if (std::fclose(f) != 0 || !ok) throw FileError("Cannot write " + path);
}

}  // namespace

std::string DataFileNameOf(const std::string& pictureName) {
  return (pictureName.size() >= 3 ? pictureName.substr(0, pictureName.size() - 3) : std::string()) + "dat";
}

SampleSet BundledSamples() {
  SampleSet set;
  set.groups = {
      {"G1",
       {MakeSpot("G1a", 11.8, 296.0, 3.5, 9.0), MakeSpot("G1b", 12.3, 300.6, 2.0, 5.0),
        MakeSpot("G1c", 12.9, 305.2, 3.0, 7.5)}},
      {"G2", {MakeSpot("G2a", -14.2, 283.0, 3.0, 8.0), MakeSpot("G2b", -15.0, 289.0, 2.5, 6.0)}},
      {"G3", {MakeSpot("G3a", 21.5, 318.0, 3.0, 7.0)}},
      {"G4", {MakeSpot("G4a", -7.6, 266.5, 2.5, 6.5), MakeSpot("G4b", -8.4, 271.5, 2.0, 5.0)}},
  };

  auto add = [&set](KanzelhoeKind kind, int type, const std::string& what, Scene sc,
                    std::vector<MeasuredObject> measured = {}) {
    PutSpots(sc, set.groups);
    const std::string name = KanzelhoeName(kind, sc.year, sc.month, sc.day, sc.hour, sc.minute, "jpg");
    set.pictures.push_back({name, type, what, sc, std::move(measured)});
  };

  // A scanned drawing: white paper, the limb and the daily parallel drawn in
  // ink, mirrored against the sky and turned (east at 196.4 degrees).
  Scene drawing = MakeScene(2003, 5, 17, 7, 45, 0, 1700, 1650, 842.6, 818.3, 735.0, 196.4, false, Style::Drawing);
  drawing.parallelLine = true;
  add(KanzelhoeKind::Drawing, 0, "sunspot drawing, mirrored and turned; measured before: G1 and G2", drawing,
      {{"G1", {"G1a", "G1b", "G1c"}}, {"G2", {"G2a", "G2b"}}});
  add(KanzelhoeKind::Halpha, 0, "H-alpha picture, north up",
      MakeScene(2003, 5, 17, 8, 12, 0, 1536, 1536, 770.2, 765.9, 690.0, 0, true, Style::Halpha));
  add(KanzelhoeKind::Broadband, 3, "broadband photo, north up",
      MakeScene(2003, 5, 18, 9, 30, 0, 2048, 2048, 1021.4, 1030.8, 905.0, 0, true, Style::Photo));

  // SOHO: calibrated from nameconv.txt and catalog.txt; the catalogue's B0 is
  // the ephemeris' own.
  {
    Scene sc = MakeScene(2003, 5, 18, 8, 0, 2, 1024, 1024, 511.6, 512.4, 471.8, 0, true, Style::Photo);
    const double ut = Hours(sc.hour, sc.minute, sc.second);
    sc.ephemeris = SohoEphemeris(sc.year, sc.month, sc.day, ut, ProgramEphemeris(2003, 5, 18, ut, true).B0_deg);
    PutSpots(sc, set.groups);
    set.pictures.push_back({"soho0518.jpg", 1, "SOHO picture, calibrated from its catalogues", sc, {}});
  }
  {
    Scene sc = MakeScene(2003, 5, 19, 8, 50, 0, 1280, 960, 700.4, 455.7, 412.0, 0, true, Style::Photo);
    PutSpots(sc, set.groups);
    set.pictures.push_back(
        {"other_20030519.jpg", 2, "a picture of another kind: coordinates about a zero point only", sc, {}});
  }

  set.reference = {ReferenceBlock(set.groups, 2003, 5, 16, 9, 15), ReferenceBlock(set.groups, 2003, 5, 17, 9, 15),
                   ReferenceBlock(set.groups, 2003, 5, 18, 10, 5), ReferenceBlock(set.groups, 2003, 5, 19, 9, 40),
                   ReferenceBlock(set.groups, 2003, 5, 20, 9, 15)};
  // The white-light sample: 18 May 2003, 08:00 UT, north up, the groups
  // drawn as spots of known class.
  {
    set.whiteLightName = "kanz_bband_wl_20030518_0800.jpg";
    WlScene& w = set.whiteLight;
    w.year = 2003;
    w.month = 5;
    w.day = 18;
    w.hour = 8;
    w.minute = 0;
    w.width_px = w.height_px = 1024;
    w.x0_px = 512.3;
    w.y0_px = 509.6;
    w.rk_px = 462;
    w.northUp = true;
    w.blur_px = 1.0;
    w.noise = 0.005;
    w.granulation = 0.02;
    w.vignetting = 0.05;
    w.jpegQuality = 0;  // the picture is saved as JPEG
    w.seed = 518;
    auto add = [&](const char* g, double B, double L, double u, double p, double ul, double pl) {
      WlSpot sp;
      sp.group = g;
      sp.B_deg = B;
      sp.L_deg = L;
      sp.umbra_deg = u;
      sp.penumbra_deg = p;
      sp.umbraLevel = ul;
      sp.penumbraLevel = pl;
      w.spots.push_back(sp);
    };
    add("G1", 11.8, 296.0, 0.35, 0.8, 0.3, 0.78);
    add("G1", 12.3, 300.6, 0.3, 0.3, 0.55, 0.55);
    add("G1", 12.9, 305.2, 0.55, 1.1, 0.2, 0.76);
    add("G2", -14.2, 283.0, 0.3, 0.3, 0.6, 0.6);
    add("G2", -15.0, 289.0, 0.45, 1.0, 0.25, 0.8);
    add("G3", 21.5, 318.0, 0.4, 0.9, 0.28, 0.77);
    add("G4", -7.6, 266.5, 0.3, 0.3, 0.5, 0.5);
    add("G4", -8.4, 271.5, 0.35, 0.35, 0.5, 0.5);
    w.groups = {{"G1", "Dsi"}, {"G2", "Cso"}, {"G3", "Hsx"}, {"G4", "Bxo"}};
  }
  // The FITS sample: 18 May 2003, 10:00 UT, the observer's B0 and L0 of
  // that hour, the picture turned by 12 degrees against solar north.
  set.fitsName = "fits_20030518_1000.fits";
  SolarFits& f = set.fits;
  f.width = f.height = 1024;
  f.dateObs = "2003-05-18T10:00:00.000";
  f.crpix1 = 512.5;
  f.crpix2 = 512.5;
  f.cdelt1 = f.cdelt2 = 2.2;
  f.rotation = WcsRotation::Pc;
  f.rotation_deg = 12;
  f.rsun_obs_arcsec = 948.7;
  f.dsun_obs_m = 1.5129e11;
  f.hglt_obs_deg = -2.33;
  f.crln_obs_deg = 290.21;
  f.layout.bitpix = 16;
  f.layout.compression = FitsCompression::Rice;
  return set;
}

std::vector<std::string> WriteSampleTexts(const SampleSet& set, const std::string& folder) {
  std::vector<std::string> dataFiles;
  std::vector<SohoPicture> soho;
  for (const SamplePicture& p : set.pictures) {
    if (p.imageType == 1) soho.push_back(SohoPictureFor(ComputeTruth(p.scene), BaseName(p.fileName)));
    if (p.measured.empty()) continue;
    const std::string data = DataFileNameOf(p.fileName);
    WriteMeasuredDataFile(folder + "/" + data, ComputeTruth(p.scene), p.imageType, p.fileName, p.measured);
    dataFiles.push_back(data);
  }
  std::vector<std::string> names = dataFiles;
  WriteNameconv(folder + "/nameconv.txt", soho);
  WriteCatalog(folder + "/catalog.txt", soho);
  WriteDpd(folder + "/DPD1.txt", set.reference);
  WriteReadme(folder + "/README.md", ReadmeLines(set, dataFiles));
  for (const char* n : {"nameconv.txt", "catalog.txt", "DPD1.txt", "README.md"}) names.push_back(n);
  return names;
}

std::vector<std::string> WriteSampleSet(const SampleSet& set, const std::string& folder,
                                        const std::function<void(const std::string&, const Rendered&)>& savePicture) {
  std::vector<std::string> names;
  for (const SamplePicture& p : set.pictures) {
    savePicture(folder + "/" + p.fileName, Render(p.scene));
    names.push_back(p.fileName);
  }
  if (!set.fitsName.empty()) {
    WriteSolarFits(folder + "/" + set.fitsName, set.fits);
    names.push_back(set.fitsName);
  }
  if (!set.whiteLightName.empty()) {
    const WlRendered wl = RenderWhiteLight(set.whiteLight);
    Rendered r;
    r.width_px = wl.width_px;
    r.height_px = wl.height_px;
    r.argb = wl.Argb();
    r.truth = wl.truth.picture;
    savePicture(folder + "/" + set.whiteLightName, r);
    names.push_back(set.whiteLightName);
    const std::string truth = BaseName(set.whiteLightName) + ".truth.csv";
    WriteWlTruth(folder + "/" + truth, wl.truth);
    names.push_back(truth);
    const std::string data = DataFileNameOf(set.whiteLightName);
    WriteMeasuredDataFile(folder + "/" + data, wl.truth.picture, 3, set.whiteLightName, {});
    names.push_back(data);
  }
  const std::vector<std::string> texts = WriteSampleTexts(set, folder);
  names.insert(names.end(), texts.begin(), texts.end());
  return names;
}

}  // namespace pelorin::gen
