#include "Application.h"

#include <QKeyEvent>
#include <QWidget>

namespace pelorin::gui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

void Application::RouteKeys(QWidget* window, std::function<void(const QKeyEvent&)> handler) {
  keyWindow_ = window;
  keyHandler_ = std::move(handler);
}

Application* Application::Instance() { return qobject_cast<Application*>(QCoreApplication::instance()); }

bool Application::notify(QObject* receiver, QEvent* event) {
  if (event->type() != QEvent::KeyPress || event == routing_ || !receiver->isWidgetType() || !keyWindow_ ||
      !keyHandler_) {
    return QApplication::notify(receiver, event);
  }
  auto* widget = static_cast<QWidget*>(receiver);
  // isAncestorOf stops at window boundaries, so dialogs and popup menus
  // parented to the main window are not part of it.
  if (widget != keyWindow_ && !keyWindow_->isAncestorOf(widget)) return QApplication::notify(receiver, event);
  if (!widget->isEnabled()) return QApplication::notify(receiver, event);

  QEvent* const outer = routing_;
  routing_ = event;
  const QPointer<QWidget> alive(widget);
  keyHandler_(*static_cast<const QKeyEvent*>(event));
  // The command may have closed the window (a dialog's nested event loop
  // runs inside it); then the control is gone and nothing is left to do.
  const bool result = alive ? QApplication::notify(receiver, event) : true;
  routing_ = outer;
  return result;
}

}  // namespace pelorin::gui
