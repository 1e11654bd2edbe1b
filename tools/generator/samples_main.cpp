// pelorin-samples FOLDER: writes the bundled sample pictures (greyscale JPEG,
// quality 90), their data file, the SOHO catalogues, the reference catalogue
// and a README into FOLDER, which must exist. The same program writes the
// same bytes every time.
#include <QImage>
#include <QString>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "SampleSet.h"

namespace {

constexpr int kJpegQuality = 90;

void SavePicture(const std::string& path, const pelorin::gen::Rendered& r) {
  // The pictures are grey: one channel is enough, as a scanner writes it.
  QImage grey(r.width_px, r.height_px, QImage::Format_Grayscale8);
  for (int j = 0; j < r.height_px; ++j) {
    uchar* row = grey.scanLine(j);
    for (int i = 0; i < r.width_px; ++i)
      row[i] = static_cast<uchar>(r.argb[static_cast<std::size_t>(j) * static_cast<std::size_t>(r.width_px) +
                                         static_cast<std::size_t>(i)] &
                                  0xFFu);
  }
  if (!grey.save(QString::fromStdString(path), "JPG", kJpegQuality))
    throw std::runtime_error("cannot write the picture " + path);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).empty() || argv[1][0] == '-') {
    std::fputs("usage: pelorin-samples FOLDER\n"
               "  writes the sample pictures and their files into FOLDER (which must exist)\n",
               argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help") ? stdout : stderr);
    return argc == 2 && (std::string(argv[1]) == "-h" || std::string(argv[1]) == "--help") ? 0 : 2;
  }
  try {
    for (const std::string& name :
         pelorin::gen::WriteSampleSet(pelorin::gen::BundledSamples(), argv[1], &SavePicture))
      std::printf("wrote %s/%s\n", argv[1], name.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pelorin-samples: %s\n", e.what());
    return 1;
  }
  return 0;
}
