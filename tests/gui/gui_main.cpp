// Runs every registered Qt Test class in one program on the program's own
// QApplication (which routes the main window's keys to the dispatcher).
#include <QStandardPaths>
#include <QTest>

#include "Application.h"
#include "GuiFixture.h"

int main(int argc, char** argv) {
  // The remembered settings (threshold, k) of the tests are their own.
  QStandardPaths::setTestModeEnabled(true);
  pelorin::gui::Application application(argc, argv);
  int failed = 0;
  for (const auto& make : pelorin::gui::test::TestRegistry()) {
    auto test = make();
    failed += QTest::qExec(test.get(), argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
