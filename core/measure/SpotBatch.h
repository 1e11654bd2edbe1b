// The sunspots of many pictures written into their data files without the
// window: for each picture what Find sunspots, Accept and Save write (the
// records with their NOAA or G<n> names, the .spots.csv beside the data
// file), pictures worked on several at once.
//
// Each picture is independent of the others and its files depend only on
// it, its data file and the catalogues beside it: the bytes written are the
// same however many pictures are worked on at once, and whatever machine
// works on them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "base/PictureHeader.h"
#include "formats/SpotTable.h"
#include "spots/Spots.h"

namespace pelorin {

// A picture as the batch searches it: its grey levels (GreyPicture) and its
// header (empty for a picture without one).
struct BatchPicture {
  GreyPicture grey;
  PictureHeader header;
};

// Reads the picture at `path`; false with `error` saying what is wrong with
// the file. Called from several threads at once.
using PictureReader = std::function<bool(const std::string& path, BatchPicture& out, std::string& error)>;

struct SpotBatchOptions {
  int jobs = 1;            // pictures worked on at once, 1 .. 64
  bool replace = false;    // find the spots again where the data file holds found ones
  std::string catalogue;   // a Solar Region Summary naming the groups; "": the catalogues beside each picture
  double k = 1;            // the observer's k of the .spots.csv's R, as the window's default
};

enum class BatchOutcome {
  Written,   // the found spots added to the data file (new or holding only records measured by hand)
  Replaced,  // the found spots of an earlier run replaced (--replace)
  Kept,      // the data file holds found spots already: left as it is
  Skipped,   // nothing written: `why` says why
};

// "written", "replaced", "kept", "skipped".
const char* OutcomeWord(BatchOutcome outcome);

struct SpotBatchResult {
  std::string picture;   // as listed
  std::string dataFile;  // the picture's data file, beside it
  BatchOutcome outcome = BatchOutcome::Skipped;
  SpotCounts counts;     // of the data file's found spots after the run (k = 1)
  std::string why;       // Skipped: why, for the user
  // Worth telling though the files were written: what the finder cut
  // short, a catalogue's lines that could not be read, a .spots.csv left
  // over by a run that was stopped.
  std::vector<std::string> notes;
};

// The pictures among `paths`: a file as given; a folder's picture files
// (IsPictureFileName), its subfolders' included, sorted by path; each
// picture once, at its first place. A path that does not exist or cannot be
// listed is added to `problems` ("PATH: why").
std::vector<std::string> PicturesIn(const std::vector<std::string>& paths, std::vector<std::string>& problems);

// One picture. Its data file (DataFileNameOf beside it) calibrates it when
// it exists; else the picture's header does, and the data file is created
// with the header the window writes for such a picture. A data file holding
// found spots (records matching its .spots.csv) is kept as it is unless
// `options.replace`, which replaces only those records; records measured by
// hand always stay and their names are not given to found groups. The
// groups are named from `options.catalogue`, else from DPD1.txt or the
// day's summary beside the picture (ReferenceGroupsOfDay). The .spots.csv
// is written before the data file, each whole (WriteFileAtomically).
// Skipped, nothing written: a picture that cannot be read or calibrated, an
// EUV picture or magnetogram, a data file that cannot be read whole or
// whose .spots.csv disagrees with it, a file that cannot be written. Never
// throws.
SpotBatchResult WriteSpotsOfPicture(const std::string& picture, const SpotBatchOptions& options,
                                    const PictureReader& read);

// WriteSpotsOfPicture for each of `pictures`, options.jobs at a time. A
// picture whose data file is that of an earlier one (x.jpg and x.bmp) is
// skipped. `onResult` is called on the calling thread for each picture in
// the order of `pictures`, as soon as it and those before it are done;
// `onProgress(done, total)` on the calling thread whenever one is done, in
// whatever order. Either may be empty. Keeps freed memory in the process
// for the pictures that follow (KeepFreedMemoryForReuse).
void RunSpotBatch(const std::vector<std::string>& pictures, const SpotBatchOptions& options,
                  const PictureReader& read,
                  const std::function<void(std::size_t index, const SpotBatchResult& result)>& onResult,
                  const std::function<void(std::size_t done, std::size_t total)>& onProgress);

}  // namespace pelorin
