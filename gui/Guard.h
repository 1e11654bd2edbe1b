// The safety net around every call from the shell into the core: whatever a
// handler throws is shown in a message box (what failed and why) and the
// program goes on; nothing escapes into Qt's event loop.
#pragma once

#include <exception>
#include <string>

#include "app/App.h"

namespace pelorin::gui {

// Runs `handler`. On an exception: says "<what>: <reason>" in the program's
// message box and, when `reenableMain` is set (a menu command, which may
// have disabled the main window for a dialog before it failed), enables the
// main window again.
template <typename F>
void RunHandler(App& app, const std::string& what, F&& handler, bool reenableMain = false) noexcept {
  std::string reason;
  try {
    handler();
    return;
  } catch (const std::exception& e) {
    reason = e.what();
  } catch (...) {
    reason = "unknown error";
  }
  try {
    if (reenableMain) app.win.SetMainEnabled(true);
    app.win.MessageBox(what + ": " + reason);
  } catch (...) {
  }
}

}  // namespace pelorin::gui
