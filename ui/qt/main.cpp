#include "ui/qt/Startup.h"

// The wizard takes no command-line arguments; it always returns 0.
int main(int argc, char** argv) {
  return ui::qt::RunProgram(argc, argv);
}
