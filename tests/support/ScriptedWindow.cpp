#include "ScriptedWindow.h"

#include <stdexcept>

#include "app/OrientationInput.h"
#include "app/CoordDialog.h"
#include "app/DateDialog.h"

namespace pelorin::test {

ScriptedWindow::ScriptedWindow() {
  for (int i = 0; i < static_cast<int>(Menu::Count); ++i) {
    auto m = static_cast<Menu>(i);
    enabled_[m] = true;
    captions[m] = MenuCaption(m);
  }
  for (auto b : {EndButton::limbend, EndButton::dirend, EndButton::Objektend}) {
    endVisible_[b] = false;
    endTop[b] = 0;
  }
  endTop[EndButton::dirend] = 360;
  endTop[EndButton::Objektend] = 720;
}

void ScriptedWindow::SetScrollValue(ScrollBar b, int value) {
  const int mx = ScrollMax(b);
  if (value < 0 || value > mx) throw std::out_of_range("scroll value outside its range");
  (b == ScrollBar::H ? hValue : vValue) = value;
}

int ScriptedWindow::Question(const std::string& title_, const std::string& text,
                             const std::vector<std::string>& buttons) {
  std::string captions;
  for (const auto& b : buttons) captions += (captions.empty() ? "" : ",") + b;
  questions.push_back(title_ + "|" + text + "|" + captions);
  if (questionAnswers.empty()) return -1;
  const std::string a = questionAnswers.front();
  questionAnswers.pop_front();
  for (std::size_t i = 0; i < buttons.size(); ++i)
    if (buttons[i] == a) return static_cast<int>(i);
  return -1;
}

std::string ScriptedWindow::InputBox(const std::string& prompt, const std::string& title_,
                                     const std::string& defaultText) {
  inputPrompts.push_back(title_ + "|" + prompt + "|" + defaultText);
  if (inputAnswers.empty()) return "";
  std::string a = inputAnswers.front();
  inputAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedWindow::OpenFileDialog(const std::string& title_, const std::string& filter) {
  dialogCalls.push_back("open|" + title_ + "|" + filter);
  if (openAnswers.empty()) return std::nullopt;
  auto a = openAnswers.front();
  openAnswers.pop_front();
  return a;
}

std::optional<std::string> ScriptedWindow::SaveFileDialog(const std::string& title_, const std::string& filter,
                                                          const std::string& presetName,
                                                          const std::string& replaceUnasked) {
  dialogCalls.push_back("save|" + title_ + "|" + filter + "|" + presetName);
  replaceWithoutAsking.push_back(replaceUnasked);
  if (saveAnswers.empty()) return std::nullopt;
  auto a = saveAnswers.front();
  saveAnswers.pop_front();
  return a;
}

void ScriptedWindow::ShowDateDialog(DateDialog& dialog) {
  mainEnabledDuringDialogs.push_back(mainEnabled);
  if (!dateScripts.empty()) {
    auto f = dateScripts.front();
    dateScripts.pop_front();
    f(dialog);
  }
  if (!dialog.Unloaded()) dialog.Cancel_Click();
}

void ScriptedWindow::ShowCoordDialog(CoordDialog& dialog) {
  mainEnabledDuringDialogs.push_back(mainEnabled);
  if (!coordScripts.empty()) {
    auto f = coordScripts.front();
    coordScripts.pop_front();
    f(dialog);
  }
  if (!dialog.Unloaded()) dialog.Cancel_Click();
}

void ScriptedWindow::ShowDirectionDialog(DirectionDialog& dialog) {
  mainEnabledDuringDialogs.push_back(mainEnabled);
  if (!directionScripts.empty()) {
    auto f = directionScripts.front();
    directionScripts.pop_front();
    f(dialog);
  }
  if (!dialog.Unloaded()) dialog.Close();
}

}  // namespace pelorin::test
