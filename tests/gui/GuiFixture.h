// Support for the tests of the Qt shell: a registry that gui_main.cpp runs,
// the real main window in a temporary folder, and helpers that answer the
// program's modal boxes and dialogs (more in Driver.h).
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QApplication>
#include <QObject>
#include <QString>
#include <QWidget>

#include "Driver.h"
#include "MainWindow.h"
#include "TestApp.h"

namespace pelorin::gui::test {

// Each test class registers itself once:
//   PELORIN_GUI_TEST(MainWindowTest)
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& TestRegistry();
int RegisterTest(TestFactory factory);
#define PELORIN_GUI_TEST(Class) \
  [[maybe_unused]] static const int Class##Registered = ::pelorin::gui::test::RegisterTest([] { \
    return std::unique_ptr<QObject>(new Class); \
  })

// The real main window, started (Form_Load) in a fresh temporary folder
// that is the current folder while the fixture lives, shown and exposed.
class MainWindowFixture {
 public:
  MainWindowFixture();
  ~MainWindowFixture();

  MainWindow& window() { return *window_; }
  App& app() { return window_->app(); }
  const std::string& folder() const { return folderPath_; }

  // The control of the main window whose accessible description is `name`
  // ("Picture1", "HScroll1", "limbend", ...); nullptr when there is none.
  template <typename T = QWidget>
  T* find(const QString& name) const {
    for (T* w : window_->findChildren<T*>()) {
      if (w->accessibleDescription() == name) return w;
    }
    return nullptr;
  }

 private:
  pelorin::test::TempFolder folder_;
  std::string folderPath_;
  std::unique_ptr<MainWindow> window_;
};

// Runs `drive` on the next modal widget (dialog, message box) that opens,
// from inside its own event loop. Gives up after `timeoutMs`.
void WhenModal(std::function<void(QWidget*)> drive, int timeoutMs = 5000);

// Answers every QMessageBox that opens while it lives with OK and records
// its text; used around commands that may report something.
class MessageCatcher : public QObject {
 public:
  MessageCatcher();
  ~MessageCatcher() override;
  std::vector<QString> texts;

 private:
  int timer_ = 0;
  void timerEvent(QTimerEvent*) override;
};

}  // namespace pelorin::gui::test
