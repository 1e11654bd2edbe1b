// pelorin [PICTURE]: the measuring program's main window; a picture named on
// the command line is opened once the window is shown.
#include <cstdio>
#include <cstdlib>
#include <string>

#include <QFile>
#include <QStringList>
#include <QTimer>

#include "Application.h"
#include "Guard.h"
#include "MainWindow.h"
#include "app/PictureLoad.h"

namespace {

bool HasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return true;
  }
  return false;
}

constexpr const char* kUsage =
    "Usage: pelorin [PICTURE]\n"
    "Measures the positions of sunspots on full-disc pictures of the Sun.\n"
    "PICTURE (BMP, JPEG, PNG, TIFF, FITS or JPEG 2000) is opened at start.\n"
    "\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "\n"
    "Qt's own options (-platform, -style, ...) are accepted too.\n"
    "See pelorin(1) for the menus, keys and files.\n";

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "-h" || arg == "--help") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (arg == "-v" || arg == "--version") {
      std::fputs("pelorin " PELORIN_VERSION "\n", stdout);
      return 0;
    }
  }
  if (!HasDisplay()) {
    std::fputs(
        "pelorin needs a display: neither DISPLAY nor WAYLAND_DISPLAY nor QT_QPA_PLATFORM is set.\n"
        "Without a screen, run it under a virtual X server:\n"
        "  xvfb-run -a pelorin [PICTURE]\n",
        stderr);
    return 1;
  }

  pelorin::gui::Application application(argc, argv);
  QApplication::setApplicationName("Pelorin");
  // Qt has taken its own options (-platform, -style, ...) out of the list.
  const QStringList args = QCoreApplication::arguments().mid(1);
  if (args.size() > 1) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  pelorin::gui::MainWindow window;
  window.show();
  if (!args.isEmpty()) {
    const std::string path = QFile::encodeName(args.front()).toStdString();
    QTimer::singleShot(0, &window, [&window, path] {
      pelorin::gui::RunHandler(window.app(), "Open", [&] { pelorin::OpenPicture(window.app(), path); }, true);
    });
  }
  return QApplication::exec();
}
