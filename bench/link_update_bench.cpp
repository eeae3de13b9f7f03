// One whole update through the device link alone (bench/LinkUpdate.h) on the port of a zero-based
// index, against whatever answers there: scripts/bench-windows runs it against the loader
// simulator, built for Linux and cross-built for Windows under Wine, and compares the times.
//   orb42-bench-link-update [port index]     (default 32, COM33)
// Prints one line (DescribeLinkUpdate); exit status 0 when the update went through.
#include <cstdio>
#include <cstdlib>

#include "bench/LinkUpdate.h"

int main(int argc, char** argv) {
  const long index = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 32;
  CP03 link;
  link.SetPortIndex(static_cast<std::int32_t>(index));
  const LinkUpdateResult result = RunLinkUpdate(link, 5);
  std::printf("%s\n", DescribeLinkUpdate(result).c_str());
  return result.error == LinkOk ? 0 : 1;
}
