#include "support/QtHarness.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <cstdlib>

#include "wizard/WizardMessages.h"

namespace testsupport {

QApplication& QtApp() {
  if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) return *app;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char name[] = "orb42-tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: Qt's own objects must not outlive it at exit, and they would.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

bool RunLoopUntil(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < limitMs)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
  return done();
}

DialogRecorder::DialogRecorder() {
  previous_ = ui::qt::SetDialogHandler([this](const wizard::DialogRequest& request) {
    shown_.push_back(request);
    if (!answers_.empty()) {
      const wizard::DialogAnswer answer = answers_.front();
      answers_.pop_front();
      return answer;
    }
    return request.buttons == wizard::DialogButtons::Ok ? wizard::DialogAnswer::Ok
                                                        : wizard::DialogAnswer::No;
  });
}

DialogRecorder::~DialogRecorder() {
  ui::qt::SetDialogHandler(previous_);
}

bool MessageSpy::eventFilter(QObject*, QEvent* event) {
  const int type = event->type();
  if (IsWizardMessage(type))
    seen.push_back({type, static_cast<ui::qt::WizardMessage*>(event)->wParam});
  return false;
}

QtSimWizard::QtSimWizard(sim::Options options) : device_(std::move(options)) {
  QtApp();
  window_ = std::make_unique<ui::qt::WizardWindow>();
  spy_ = std::make_unique<MessageSpy>(window_.get());
}

QtSimWizard::~QtSimWizard() {
  spy_.reset();
  window_.reset();
}

}  // namespace testsupport
