// The reference for the wizard's start-up time: a bare Qt window of the wizard's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QWidget window;
  window.setFixedSize(558, 403);
  window.setWindowTitle(QStringLiteral("orb42-bench-bare-window"));
  window.show();
  return QApplication::exec();
}
