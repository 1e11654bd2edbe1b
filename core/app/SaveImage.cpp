#include "app/SaveImage.h"

#include <exception>
#include <string>

namespace pelorin {

void spremisliku_Click(App& app) {
  // The whole data-file name, extension included: x.jpg of type 2 gives
  // x.jpg.BMP, the others x.dat.BMP. Written in the current folder.
  const std::string name = app.s.DataFileName + ".BMP";
  std::string error;
  bool saved = false;
  try {
    saved = app.pic.SaveBmp(name, error);
  } catch (const std::exception& e) {
    error = e.what();
  }
  if (!saved) {
    if (error.empty()) error = "unknown error";
    // The reason usually names the file already; name it once.
    if (error.find(name) != std::string::npos)
      app.win.MessageBox("Save Image: " + error);
    else
      app.win.MessageBox("Save Image: the picture was not saved as " + name + ": " + error);
  }
}

}  // namespace pelorin
