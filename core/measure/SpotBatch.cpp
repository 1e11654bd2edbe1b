// The batch in stages: the picture's data file read as the window reads it
// (or its header's calibration for a new one), the found spots of an
// earlier run told from the records measured by hand, the finder and the
// naming as Find sunspots runs them, Accept's records, and the two files
// written as Save writes them.
#include "measure/SpotBatch.h"

#include "formats/CalFile.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

#include "base/AtomicFile.h"
#include "base/Memory.h"
#include "base/PointStore.h"
#include "base/TextFile.h"
#include "formats/DataFile.h"
#include "formats/HeaderCalibration.h"
#include "formats/PictureNames.h"
#include "formats/SpotsFile.h"
#include "series/ReferenceGroups.h"
#include "measure/PictureCalibration.h"
#include "measure/SpotRecords.h"
#include "spots/Proposals.h"

namespace pelorin {

namespace {

namespace fs = std::filesystem;

// More pictures at once than this only fill the memory: each holds its
// picture and the finder's working copies.
constexpr int kMaxJobs = 64;

// A picture as the window holds it once opened and calibrated: its records,
// and its calibration with its date and errors.
struct Setup : PictureCalibration {
  RecordList list;
};

std::string DataPathOf(const std::string& picture) {
  const fs::path p(picture);
  return (p.parent_path() / DataFileNameOf(p.filename().string())).string();
}

SpotBatchResult& Skip(SpotBatchResult& r, const std::string& why) {
  r.outcome = BatchOutcome::Skipped;
  r.why = why;
  return r;
}

// The data file at `path` read as the window reads it when the picture
// opens. "" when it calibrates the picture; otherwise why it cannot be used
// (the file is then left as it is).
std::string SetUpFromDataFile(const std::string& path, const std::string& pictureName, Setup& s) {
  const DataFileContents c = ParseDataFile(ReadLines(path));
  if (!c.headerComplete)
    return path + ": " + (c.problems.empty() ? std::string("the header is cut short") : c.problems.front());
  // Writing it again would lose what was not read.
  if (!c.problems.empty()) return path + ": " + c.problems.front() + "; the data file is left as it is";
  if (c.records.size() > static_cast<std::size_t>(kMaxPoints))
    return path + ": more than " + std::to_string(kMaxPoints) + " records, more than the program holds";
  std::int16_t type = 0, northUp = 0;
  float dateKnown = 0;
  ApplyTypeWord(c.typeWord, pictureName, type, northUp, dateKnown);
  if (type == 2) return path + ": a picture of another type (type word '" + c.typeWord + "') is measured by points";
  if (!CalibrationOfDataFile(c, pictureName, s))
    return "the picture is not calibrated: its data file " + path + " holds no limb";
  s.list = RecordListOfDataFile(c, pictureName);
  s.errors = CalErrorsBeside(path);
  return {};
}

// A new picture calibrated from its header, as the window sets it up: the
// data file's 13 header lines and the state's calibration. "" when done,
// otherwise why not.
std::string SetUpFromHeader(const BatchPicture& pic, const std::string& pictureName, Setup& s) {
  HeaderCalibration hc;
  std::string missing;
  if (pic.header.Empty())
    return "the picture is not calibrated: it has no data file and no header (measure its limb in the window)";
  if (!CalibrateFromHeader(pic.header, pic.grey.width, pic.grey.height, hc, missing))
    return "the picture is not calibrated: it has no data file and its header lacks: " + missing;
  if (std::string refusal = HeaderCalibrationRefusal(hc, pictureName); !refusal.empty())
    return "the picture cannot be calibrated from its header: " + refusal;
  DataFileContents c;
  c.day = hc.time.day;
  c.month = hc.time.month;
  c.year = hc.time.year;
  c.timeUT = hc.time.hours;
  c.P = hc.P;
  c.B0 = hc.B0;
  c.L0 = hc.L0;
  c.rho0 = hc.rho0;
  c.typeWord = TypeWord(hc.northUp == 1 ? 1 : 0);
  c.x0 = hc.x0;
  c.y0 = hc.y0;
  c.rk = hc.rk;
  c.orientation = hc.orientation;
  std::string bytes;
  for (const std::string& line : DataFileHeaderLines(c, pictureName)) bytes += line + "\r\n";
  s.list = ParseRecordList(bytes);
  static_cast<PictureCalibration&>(s) = CalibrationOfHeader(hc);
  return {};
}

bool HasFoundSpots(const RecordList& list) {
  for (const RecordLine& r : list.lines)
    if (r.record && r.area_msh >= 0) return true;
  return false;
}

// Whether any spot of `spots` is one of the records (its group's name, B,
// CMD and L to 5 decimals).
bool AnySpotRecorded(const SpotsFileContents& spots, const RecordList& list) {
  const auto same = [](double a, double b) { return std::abs(a - b) <= 1.5e-5; };
  for (const SpotsFileRow& s : spots.spots)
    for (const RecordLine& r : list.lines)
      if (r.record && r.name == s.group && same(r.B_deg, s.B) && same(r.CMD_deg, s.CMD) && same(r.L_deg, s.L))
        return true;
  return false;
}

// The .spots.csv beside `dataFile` gives the found records their areas, as
// when the window opens the picture. "" when it does or there is none; a
// .spots.csv none of whose spots is in the data file is what a run stopped
// between its two files leaves, noted and taken as none. Otherwise why the
// picture is left alone.
std::string TakeFoundSpots(Setup& s, const std::string& dataFile, std::vector<std::string>& notes) {
  const std::string path = SpotsFileNameOf(dataFile);
  std::error_code ec;
  if (!fs::exists(path, ec)) return {};
  RecordList withAreas = s.list;
  const std::string disagreement = LoadSpotsBeside(withAreas, dataFile);
  if (disagreement.empty()) {
    s.list = std::move(withAreas);
    return {};
  }
  SpotsFileContents spots;
  std::string error;
  if (ParseSpotsFile(ReadFileBytes(path), spots, error) && !AnySpotRecorded(spots, s.list)) {
    notes.push_back(path + " holds none of the data file's records (left by a run that did not finish); "
                           "written again");
    return {};
  }
  return disagreement + " Nothing was written.";
}

std::vector<ReferenceGroup> References(const Setup& s, const std::string& dataFile, const SpotBatchOptions& options,
                                       std::vector<std::string>& notes) {
  if (!s.dateKnown) return {};
  return options.catalogue.empty()
             ? ReferenceGroupsOfDay(fs::path(dataFile).parent_path().string(), s.year, s.month, s.day, s.hours,
                                    &notes)
             : SrsGroupsAt(options.catalogue, s.year, s.month, s.day, s.hours, &notes);
}

// Find sunspots on the picture and Accept every group: `next` is the list
// with the found spots' records after it. "" when done, otherwise why.
std::string FindAndAccept(const BatchPicture& pic, const Setup& s, std::vector<ReferenceGroup> refs,
                          RecordList& next, std::vector<std::string>& notes) {
  // One thread a picture: the batch works on several pictures at once.
  SpotSettings settings;
  settings.threads = 1;
  DiscCalibration finderCal = s.cal;
  if (finderCal.northUp) finderCal.P = 0;
  auto finder = std::make_shared<SpotFinder>();
  std::string error;
  if (!finder->Prepare(pic.grey, finderCal, error, settings.threads))
    return "sunspots cannot be found on the picture: " + error;
  std::set<std::string> names;
  for (const RecordObject& o : Objects(s.list)) names.insert(o.name);
  SpotProposals p = ProposeSpots(std::move(finder), settings, std::move(refs), std::move(names));
  SetProposalErrors(p, finderCal,
                    PropagationErrorsOf(s.errors, s.dateKnown, s.year, s.month, s.day, s.hours, s.cal.northUp));
  notes.insert(notes.end(), p.report.notes.begin(), p.report.notes.end());
  if (p.report.groups.empty()) {
    next = s.list;
    return {};
  }
  return AppendFoundSpots(s.list, p.report, p.checked, s.cal, next);
}

// The .spots.csv first, then the data file (each whole): a run stopped
// between them leaves a .spots.csv the next run recognises.
std::string WriteFiles(const RecordList& next, const std::string& dataFile, bool exists, double k,
                       const CalErrors& errors) {
  if (std::string e = SaveSpotsBeside(next, dataFile, k); !e.empty()) return e;
  // The calibration's errors, as Save in the window writes them.
  const std::string cal = CalFileNameOf(dataFile), calText = CalFileText(errors);
  std::error_code ec;
  if (!(fs::exists(cal, ec) && ReadFileBytes(cal) == calText))
    if (std::string e = WriteFileAtomically(cal, calText); !e.empty()) return e;
  const std::string bytes = next.Bytes();
  if (exists && ReadFileBytes(dataFile) == bytes) return {};
  if (std::string e = WriteFileAtomically(dataFile, bytes); !e.empty()) return "the data file was not written: " + e;
  return {};
}

SpotBatchResult WriteSpots(const std::string& picture, const SpotBatchOptions& options, const PictureReader& read) {
  SpotBatchResult r;
  r.picture = picture;
  r.dataFile = DataPathOf(picture);
  const std::string name = fs::path(picture).filename().string();
  // One shorter than 2 bytes is the empty placeholder the window makes when
  // it opens a new picture: the picture counts as new.
  const bool exists = FileLength(r.dataFile) >= 2;
  Setup s;
  bool replacing = false;
  if (exists) {
    if (std::string why = SetUpFromDataFile(r.dataFile, name, s); !why.empty()) return Skip(r, why);
    if (std::string why = TakeFoundSpots(s, r.dataFile, r.notes); !why.empty()) return Skip(r, why);
    if (HasFoundSpots(s.list) && !options.replace) {
      r.outcome = BatchOutcome::Kept;
      r.counts = CountSpots(SpotReportOfRecords(s.list).groups);
      return r;
    }
    replacing = HasFoundSpots(s.list);
    // --replace: only the found records go.
    std::erase_if(s.list.lines, [](const RecordLine& l) { return l.record && l.area_msh >= 0; });
  }
  BatchPicture pic;
  std::string error;
  if (!read(picture, pic, error)) return Skip(r, error);
  if (std::string refusal = SpotRefusalOfHeader(pic.header); !refusal.empty())
    return Skip(r, "sunspots cannot be found on this picture: " + refusal);
  if (!exists)
    if (std::string why = SetUpFromHeader(pic, name, s); !why.empty()) return Skip(r, why);
  RecordList next;
  if (std::string why = FindAndAccept(pic, s, References(s, r.dataFile, options, r.notes), next, r.notes);
      !why.empty())
    return Skip(r, why);
  if (std::string why = WriteFiles(next, r.dataFile, exists, options.k, s.errors); !why.empty()) return Skip(r, why);
  r.outcome = replacing ? BatchOutcome::Replaced : BatchOutcome::Written;
  r.counts = CountSpots(SpotReportOfRecords(next).groups);
  return r;
}

}  // namespace

const char* OutcomeWord(BatchOutcome outcome) {
  switch (outcome) {
    case BatchOutcome::Written: return "written";
    case BatchOutcome::Replaced: return "replaced";
    case BatchOutcome::Kept: return "kept";
    case BatchOutcome::Skipped: break;
  }
  return "skipped";
}

std::vector<std::string> PicturesIn(const std::vector<std::string>& paths, std::vector<std::string>& problems) {
  std::vector<std::string> out;
  std::set<std::string> seen;
  const auto add = [&](const fs::path& p) {
    std::error_code ec;
    const fs::path key = fs::weakly_canonical(fs::absolute(p, ec), ec);
    if (seen.insert(ec ? p.string() : key.string()).second) out.push_back(p.string());
  };
  for (const std::string& path : paths) {
    std::error_code ec;
    if (fs::is_regular_file(path, ec)) {
      add(path);
      continue;
    }
    if (!fs::is_directory(path, ec)) {
      problems.push_back(path + ": there is no such file or folder");
      continue;
    }
    std::vector<fs::path> found;
    for (fs::recursive_directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec))
      if (it->is_regular_file(ec) && IsPictureFileName(it->path().filename().string())) found.push_back(it->path());
    if (ec) problems.push_back(path + ": the folder could not be read whole: " + ec.message());
    std::sort(found.begin(), found.end());
    for (const fs::path& p : found) add(p);
  }
  return out;
}

SpotBatchResult WriteSpotsOfPicture(const std::string& picture, const SpotBatchOptions& options,
                                    const PictureReader& read) {
  try {
    return WriteSpots(picture, options, read);
  } catch (const std::exception& e) {
    SpotBatchResult r;
    r.picture = picture;
    r.dataFile = DataPathOf(picture);
    return Skip(r, e.what());
  }
}

void RunSpotBatch(const std::vector<std::string>& pictures, const SpotBatchOptions& options,
                  const PictureReader& read,
                  const std::function<void(std::size_t index, const SpotBatchResult& result)>& onResult,
                  const std::function<void(std::size_t done, std::size_t total)>& onProgress) {
  const std::size_t n = pictures.size();
  // One picture's buffers are reused by the next rather than mapped again.
  KeepFreedMemoryForReuse();
  // Two pictures of one data file (x.jpg and x.bmp) would write over each
  // other: the first keeps it.
  std::vector<std::string> clash(n);
  std::map<std::string, std::size_t> owner;
  for (std::size_t i = 0; i < n; ++i) {
    std::error_code ec;
    const std::string data = fs::absolute(DataPathOf(pictures[i]), ec).lexically_normal().string();
    const auto [at, fresh] = owner.emplace(data, i);
    if (!fresh) clash[i] = "its data file " + DataPathOf(pictures[i]) + " is that of " + pictures[at->second];
  }
  std::vector<std::optional<SpotBatchResult>> results(n);
  std::mutex m;
  std::condition_variable cv;
  std::atomic<std::size_t> next{0};
  std::size_t done = 0;
  const auto work = [&] {
    for (std::size_t i; (i = next++) < n;) {
      SpotBatchResult r;
      if (clash[i].empty()) {
        r = WriteSpotsOfPicture(pictures[i], options, read);
      } else {
        r.picture = pictures[i];
        r.dataFile = DataPathOf(pictures[i]);
        Skip(r, clash[i]);
      }
      std::lock_guard<std::mutex> lock(m);
      results[i] = std::move(r);
      ++done;
      cv.notify_one();
    }
  };
  const auto jobs = static_cast<std::size_t>(std::clamp(options.jobs, 1, kMaxJobs));
  std::vector<std::thread> workers;
  for (std::size_t j = 0; j < std::min(jobs, n); ++j) workers.emplace_back(work);
  std::size_t told = 0, shown = 0;
  while (told < n) {
    std::unique_lock<std::mutex> lock(m);
    cv.wait(lock, [&] { return done > shown || (told < n && results[told]); });
    const std::size_t nowDone = done;
    std::vector<std::pair<std::size_t, SpotBatchResult>> ready;
    while (told < n && results[told]) {
      ready.emplace_back(told, std::move(*results[told]));
      results[told].reset();
      ++told;
    }
    lock.unlock();
    if (onProgress && nowDone > shown) onProgress(nowDone, n);
    shown = nowDone;
    for (const auto& [i, r] : ready)
      if (onResult) onResult(i, r);
  }
  for (std::thread& t : workers) t.join();
}

}  // namespace pelorin
