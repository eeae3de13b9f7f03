#include "sim/LoaderSim.h"

#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/Clock.h"
#include "sim/Channel.h"
#include "sim/DeviceMemory.h"
#include "sim/Loader.h"
#include "sim/Shared.h"

namespace sim {

struct LoaderSim::Impl {
  explicit Impl(const Options& options) : shared(options) {}
  Shared shared;
  std::thread thread;
  bool running = false;  // touched only by the owner's thread (Start, Stop)
};

LoaderSim::LoaderSim(Options options) : impl_(new Impl(options)) {
  Shared& s = impl_->shared;
  s.kickFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  s.memory = FreshDevice(options.device);
  for (const Fault& f : options.faults) s.faults.Add(f);
}

LoaderSim::~LoaderSim() {
  Stop();
  {
    std::lock_guard lock(impl_->shared.mutex);
    RemoveTrees(impl_->shared.trees);
  }
  if (impl_->shared.kickFd >= 0) close(impl_->shared.kickFd);
  delete impl_;
}

bool LoaderSim::Start(std::string* error) {
  Shared& s = impl_->shared;
  if (impl_->running) {
    if (error) *error = "already running";
    return false;
  }
  s.wakeFd = eventfd(0, EFD_CLOEXEC);
  if (s.wakeFd < 0) {
    if (error) *error = std::string("eventfd: ") + std::strerror(errno);
    return false;
  }
  if (!s.pty.Open(error)) {
    close(s.wakeFd);
    s.wakeFd = -1;
    return false;
  }
  {
    std::lock_guard lock(s.mutex);
    s.stopping = false;
    s.slavePath = s.pty.SlavePath();
    s.lineSpeed = 9600;
    if (!s.trees.devLink.empty() && !PointLink(s.trees.devLink, s.slavePath, error)) {
      s.pty.Close();
      close(s.wakeFd);
      s.wakeFd = -1;
      return false;
    }
  }
  impl_->thread = std::thread([&s] {
    // A paced byte at 115200 bit/s lasts 95 us; the kernel's default timer slack (50 us) would
    // add up to half of that to every byte the loader waits out.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    Channel channel(s);
    channel.Start();
    Loader loader(s, channel);
    loader.Run();
  });
  impl_->running = true;
  return true;
}

void LoaderSim::Stop() {
  if (!impl_->running) return;
  Shared& s = impl_->shared;
  {
    std::lock_guard lock(s.mutex);
    s.stopping = true;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(s.wakeFd, &one, sizeof one);
  impl_->thread.join();
  s.pty.Close();
  close(s.wakeFd);
  s.wakeFd = -1;
  impl_->running = false;
}

std::string LoaderSim::SlavePath() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.slavePath;
}

bool LoaderSim::BuildTrees(const std::string& dir, std::string* error) {
  Shared& s = impl_->shared;
  std::lock_guard lock(s.mutex);
  RemoveTrees(s.trees);
  Trees trees;
  if (!BuildTreeDirs(dir, s.options.node, trees, error)) {
    RemoveTrees(trees);
    return false;
  }
  if (!s.slavePath.empty() && impl_->running && !PointLink(trees.devLink, s.slavePath, error)) {
    RemoveTrees(trees);
    return false;
  }
  s.trees = std::move(trees);
  return true;
}

std::string LoaderSim::SysfsDir() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.trees.sysfsDir;
}

std::string LoaderSim::DevDir() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.trees.devDir;
}

std::vector<std::uint16_t> LoaderSim::ProgramMemory() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.memory.program;
}

std::vector<std::uint8_t> LoaderSim::Eeprom() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.memory.eeprom;
}

std::vector<LoaderSim::FinishedDevice> LoaderSim::FinishedDevices() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.finished;
}

LoaderSim::FinishedDevice LoaderSim::CurrentDevice() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.memory;
}

void LoaderSim::SetDevice(const Device& device) {
  std::lock_guard lock(impl_->shared.mutex);
  impl_->shared.device = device;
  StampDevice(impl_->shared.memory, device);
}

void LoaderSim::AddFault(const Fault& fault) {
  std::lock_guard lock(impl_->shared.mutex);
  impl_->shared.faults.Add(fault);
}

void LoaderSim::ClearFaults() {
  std::lock_guard lock(impl_->shared.mutex);
  impl_->shared.faults.Clear();
}

void LoaderSim::Unplug(unsigned downMs) {
  Shared& s = impl_->shared;
  {
    std::lock_guard lock(s.mutex);
    s.unplugDownMs = downMs;
    s.unplugAsked = true;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(s.kickFd, &one, sizeof one);
}

void LoaderSim::PowerCycle() {
  Shared& s = impl_->shared;
  {
    std::lock_guard lock(s.mutex);
    s.powerCycleAsked = true;
  }
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(s.kickFd, &one, sizeof one);
}

std::vector<TrafficByte> LoaderSim::Transcript() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.transcript;
}

void LoaderSim::ClearTranscript() {
  std::lock_guard lock(impl_->shared.mutex);
  impl_->shared.transcript.clear();
}

namespace {
std::vector<std::uint8_t> Bytes(const std::vector<TrafficByte>& transcript, bool fromHost) {
  std::vector<std::uint8_t> out;
  for (const TrafficByte& t : transcript) {
    if (t.fromHost == fromHost) out.push_back(t.value);
  }
  return out;
}
}  // namespace

std::vector<std::uint8_t> LoaderSim::HostBytes() const {
  std::lock_guard lock(impl_->shared.mutex);
  return Bytes(impl_->shared.transcript, true);
}

std::vector<std::uint8_t> LoaderSim::LoaderBytes() const {
  std::lock_guard lock(impl_->shared.mutex);
  return Bytes(impl_->shared.transcript, false);
}

unsigned LoaderSim::HangUps() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.hangUps;
}

std::uint32_t LoaderSim::LineSpeed() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.lineSpeed;
}

void LoaderSim::SetHostLine(const HostLine& line) {
  std::lock_guard lock(impl_->shared.mutex);
  impl_->shared.hostLine = line;
  impl_->shared.NoteLine(line, platform::TickCount());
}

std::vector<LineChange> LoaderSim::HostLines() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.lineLog;
}

unsigned LoaderSim::UnreadableBytes() const {
  std::lock_guard lock(impl_->shared.mutex);
  return impl_->shared.unreadable;
}

}  // namespace sim
