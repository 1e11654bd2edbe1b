// The program's QApplication. Its one addition: every key press that reaches
// a widget of the main window is handed to the window's key handler exactly
// once, before the widget itself sees it, whichever control has the focus
// and however far the event is then passed on to parent widgets.
#pragma once

#include <functional>

#include <QApplication>
#include <QPointer>

class QKeyEvent;

namespace pelorin::gui {

class Application : public QApplication {
  Q_OBJECT

 public:
  Application(int& argc, char** argv);

  // Key presses on `window` or any of its child widgets (not on other
  // windows such as dialogs and menus) go to `handler` once per event.
  // A second call replaces the first; a null window stops the routing. The
  // handler must not throw.
  void RouteKeys(QWidget* window, std::function<void(const QKeyEvent&)> handler);

  // The window whose keys are routed now (nullptr when none).
  QWidget* KeyWindow() const { return keyWindow_; }

  // The running Application, or nullptr when the QApplication is another.
  static Application* Instance();

  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QPointer<QWidget> keyWindow_;
  std::function<void(const QKeyEvent&)> keyHandler_;
  // The key event being delivered: its forwarding to other widgets (from the
  // window system's window to the focus widget, between parents) is the same
  // press and is not handed on again.
  QEvent* routing_ = nullptr;
};

}  // namespace pelorin::gui
