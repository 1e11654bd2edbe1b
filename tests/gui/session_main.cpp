// pelorin-session: one session of the real main window in a process of its
// own, driven as a user drives it, for the tests that kill a session or run
// two side by side. It works in the current folder.
//
//   pelorin-session measure PICTURE NAME X Y
//       opens PICTURE (which has its data file), measures object NAME of one
//       point at picture pixel (X, Y), ends it and prints "ended"; then takes
//       commands from standard input, one a line: "save" (File -> Save under
//       the offered name, printing "saved") and "quit" (the window closed).
//   pelorin-session restore PICTURE
//       opens PICTURE, answers "Restore measurements" with Restore, saves,
//       prints "saved" and closes the window.
//
// Every problem is printed on standard error, and the status is then 1.
#include <cstdio>
#include <iostream>
#include <string>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "Application.h"
#include "Tour.h"

namespace {

using pelorin::gui::tour::Walk;

int Fail(const QString& what) {
  std::fprintf(stderr, "pelorin-session: %s\n", qPrintable(what));
  return 1;
}

void Say(const char* word) {
  std::printf("%s\n", word);
  std::fflush(stdout);
}

int Run(pelorin::gui::MainWindow& window, const QStringList& args) {
  Walk walk(window);
  const std::string picture = args.value(1).toStdString();
  if (args.value(0) == "measure" && args.size() == 5) {
    if (QString e = walk.Open(picture); !e.isEmpty()) return Fail("open: " + e);
    if (QString e = walk.Object(args[2], {{args[3].toDouble(), args[4].toDouble()}}); !e.isEmpty())
      return Fail("object: " + e);
    Say("ended");
    for (std::string line; std::getline(std::cin, line);) {
      if (line == "save") {
        if (QString e = walk.Save(true); !e.isEmpty()) return Fail("save: " + e);
        Say("saved");
      } else if (line == "quit") {
        break;
      }
    }
    return 0;
  }
  if (args.value(0) == "restore" && args.size() == 2) {
    walk.modals.Then("Open picture", pelorin::gui::test::ChooseFile(args[1], walk.modals.problems));
    walk.modals.Then("Restore measurements", [&walk](QWidget* box) {
      auto* message = qobject_cast<QMessageBox*>(box);
      for (QAbstractButton* b : message ? message->buttons() : QList<QAbstractButton*>{})
        if (b->text() == "Restore") return QTest::mouseClick(b, Qt::LeftButton);
      walk.modals.problems << "no Restore button";
    });
    if (QString e = walk.Choose(pelorin::Menu::ucitavanje); !e.isEmpty()) return Fail("open: " + e);
    if (QString e = walk.Save(true); !e.isEmpty()) return Fail("save: " + e);
    Say("saved");
    return 0;
  }
  return Fail("usage: pelorin-session measure PICTURE NAME X Y | restore PICTURE");
}

}  // namespace

int main(int argc, char** argv) {
  pelorin::gui::Application application(argc, argv);
  pelorin::gui::MainWindow window;
  window.show();
  int status = 0;
  QTimer::singleShot(0, &window, [&] {
    status = Run(window, QCoreApplication::arguments().mid(1));
    window.close();
    QApplication::quit();
  });
  QApplication::exec();
  return status;
}
