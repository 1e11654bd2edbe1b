#include "GuiFixture.h"

#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

namespace pelorin::gui::test {

std::vector<TestFactory>& TestRegistry() {
  static std::vector<TestFactory> registry;
  return registry;
}

int RegisterTest(TestFactory factory) {
  TestRegistry().push_back(std::move(factory));
  return static_cast<int>(TestRegistry().size());
}

MainWindowFixture::MainWindowFixture()
    : folderPath_(folder_.path().string()), window_(std::make_unique<MainWindow>()) {
  window_->show();
  if (!QTest::qWaitForWindowExposed(window_.get())) qWarning("the main window was not exposed");
}

MainWindowFixture::~MainWindowFixture() {
  window_.reset();
  QCoreApplication::processEvents();
}

void WhenModal(std::function<void(QWidget*)> drive, int timeoutMs) {
  auto* timer = new QTimer;
  auto elapsed = std::make_shared<int>(0);
  // A modal widget open before this call (none in these tests) is not the
  // one meant; the first one seen is driven once.
  QObject::connect(timer, &QTimer::timeout, [timer, elapsed, timeoutMs, drive = std::move(drive)] {
    *elapsed += 10;
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal->isVisible()) {
      timer->stop();
      timer->deleteLater();
      drive(modal);
      return;
    }
    if (*elapsed > timeoutMs) {
      qWarning("no modal widget opened");
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(10);
}

MessageCatcher::MessageCatcher() { timer_ = startTimer(10); }

MessageCatcher::~MessageCatcher() { killTimer(timer_); }

void MessageCatcher::timerEvent(QTimerEvent*) {
  if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
    texts.push_back(box->text());
    box->accept();
  }
}

}  // namespace pelorin::gui::test
