// A window nobody sees, for the generator's writers of data files: the
// program's working-file writers need an App, and an App a window, but
// writing lines asks the window nothing.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/Ports.h"

namespace pelorin::gen {

class SilentWindow : public WindowPort {
 public:
  void SetItemEnabled(Menu, bool) override {}
  bool MenuEnabled(Menu) const override { return false; }
  void SetMenuCaption(Menu, const std::string&) override {}
  void SetEndVisible(EndButton, bool) override {}
  bool EndVisible(EndButton) const override { return false; }
  void SetEndTop(EndButton, int) override {}
  void SetStatus(const std::string&) override {}
  void SetTitle(const std::string&) override {}
  int ScrollValue(ScrollBar) const override { return 0; }
  int ScrollMax(ScrollBar) const override { return 0; }
  void SetScrollValue(ScrollBar, int) override {}
  void SetScrollMax(ScrollBar, int) override {}
  void SetMainEnabled(bool) override {}
  void MessageBox(const std::string&) override {}
  int Question(const std::string&, const std::string&, const std::vector<std::string>&) override { return -1; }
  std::string InputBox(const std::string&, const std::string&, const std::string&) override { return {}; }
  std::optional<std::string> OpenFileDialog(const std::string&, const std::string&) override { return {}; }
  std::optional<std::string> SaveFileDialog(const std::string&, const std::string&, const std::string&,
                                            const std::string&) override {
    return {};
  }
  void ShowDateDialog(DateDialog&) override {}
  void ShowCoordDialog(CoordDialog&) override {}
  void ShowDirectionDialog(DirectionDialog&) override {}
};

}  // namespace pelorin::gen
