// orb42-flash: the bench updater. Everything is in Flash.cpp and its neighbours.
#include "cli/Flash.h"

int main(int argc, char** argv) {
  return flash::Main(argc, argv);
}
