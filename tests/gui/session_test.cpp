// Sessions of the real program in processes of their own: one killed after
// End and started again (its measurements restored whole), and two working
// side by side in one folder.
#include <algorithm>
#include <filesystem>
#include <string>

#include <QElapsedTimer>
#include <QProcess>
#include <QTest>

#include "GuiFixture.h"
#include "TestApp.h"
#include "Tour.h"

namespace pelorin::gui::test {
namespace {

namespace fs = std::filesystem;
using pelorin::test::ReadAll;

const std::string kPicture = "kanz_drawx_fi_20030517_0745";

// A session program in `folder`, started with `args`; its standard output
// is read as it comes.
class Session {
 public:
  Session(const std::string& folder, const QStringList& args) {
    process_.setWorkingDirectory(QString::fromStdString(folder));
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(PELORIN_SESSION, args);
  }
  ~Session() {
    if (process_.state() != QProcess::NotRunning) {
      process_.kill();
      process_.waitForFinished(5000);
    }
  }
  // Waits until the session has printed `word` on a line of its own.
  bool Await(const QByteArray& word, int timeoutMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (!out_.split('\n').contains(word)) {
      if (clock.elapsed() > timeoutMs || process_.state() == QProcess::NotRunning) {
        out_ += process_.readAllStandardOutput();
        return out_.split('\n').contains(word);
      }
      process_.waitForReadyRead(200);
      out_ += process_.readAllStandardOutput();
    }
    return true;
  }
  void Send(const QByteArray& line) { process_.write(line + "\n"); }
  bool Finish() {
    process_.closeWriteChannel();
    return process_.waitForFinished(60000) && process_.exitStatus() == QProcess::NormalExit &&
           process_.exitCode() == 0;
  }
  void Kill() {
    process_.kill();  // SIGKILL: nothing of the program runs after it
    process_.waitForFinished(5000);
  }
  QByteArray out() const { return out_; }

 private:
  QProcess process_;
  QByteArray out_;
};

// A folder holding the sample drawing and its data file under `names`.
std::string SampleFolder(pelorin::test::TempFolder& root, const std::string& sub,
                         const std::vector<std::string>& names) {
  const fs::path folder = root.path() / sub;
  fs::create_directories(folder);
  for (const std::string& n : names) {
    fs::copy_file(fs::path(PELORIN_SAMPLES_DIR) / (kPicture + ".jpg"), folder / (n + ".jpg"));
    fs::copy_file(fs::path(PELORIN_SAMPLES_DIR) / (kPicture + ".dat"), folder / (n + ".dat"));
  }
  return folder.string();
}

QStringList Measure(const std::string& name, const char* object, int x, int y) {
  return {"measure", QString::fromStdString(name + ".jpg"), object, QString::number(x), QString::number(y)};
}

class SessionTest : public QObject {
  Q_OBJECT

 private slots:
  void killedAfterEndLosesNothing() {
    pelorin::test::TempFolder root;
    const std::string reference = SampleFolder(root, "reference", {kPicture});
    const std::string killed = SampleFolder(root, "killed", {kPicture});

    // The same object measured and saved by an uninterrupted session.
    {
      Session s(reference, Measure(kPicture, "G9", 1000, 700));
      QVERIFY2(s.Await("ended"), s.out().constData());
      s.Send("save");
      QVERIFY2(s.Await("saved"), s.out().constData());
      s.Send("quit");
      QVERIFY(s.Finish());
    }
    // Killed once End has returned, then started again on the picture.
    {
      Session s(killed, Measure(kPicture, "G9", 1000, 700));
      QVERIFY2(s.Await("ended"), s.out().constData());
      s.Kill();
    }
    QVERIFY(fs::exists(fs::path(killed) / "temp.dat"));
    {
      Session s(killed, {"restore", QString::fromStdString(kPicture + ".jpg")});
      QVERIFY2(s.Await("saved"), s.out().constData());
      QVERIFY(s.Finish());
    }
    const std::string saved = ReadAll(reference + "/" + kPicture + ".dat");
    QVERIFY(saved != ReadAll(std::string(PELORIN_SAMPLES_DIR) + "/" + kPicture + ".dat"));
    QCOMPARE(ReadAll(killed + "/" + kPicture + ".dat"), saved);
    QVERIFY(!fs::exists(fs::path(killed) / "temp.dat"));
  }

  void twoSessionsInOneFolderKeepApart() {
    pelorin::test::TempFolder root;
    const std::string a = "kanz_drawx_fi_20030517_0745", b = "kanz_drawx_fi_20030518_0745";
    const std::string folder = SampleFolder(root, "two", {a, b});
    Session first(folder, Measure(a, "A1", 1000, 700));
    QVERIFY2(first.Await("ended"), first.out().constData());
    Session second(folder, Measure(b, "B1", 900, 800));
    QVERIFY2(second.Await("ended"), second.out().constData());
    first.Send("save");
    QVERIFY2(first.Await("saved"), first.out().constData());
    second.Send("save");
    QVERIFY2(second.Await("saved"), second.out().constData());
    first.Send("quit");
    second.Send("quit");
    QVERIFY(first.Finish());
    QVERIFY(second.Finish());

    const std::string savedA = ReadAll(folder + "/" + a + ".dat"), savedB = ReadAll(folder + "/" + b + ".dat");
    QVERIFY(savedA.find("\"A1\"") != std::string::npos && savedA.find("\"B1\"") == std::string::npos);
    QVERIFY(savedB.find("\"B1\"") != std::string::npos && savedB.find("\"A1\"") == std::string::npos);
    // Each session's point log holds its own object's point: one line each.
    const std::string logA = ReadAll(folder + "/a.tmp"), logB = ReadAll(folder + "/a2.tmp");
    QCOMPARE(std::count(logA.begin(), logA.end(), '\n'), 1);
    QCOMPARE(std::count(logB.begin(), logB.end(), '\n'), 1);
    QVERIFY(!fs::exists(folder + "/temp.dat") && !fs::exists(folder + "/temp2.dat"));
  }
};

PELORIN_GUI_TEST(SessionTest);

}  // namespace
}  // namespace pelorin::gui::test

#include "session_test.moc"
