// The other readers of a node, found in /proc: each process's descriptors are links to what they
// have open, and fdinfo says how each one was opened.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

#include "platform/PortReaders.h"

namespace platform {

namespace {

bool IsPid(const char* name) {
  if (*name == '\0') return false;
  for (const char* c = name; *c; ++c)
    if (*c < '0' || *c > '9') return false;
  return true;
}

// A descriptor opened write-only never takes a byte (a simulator keeping its terminal alive).
bool OpenForReading(const std::string& fdinfo) {
  std::ifstream in(fdinfo);
  std::string key;
  while (in >> key) {
    if (key == "flags:") {
      std::string octal;
      in >> octal;
      return (std::strtoul(octal.c_str(), nullptr, 8) & O_ACCMODE) != O_WRONLY;
    }
    std::string rest;
    std::getline(in, rest);
  }
  return true;  // no flags line: count it, better named once too often than missed
}

bool HoldsForReading(const std::string& proc, dev_t node) {
  DIR* fds = opendir((proc + "/fd").c_str());
  if (!fds) return false;
  bool found = false;
  while (dirent* entry = readdir(fds)) {
    if (!IsPid(entry->d_name)) continue;
    struct stat target {};
    if (stat((proc + "/fd/" + entry->d_name).c_str(), &target) != 0) continue;
    if (!S_ISCHR(target.st_mode) || target.st_rdev != node) continue;
    if (OpenForReading(proc + "/fdinfo/" + entry->d_name)) {
      found = true;
      break;
    }
  }
  closedir(fds);
  return found;
}

std::string CommandName(const std::string& proc) {
  std::ifstream in(proc + "/comm");
  std::string name;
  std::getline(in, name);
  return name.empty() ? "?" : name;
}

}  // namespace

std::vector<std::string> OtherReadersOf(const std::string& devicePath) {
  struct stat port {};
  if (stat(devicePath.c_str(), &port) != 0 || !S_ISCHR(port.st_mode)) return {};
  DIR* proc = opendir("/proc");
  if (!proc) return {};
  const long self = static_cast<long>(getpid());
  std::vector<std::pair<long, std::string>> readers;
  while (dirent* entry = readdir(proc)) {
    if (!IsPid(entry->d_name)) continue;
    const long pid = std::strtol(entry->d_name, nullptr, 10);
    if (pid == self) continue;
    const std::string dir = std::string("/proc/") + entry->d_name;
    if (HoldsForReading(dir, port.st_rdev)) readers.emplace_back(pid, CommandName(dir));
  }
  closedir(proc);
  std::sort(readers.begin(), readers.end());
  std::vector<std::string> out;
  for (const auto& [pid, name] : readers)
    out.push_back(name + " (pid " + std::to_string(pid) + ")");
  return out;
}

}  // namespace platform
