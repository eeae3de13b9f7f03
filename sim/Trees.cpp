#include "sim/Trees.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace sim {
namespace fs = std::filesystem;
namespace {

bool Fail(std::string* error, const std::string& what) {
  if (error) *error = what;
  return false;
}

bool UnderSystemTree(const fs::path& p) {
  for (const char* root : {"/dev", "/sys"}) {
    const fs::path r(root);
    auto [rootEnd, pathIt] = std::mismatch(r.begin(), r.end(), p.begin(), p.end());
    if (rootEnd == r.end()) return true;
  }
  return false;
}

// Both the path as written and the path with its links resolved must stay clear of the system
// trees: "/" would put the dev tree into /dev itself, and a link could lead there too.
bool Clear(const fs::path& p) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(p, ec).lexically_normal();
  if (ec || UnderSystemTree(absolute)) return false;
  const fs::path resolved = fs::weakly_canonical(absolute, ec);
  return !ec && !UnderSystemTree(resolved);
}

bool MakeDirs(const fs::path& p, Trees& trees, std::string* error) {
  std::vector<fs::path> missing;
  for (fs::path q = p; !q.empty() && !fs::exists(q); q = q.parent_path()) {
    missing.push_back(q);
    if (q == q.parent_path()) break;
  }
  for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
    std::error_code ec;
    if (!fs::create_directory(*it, ec) && ec) {
      return Fail(error, "cannot create " + it->string() + ": " + ec.message());
    }
    trees.made.push_back(it->string());
  }
  return true;
}

}  // namespace

bool TreesAllowed(const std::string& dir, std::string* error) {
  if (dir.empty()) return Fail(error, "no directory given");
  const fs::path base(dir);
  for (const fs::path& p : {base, base / "dev", base / "sys"}) {
    if (!Clear(p)) return Fail(error, "refusing to build trees in " + dir + " (system tree)");
  }
  return true;
}

bool BuildTreeDirs(const std::string& dir, unsigned node, Trees& trees, std::string* error) {
  if (!TreesAllowed(dir, error)) return false;
  if (node >= 32) return Fail(error, "no node ttyUSB" + std::to_string(node) + " (0 to 31)");
  const std::string name = "ttyUSB" + std::to_string(node);
  const fs::path base = fs::absolute(fs::path(dir)).lexically_normal();
  const fs::path device = base / "sys" / "class" / "tty" / name / "device";
  if (!MakeDirs(device, trees, error) || !MakeDirs(base / "dev", trees, error)) return false;
  const std::string driver = (device / "driver").string();
  if (!PointLink(driver, "../../../../bus/usb-serial/drivers/cp210x", error)) return false;
  trees.made.push_back(driver);
  trees.sysfsDir = (base / "sys" / "class" / "tty").string();
  trees.devDir = (base / "dev").string();
  trees.devLink = (base / "dev" / name).string();
  return true;
}

bool PointLink(const std::string& link, const std::string& target, std::string* error) {
  const std::string temp = link + ".new." + std::to_string(getpid());
  unlink(temp.c_str());
  if (symlink(target.c_str(), temp.c_str()) != 0) {
    return Fail(error, "cannot create link " + temp + ": " + std::strerror(errno));
  }
  if (rename(temp.c_str(), link.c_str()) != 0) {
    const int saved = errno;
    unlink(temp.c_str());
    return Fail(error, "cannot rename link to " + link + ": " + std::strerror(saved));
  }
  return true;
}

void RemoveTrees(Trees& trees) {
  if (!trees.devLink.empty()) unlink(trees.devLink.c_str());
  for (auto it = trees.made.rbegin(); it != trees.made.rend(); ++it) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(*it, ec))) {
      unlink(it->c_str());
    } else {
      rmdir(it->c_str());
    }
  }
  trees = Trees{};
}

}  // namespace sim
