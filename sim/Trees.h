#pragma once
// The stand-in sysfs and /dev trees that let the wizard find the simulated bridge:
//   <dir>/sys/class/tty/ttyUSB<n>/device/driver -> ../../../../bus/usb-serial/drivers/cp210x
//   <dir>/dev/ttyUSB<n>                         -> the current pseudo-terminal slave
// Several simulated bridges (n = 0, 1, ...) may share one dir.
#include <string>
#include <vector>

namespace sim {

struct Trees {
  std::string sysfsDir;           // <dir>/sys/class/tty
  std::string devDir;             // <dir>/dev
  std::string devLink;            // <dir>/dev/ttyUSB<n>
  std::vector<std::string> made;  // what BuildTrees created, in creation order
};

// false (with *error) when dir is, or would put a tree into, the real /dev or /sys.
bool TreesAllowed(const std::string& dir, std::string* error);

// Creates the directories and the driver link of ttyUSB<node>; the dev link is pointed
// separately.
bool BuildTreeDirs(const std::string& dir, unsigned node, Trees& trees, std::string* error);

// Points link at target atomically: a link under a temporary name, renamed over the old one.
bool PointLink(const std::string& link, const std::string& target, std::string* error);

// Removes what BuildTreeDirs and PointLink made, newest first; directories only when empty.
void RemoveTrees(Trees& trees);

}  // namespace sim
