// A window port for headless tests: it answers message boxes, input boxes,
// file dialogs and the modal dialogs from a script, and records every call.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/Ports.h"
#include "base/RasterPicture.h"

namespace pelorin::test {

class ScriptedWindow : public WindowPort {
 public:
  ScriptedWindow();

  void SetItemEnabled(Menu m, bool enabled) override { enabled_[m] = enabled; }
  bool MenuEnabled(Menu m) const override { return enabled_.at(m); }
  void SetMenuCaption(Menu m, const std::string& caption) override { captions[m] = caption; }

  void SetEndVisible(EndButton b, bool visible) override { endVisible_[b] = visible; }
  bool EndVisible(EndButton b) const override { return endVisible_.at(b); }
  void SetEndTop(EndButton b, int topTwips) override { endTop[b] = topTwips; }

  void SetStatus(const std::string& text) override { status = text; }
  void SetTitle(const std::string& text) override { title = text; }

  int ScrollValue(ScrollBar b) const override { return b == ScrollBar::H ? hValue : vValue; }
  int ScrollMax(ScrollBar b) const override { return b == ScrollBar::H ? hMax : vMax; }
  void SetScrollValue(ScrollBar b, int value) override;
  void SetScrollMax(ScrollBar b, int max) override { (b == ScrollBar::H ? hMax : vMax) = max; }

  void SetMainEnabled(bool enabled) override { mainEnabled = enabled; }

  void MessageBox(const std::string& text) override { messages.push_back(text); }
  int Question(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) override;
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& presetName,
                                            const std::string& replaceWithoutAsking) override;

  void ShowDateDialog(DateDialog& dialog) override;
  void ShowCoordDialog(CoordDialog& dialog) override;
  void ShowDirectionDialog(DirectionDialog& dialog) override;

  // Script: answers taken in order. An input box with no answer left returns
  // "" (Cancel); a file dialog with no answer left is cancelled; a dialog
  // with no script left is closed without a choice.
  std::deque<std::string> inputAnswers;
  // Questions are answered by button caption ("Save", "Discard", ...); an
  // empty answer, or none left, closes the box without a choice (-1).
  std::deque<std::string> questionAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::deque<std::optional<std::string>> saveAnswers;
  std::deque<std::function<void(DateDialog&)>> dateScripts;
  std::deque<std::function<void(CoordDialog&)>> coordScripts;
  std::deque<std::function<void(DirectionDialog&)>> directionScripts;

  // Record.
  std::vector<std::string> messages;
  std::vector<std::string> inputPrompts;  // "title|prompt|default"
  std::vector<std::string> questions;     // "title|text|button,button,..."
  std::vector<std::string> dialogCalls;   // "open|title|filter", "save|title|filter|preset"
  // The file each save dialog could replace without asking ("" for none),
  // one entry per save dialog.
  std::vector<std::string> replaceWithoutAsking;
  std::map<Menu, std::string> captions;
  std::map<EndButton, int> endTop;
  std::string status, title;
  int hValue = 0, vValue = 0, hMax = 0, vMax = 0;
  bool mainEnabled = true;
  // Enabled-state of the main window while each modal dialog was shown.
  std::vector<bool> mainEnabledDuringDialogs;

 private:
  std::map<Menu, bool> enabled_;
  std::map<EndButton, bool> endVisible_;
};

}  // namespace pelorin::test
