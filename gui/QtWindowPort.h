// The core's window port on the Qt main window: menus, End buttons, the
// status line, the title, the scroll bars, the message and input boxes, the
// file dialogs and the three kinds of modal dialog.
#pragma once

#include <QString>
#include <QStringList>

#include "base/Ports.h"

namespace pelorin::gui {

class MainWindow;

class QtWindowPort : public WindowPort {
 public:
  // The window is only used once its controls exist (Form_Load and later).
  explicit QtWindowPort(MainWindow& window) : window_(window) {}

  void SetItemEnabled(Menu m, bool enabled) override;
  bool MenuEnabled(Menu m) const override;
  void SetMenuCaption(Menu m, const std::string& caption) override;

  void SetEndVisible(EndButton b, bool visible) override;
  bool EndVisible(EndButton b) const override;
  void SetEndTop(EndButton b, int topTwips) override;

  void SetStatus(const std::string& text) override;
  void SetTitle(const std::string& text) override;

  int ScrollValue(ScrollBar b) const override;
  int ScrollMax(ScrollBar b) const override;
  // Values outside 0..max are held at the nearer end.
  void SetScrollValue(ScrollBar b, int value) override;
  void SetScrollMax(ScrollBar b, int max) override;

  void SetMainEnabled(bool enabled) override;

  // Title "Pelorin", one OK button; "\r" and "\r\n" in the text break lines.
  void MessageBox(const std::string& text) override;
  int Question(const std::string& title, const std::string& text, const std::vector<std::string>& buttons) override;
  // Cancel (or the close box) returns "". An empty title shows "Pelorin".
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& defaultText) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter) override;
  // Asks before replacing an existing file other than replaceWithoutAsking,
  // as the platform's save dialogs do; No returns to the dialog.
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& presetName,
                                            const std::string& replaceWithoutAsking) override;

  void ShowDateDialog(DateDialog& dialog) override;
  void ShowCoordDialog(CoordDialog& dialog) override;
  void ShowDirectionDialog(DirectionDialog& dialog) override;

  // "Pictures|*.bmp;*.jpg|All files(*.*)|*.*" becomes the Qt name filters
  // "Pictures (*.bmp *.jpg)" and "All files(*.*) (*)". A label without
  // patterns is dropped.
  static QStringList NameFilters(const std::string& filter);
  // A message's line breaks: "\r\n" and "\r" become "\n".
  static QString MessageText(const std::string& text);

 private:
  MainWindow& window_;
};

}  // namespace pelorin::gui
