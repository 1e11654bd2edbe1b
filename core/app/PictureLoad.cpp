#include "app/PictureLoad.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

#include "app/Dispatcher.h"
#include "app/Startup.h"
#include "base/Text.h"
#include "app/DataFileIO.h"
#include "formats/HeaderCalibration.h"
#include "formats/PictureNames.h"
#include "formats/Soho.h"
#include "base/TextFile.h"
#include "app/WorkFiles.h"
#include "app/WorkGuard.h"
#include "app/WorkSlot.h"
#include "geometry/Ephemeris.h"
#include "app/Errors.h"
#include "app/Geometry.h"
#include "app/Edits.h"
#include "measure/SpotRecords.h"

namespace fs = std::filesystem;

namespace pelorin {

namespace {

constexpr const char* kOpenTitle = "Open picture";
constexpr const char* kOpenFilter =
    "Pictures|*.bmp;*.jpg;*.fits;*.fit;*.fts;*.fits.gz;*.fit.gz;*.fts.gz;*.jp2;*.png;*.tif;*.tiff|"
    "FITS|*.fits;*.fit;*.fts;*.fits.gz;*.fit.gz;*.fts.gz|JPEG 2000|*.jp2|PNG|*.png|TIFF|*.tif;*.tiff|"
    "All files(*.*)|*.*";
constexpr const char* kTypePrompt = "0=scan Kanzelhöhe; 1=SOHO; 2=other type of image; 3=photo Kanzelhöhe";

// "The file is empty" from "the file is empty".
std::string Capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

// Position (0-based) of the last folder separator, npos when there is none.
std::size_t LastSeparator(const std::string& path) { return path.find_last_of("/\\"); }

// The previous picture's working files go: its never-written data file and
// temp.dat, found by the full paths they were created with.
void DiscardPreviousPicture(App& app) {
  app.file1.Close();
  if (!app.s.DataFileName.empty()) {
    const std::string data = app.dataFilePath.empty() ? app.s.DataFileName : app.dataFilePath;
    const long long len = FileLength(data);
    if (len >= 0 && len < 2) std::remove(data.c_str());
    const std::string temp = app.file2.Path();
    app.file2.Close();
    if (!temp.empty()) std::remove(temp.c_str());
  }
  app.file2.Close();
}

// The names of the current folder of the open picture's kind (*.jpg for a
// JPEG or BMP picture, as ever; *.fits, *.jp2, *.png, ... for the others),
// in name order, at most 1000.
void RebuildPictureList(App& app, const std::string& pictureName) {
  ProgramState& s = app.s;
  const std::string ending = PictureListEnding(pictureName);
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::current_path(ec), ec)) {
    const std::string n = entry.path().filename().string();
    if (n.size() > ending.size() && n.compare(n.size() - ending.size(), ending.size(), ending) == 0 &&
        entry.is_regular_file(ec))
      names.push_back(n);
  }
  std::sort(names.begin(), names.end());
  if (names.size() > static_cast<std::size_t>(kMaxPictures)) names.resize(kMaxPictures);
  s.PictureCount = static_cast<std::int16_t>(names.size());
  for (std::size_t i = 0; i < names.size(); ++i) s.PictureList[i + 1] = names[i];
  for (int i = 1; i <= s.PictureCount; ++i) {
    if (BareName(pictureName) == s.PictureList[static_cast<std::size_t>(i)]) {
      s.PictureIndex = static_cast<std::int16_t>(i);
      break;
    }
  }
}

// A new picture: asks for its type until the answer is 0 to 3 (Cancel and
// text that is not a number give 0).
int AskImageType(App& app) {
  for (;;) {
    InitState(app);
    const std::string answer = app.win.InputBox(kTypePrompt, "Type of image", "0");
    const double t = RoundToWhole(LeadingNumber(answer));
    if (t >= 0 && t <= 3) return static_cast<int>(t);
  }
}

// A new picture calibrated at once (from catalogues or its header): the rest
// of the working file's header is written, the grid drawn, and measuring
// starts.
void StartMeasuring(App& app) {
  try {
    WriteDateLines(app);
    WriteDiscLine(app);
    WriteOrientationLine(app);
  } catch (const FileError& err) {
    app.win.MessageBox(err.what());
  }
  app.s.PointCount = 0;
  Redraw(app);
  app.win.SetMenuEnabled(Menu::Objekt, true);
  app.win.SetMenuEnabled(Menu::koor, false);
}

// Calibrates a new SOHO picture from its catalogues. False (after saying
// why) when the lookup fails; the picture then goes on as an uncalibrated
// one.
bool SetUpSoho(App& app, const std::string& pictureName) {
  ProgramState& s = app.s;
  SohoEntry e;
  std::string error;
  if (!SohoLookup(".", pictureName, e, error)) {
    app.win.MessageBox("The SOHO picture " + pictureName + " could not be calibrated: " + error);
    return false;
  }
  s.ZeroPointX = e.x0;
  s.ZeroPointY = e.y0;
  s.LimbRadius = e.rk;
  s.DateYear = e.year;
  s.DateMonth = e.month;
  s.DateDay = e.day;
  s.TimeUT = e.timeUT;
  SolarEphemeris(s.DateYear, s.DateMonth, s.DateDay, s.TimeUT, s.P, s.B0, s.L0, s.rho0);
  s.P = 0;
  s.B0 = e.B0;
  s.OrientationAngle = 0;
  s.rho0 = s.rho0 * 2 / 3;
  s.DateKnown = 1;
  s.CalibrationState = 3;
  HeaderCalibrationErrors(app);
  StartMeasuring(app);
  return true;
}

// A new picture whose header (FITS keywords) is enough is calibrated from
// it. False for a picture without a header, and, after saying what is
// missing, for one whose header is not enough: it then goes the ordinary
// road of a new picture.
bool CalibrationFromHeader(App& app, const std::string& pictureName, HeaderCalibration& c) {
  const PictureHeader& header = app.pic.Header();
  if (header.Empty()) return false;
  std::string missing;
  bool ok = CalibrateFromHeader(header, app.pic.Width(), app.pic.Height(), c, missing);
  if (ok) {
    missing = HeaderCalibrationRefusal(c, pictureName);
    ok = missing.empty();
  }
  if (!ok) {
    app.win.MessageBox("The picture " + pictureName + " could not be calibrated from its header: " + missing +
                       ".\rGive its type, date, limb and orientation by hand.");
  }
  return ok;
}

// Sets a new picture up from its header's calibration, as a SOHO picture
// from its catalogues: the rest of the working file's header, ready to
// measure.
void SetUpFromHeader(App& app, const HeaderCalibration& c) {
  ProgramState& s = app.s;
  ApplyHeaderCalibration(c, s);
  HeaderCalibrationErrors(app);
  StartMeasuring(app);
}

}  // namespace

bool KanzelhoeheDate(const std::string& name, double& year, double& month, double& day, double& hours) {
  if (KanzelhoeheKind(name) == KanzelhoeheName::None) return false;
  year = LeadingNumber(Mid(name, 15, 4));
  month = LeadingNumber(Mid(name, 19, 2));
  day = LeadingNumber(Mid(name, 21, 2));
  hours = LeadingNumber(Mid(name, 24, 2)) + LeadingNumber(Mid(name, 26, 2)) / 60.0;
  return true;
}

void LoadPictureData(App& app, std::string& name, int& result) {
  ProgramState& s = app.s;
  result = 0;
  app.createdEmptyPath.clear();  // set again below when a new picture's data file is made
  // 1. Split off the folder.
  const std::size_t sep = LastSeparator(name);
  if (sep != std::string::npos) {
    if (sep + 1 > 2) s.PictureFolder = name.substr(0, sep + 1);
    name = name.substr(sep + 1);
  }
  const std::string pictureName = name;
  // 2. The data file: the last three characters replaced by "dat" (the
  // whole extension of FITS and TIFF names).
  const std::string dataName = DataFileNameOf(pictureName);
  std::error_code ec;
  const std::string dataPath = fs::absolute(dataName, ec).string();
  bool fromHeader = false;
  AssumeCalibrationErrors(app);
  HeaderCalibration header;

  // 3. A data file beside the picture: read it back. One shorter than 2
  // bytes is the empty placeholder made when the picture was first opened,
  // so the picture counts as new.
  if (FileLength(dataName) >= 2) {
    try {
      const std::string notRead = ReadDataFile(app, dataName, pictureName);
      const std::string calNote = LoadCalBeside(app, dataName);
      name = dataName;
      app.dataFilePath = dataPath;
      app.win.SetMenuEnabled(Menu::Objekt, true);
      app.win.SetMenuEnabled(Menu::koor, false);
      Redraw(app);
      if (!notRead.empty()) app.win.MessageBox(notRead);
      if (!calNote.empty()) app.win.MessageBox(calNote);
      return;
    } catch (const std::exception& e) {
      // 4. An unreadable data file: the picture goes on as a new one with
      // the type found so far; the file itself is left as it is.
      result = 1;
      // Nothing of this picture is calibrated: the previous picture's
      // calibration must not give B, CMD and L here.
      s.CalibrationState = 0;
      app.win.MessageBox(std::string(e.what()) + "\rThe picture is opened without its measurements.");
    }
  } else {
    // 5. A new picture: calibrated from its header, or its type asked; an
    // empty data file.
    result = 1;
    fromHeader = CalibrationFromHeader(app, pictureName, header);
    if (fromHeader) {
      InitState(app);
      s.ImageType = static_cast<std::int16_t>(header.northUp == 1 ? 1 : 0);
    } else {
      s.ImageType = static_cast<std::int16_t>(AskImageType(app));
    }
    try {
      OutputFile created;
      created.Open(dataName);
      app.createdEmptyPath = dataPath;
    } catch (const FileError& e) {
      app.win.MessageBox(e.what());
    }
    if (s.ImageType == 2) {
      app.dataFilePath = fs::absolute(pictureName, ec).string();
      return;
    }
  }

  // 6. Start the working file.
  app.dataFilePath = dataPath;
  name = dataName;
  s.NorthUpImage = 0;
  try {
    app.file2.Open(WorkFileName(app.slot));
    WriteHeaderStart(app, pictureName);
  } catch (const FileError& e) {
    app.win.MessageBox(std::string(e.what()) + "\rMeasurements of this picture cannot be recorded.");
  }

  // 7. Set up by the header, or by type.
  if (fromHeader) {
    SetUpFromHeader(app, header);
  } else if (s.ImageType == 0 || s.ImageType == 3) {
    double y = 0, m = 0, d = 0, h = 0;
    if (KanzelhoeheDate(pictureName, y, m, d, h)) {
      s.DateYear = y;
      s.DateMonth = m;
      s.DateDay = d;
      s.TimeUT = h;
      s.DateKnown = 1;
      s.NorthUpImage = KanzelhoeheKind(pictureName) == KanzelhoeheName::NorthUp ? 1 : 0;
    }
  } else if (s.ImageType == 1) {
    // A SOHO picture is north up, as its data file will say when reopened.
    s.NorthUpImage = 1;
    SetUpSoho(app, pictureName);
  }
}

void OpenPicture(App& app, const std::string& path) {
  ProgramState& s = app.s;
  const bool fromList = s.OpenFromList != 0;
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    app.win.MessageBox("Cannot open " + path + ": there is no such file.");
    s.OpenFromList = 0;
    return;
  }
  // A picture another window has open is not opened a second time: the
  // two would save over each other's measurements.
  FileLock pictureLock;
  const fs::path absolute = fs::absolute(path, ec).lexically_normal();
  const bool reopened = app.pictureLock.Held() && app.pictureLock.Path() == absolute.string();
  if (!reopened && pictureLock.TryLock(absolute.string(), false) == FileLock::Result::Busy) {
    app.win.MessageBox(absolute.filename().string() +
                       " is open in another Pelorin window. It is not opened here, so that the two windows cannot "
                       "save over each other's measurements.");
    s.OpenFromList = 0;
    return;
  }
  // The picture is decoded first: a file that is not a readable picture
  // leaves the open picture and its measurements as they were.
  std::string error;
  if (!app.pic.Load(path, error)) {
    app.win.MessageBox(path + " Invalid picture format!" + (error.empty() ? "" : "\r" + Capitalised(error) + "."));
    s.OpenFromList = 0;
    return;
  }
  if (!reopened) app.pictureLock = std::move(pictureLock);
  // 2. The previous picture's working files go.
  DiscardPreviousPicture(app);
  // 3. Reset of the overlays.
  s.CatalogueBlockCount = 0;
  s.CatalogueBlock = 0;
  s.StoredPointCount = 0;
  app.win.SetMenuEnabled(Menu::mreza, false);
  app.win.SetMenuEnabled(Menu::Compare, false);
  app.win.SetMenuEnabled(Menu::objectview, false);
  s.GridOn = 0;
  s.CompareOn = 0;
  s.ShowObjects = 0;
  s.RefSpotCount = 0;
  s.RefGroupCount = 0;
  // 4. The picture's full path, and its folder becomes the current one.
  s.DataFileName = fs::absolute(path, ec).string();
  const fs::path folder = fs::path(s.DataFileName).parent_path();
  if (!folder.empty()) fs::current_path(folder, ec);
  // 6. The window's slot in that folder, and a fresh point log.
  ClaimWorkSlot(app);
  OpenPointLog(app);
  // 7. The picture's data, and what an earlier session left of it unsaved.
  app.pictureName = BareName(s.DataFileName);
  std::vector<Leftover> leftovers = TakeLeftovers(app, app.pictureName);
  int result = 0;
  std::string name = s.DataFileName;
  LoadPictureData(app, name, result);
  s.DataFileName = name;
  MarkWorkSaved(app);
  const Restored restored = OfferRestore(app, leftovers, app.pictureName);
  if (restored == Restored::Whole) result = 0;
  // The picture's records as a list, its undo history empty; the errors of
  // their own points from the .cal.
  BookOpened(app);
  GivePointErrors(app);
  // The areas and classes of the detected spots, from the .spots.csv beside
  // the data file.
  if (!app.dataFilePath.empty()) {
    const std::string note = LoadSpotsBeside(app.book.list, app.dataFilePath);
    ++app.book.generation;
    if (!note.empty()) app.win.MessageBox(note);
  }
  // 8. Redraw.
  Redraw(app);
  // 9. Menus for the next step.
  // Calibrated at once: from a data file, the SOHO catalogues or the
  // picture's header.
  const bool calibratedAtOnce = result == 0 || (s.ImageType != 2 && s.CalibrationState == 3);
  WindowPort& w = app.win;
  if (s.ImageType == 2) {
    w.SetMenuEnabled(Menu::koor, true);
  } else if (!calibratedAtOnce) {
    s.CoordSystem = 0;
    w.SetMenuEnabled(Menu::datum, true);
    for (Menu m : {Menu::Limb, Menu::orient, Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview})
      w.SetMenuEnabled(m, false);
  } else {
    for (Menu m : {Menu::datum, Menu::Limb, Menu::orient}) w.SetMenuEnabled(m, false);
    for (Menu m : {Menu::Objekt, Menu::Compare, Menu::mreza, Menu::objectview}) w.SetMenuEnabled(m, true);
  }
  // 10. A picture measured before (or calibrated at once) shows its grid,
  // whatever the type word of its data file.
  if (calibratedAtOnce) {
    w.SetMenuEnabled(Menu::mreza, true);
    w.SetMenuEnabled(Menu::Compare, true);
    w.SetMenuEnabled(Menu::objectview, true);
    mreza_Click(app);
  }
  // What the reader had to say about the picture (a cube shown by its first
  // plane).
  if (const std::string note = app.pic.Note(); !note.empty()) w.MessageBox(path + ": " + note);
  if (restored == Restored::Partial) EnableRestoredStep(app);
  // 11. The folder's picture list.
  if (!fromList) RebuildPictureList(app, path);
  // 12.
  s.OpenFromList = 0;
}

void ucitavanje_Click(App& app) {
  ProgramState& s = app.s;
  if (s.OpenFromList != 0) {
    if (s.PictureIndex < 1 || s.PictureIndex > s.PictureCount) {
      s.OpenFromList = 0;
      return;
    }
    // Unsaved work of the open picture is asked about first; kept, the open
    // picture stays the current one of the list.
    if (!ConfirmLeavePicture(app)) {
      for (int i = 1; i <= s.PictureCount; ++i)
        if (s.PictureList[static_cast<std::size_t>(i)] == app.pictureName) s.PictureIndex = static_cast<std::int16_t>(i);
      s.OpenFromList = 0;
      return;
    }
    OpenPicture(app, s.PictureFolder + s.PictureList[static_cast<std::size_t>(s.PictureIndex)]);
    return;
  }
  if (!ConfirmLeavePicture(app)) return;
  const auto chosen = app.win.OpenFileDialog(kOpenTitle, kOpenFilter);
  if (!chosen || chosen->empty()) return;
  OpenPicture(app, *chosen);
}

}  // namespace pelorin
