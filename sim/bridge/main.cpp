// orb42-cp210x-sim: the cable as a USB device, for a machine with a USB device controller (in the
// tests, the kernel's dummy_hcd in a virtual machine): a userspace USB function on FunctionFS that
// presents the cable's bridge, answers the vendor requests of the host's cp210x driver as the
// chip does (Cp210xModel.h) and carries the UART's bytes to and from the loader simulator, which
// runs in this process and reads the host's bytes only at the line the driver set.
//
//   orb42-cp210x-sim --ffs DIR [--trace] [orb42-loader-sim options]
//
// DIR is a mounted FunctionFS instance whose gadget claims the bridge's id 10c4:ea60. The program
// writes the function's descriptors, prints "# ready" (bind the gadget to its controller then),
// serves until SIGINT or SIGTERM and prints what it served: the requests it answered, the modem
// lines, then the loader simulator's report (the host's line as the loader saw it change, the
// devices written). --trace prints each control request as it comes.
#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/CommandLine.h"
#include "sim/LoaderSim.h"
#include "sim/WriteReport.h"
#include "sim/bridge/Cp210xModel.h"

namespace {

// The function as the chip presents it: one vendor-specific interface with a bulk endpoint each
// way; 64-byte packets at full speed (the chip's own), 512 at high speed.
struct __attribute__((packed)) InterfaceDescriptors {
  usb_interface_descriptor interface;
  usb_endpoint_descriptor_no_audio in;
  usb_endpoint_descriptor_no_audio out;
};

struct __attribute__((packed)) Descriptors {
  usb_functionfs_descs_head_v2 header;
  __le32 fsCount;
  __le32 hsCount;
  InterfaceDescriptors fs;
  InterfaceDescriptors hs;
};

constexpr char kInterfaceName[] = "CP2102 USB to UART Bridge Controller";

struct __attribute__((packed)) Strings {
  usb_functionfs_strings_head header;
  __le16 language;
  char name[sizeof kInterfaceName];
};

InterfaceDescriptors Interface(std::uint16_t maxPacket) {
  InterfaceDescriptors d{};
  d.interface.bLength = sizeof d.interface;
  d.interface.bDescriptorType = USB_DT_INTERFACE;
  d.interface.bNumEndpoints = 2;
  d.interface.bInterfaceClass = USB_CLASS_VENDOR_SPEC;
  d.interface.iInterface = 1;
  for (usb_endpoint_descriptor_no_audio* ep : {&d.in, &d.out}) {
    ep->bLength = sizeof *ep;
    ep->bDescriptorType = USB_DT_ENDPOINT;
    ep->bmAttributes = USB_ENDPOINT_XFER_BULK;
    ep->wMaxPacketSize = htole16(maxPacket);
  }
  d.in.bEndpointAddress = 1 | USB_DIR_IN;
  d.out.bEndpointAddress = 1 | USB_DIR_OUT;
  return d;
}

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0) {
    const ssize_t n = write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) {
      pollfd w{fd, POLLOUT, 0};
      poll(&w, 1, 100);
      continue;
    }
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The bridge: the chip's registers, the loader simulator behind its UART, and the relays.
class Bridge {
 public:
  Bridge(const sim::Options& options, std::string ffs, bool trace)
      : loader_(options), ffs_(std::move(ffs)), trace_(trace) {}

  bool Start(std::string* error);
  void ServeControl();   // the control endpoint, until it fails
  void RelayToLoader();  // bulk OUT: the host's bytes onto the UART
  void RelayToHost();    // bulk IN: the loader's answers to the host
  std::string Report();
  void Stop() { loader_.Stop(); }
  void SetHostThread(pthread_t thread) { toHostThread_ = thread; }

 private:
  void Setup(const usb_ctrlrequest& setup);
  void Purge(bool transmit, bool receive);
  bool OpenSlave();

  sim::LoaderSim loader_;
  const std::string ffs_;
  const bool trace_;
  int ep0_ = -1, epIn_ = -1, epOut_ = -1;
  std::atomic<int> slave_{-1};
  std::mutex mutex_;  // the model, and the modem lines seen
  bridge::Cp210xModel model_;
  std::string modemLines_;  // each change of DTR and RTS while the UART was on
  std::string lastModemLines_;
  std::atomic<unsigned> purges_{0};
  pthread_t toHostThread_{};
};

bool Bridge::OpenSlave() {
  const int fd = open(loader_.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  tcsetattr(fd, TCSANOW, &t);
  const int old = slave_.exchange(fd);
  if (old >= 0) close(old);
  return true;
}

bool Bridge::Start(std::string* error) {
  if (!loader_.Start(error)) return false;
  loader_.SetHostLine(model_.Line());
  if (!OpenSlave()) {
    *error = "the simulator's pseudo-terminal: " + std::string(std::strerror(errno));
    return false;
  }
  ep0_ = open((ffs_ + "/ep0").c_str(), O_RDWR | O_CLOEXEC);
  if (ep0_ < 0) {
    *error = ffs_ + "/ep0: " + std::strerror(errno);
    return false;
  }
  Descriptors d{};
  d.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
  d.header.length = htole32(sizeof d);
  // Every control request to the device, not only those to the interface: the part number is
  // asked of the device.
  d.header.flags =
      htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC | FUNCTIONFS_ALL_CTRL_RECIP);
  d.fsCount = htole32(3);
  d.hsCount = htole32(3);
  d.fs = Interface(64);
  d.hs = Interface(512);
  Strings s{};
  s.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
  s.header.length = htole32(sizeof s);
  s.header.str_count = htole32(1);
  s.header.lang_count = htole32(1);
  s.language = htole16(0x0409);
  std::memcpy(s.name, kInterfaceName, sizeof kInterfaceName);
  if (!WriteAll(ep0_, &d, sizeof d) || !WriteAll(ep0_, &s, sizeof s)) {
    *error = "the function's descriptors: " + std::string(std::strerror(errno));
    return false;
  }
  epIn_ = open((ffs_ + "/ep1").c_str(), O_RDWR | O_CLOEXEC);
  epOut_ = open((ffs_ + "/ep2").c_str(), O_RDWR | O_CLOEXEC);
  if (epIn_ < 0 || epOut_ < 0) {
    *error = "the function's endpoints: " + std::string(std::strerror(errno));
    return false;
  }
  return true;
}

void Bridge::ServeControl() {
  for (;;) {
    usb_functionfs_event events[4];
    const ssize_t n = read(ep0_, events, sizeof events);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      std::fprintf(stderr, "orb42-cp210x-sim: ep0: %s\n", std::strerror(errno));
      return;
    }
    for (std::size_t i = 0; i < static_cast<std::size_t>(n) / sizeof events[0]; ++i) {
      if (events[i].type == FUNCTIONFS_SETUP) {
        Setup(events[i].u.setup);
      } else if (trace_) {
        static const char* const kNames[] = {"bind",  "unbind",  "enable", "disable",
                                             "setup", "suspend", "resume"};
        const unsigned t = events[i].type;
        std::printf("# usb: %s\n", t < 7 ? kNames[t] : "?");
        std::fflush(stdout);
      }
    }
  }
}

// An OUT request's data is read only when the bridge takes it, since reading it completes the
// transfer; an IN request is answered, or stalled by reading in the wrong direction. The line
// goes to the loader before a request without data is acknowledged: the driver follows a new
// speed (which comes with data) with the line control, so the host's next byte always finds the
// loader told.
void Bridge::Setup(const usb_ctrlrequest& setup) {
  bridge::SetupRequest r;
  r.requestType = setup.bRequestType;
  r.request = setup.bRequest;
  r.value = le16toh(setup.wValue);
  r.index = le16toh(setup.wIndex);
  r.length = le16toh(setup.wLength);
  std::vector<std::uint8_t> data;
  bool acknowledged = false;
  if (!(r.requestType & USB_DIR_IN)) {
    bool takes = false;
    {
      std::lock_guard lock(mutex_);
      takes = model_.Takes(r);
    }
    if (takes && r.length > 0) {
      data.resize(r.length);
      const ssize_t got = read(ep0_, data.data(), data.size());
      data.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
      acknowledged = true;
    }
  }
  bridge::Queues queues;
  const int slave = slave_.load();
  int count = 0;
  if (ioctl(slave, TIOCINQ, &count) == 0) queues.toHost = static_cast<std::uint32_t>(count);
  if (ioctl(slave, TIOCOUTQ, &count) == 0) queues.toLoader = static_cast<std::uint32_t>(count);
  bridge::Reply reply;
  bool enabled = false;
  {
    std::lock_guard lock(mutex_);
    reply = model_.Handle(r, data, queues);
    enabled = model_.UartEnabled();
    loader_.SetHostLine(model_.Line());
    const std::string lines = std::string("DTR ") + (model_.Dtr() ? "on" : "off") + ", RTS " +
                              (model_.Rts() ? "on" : "off");
    if (enabled && lines != lastModemLines_) {
      modemLines_ += (modemLines_.empty() ? "" : " > ") + lines;
      lastModemLines_ = lines;
    }
  }
  if (trace_) {
    std::printf("# cp210x: %02X %-15s value %04X index %04X length %3u%s\n", r.requestType,
                bridge::Cp210xModel::RequestName(r.request).c_str(), r.value, r.index, r.length,
                reply.stall ? "  stalled" : "");
    std::fflush(stdout);
  }
  if (reply.purgeTransmit || reply.purgeReceive) Purge(reply.purgeTransmit, reply.purgeReceive);
  if (!enabled && r.request == 0x00) Purge(true, true);  // a disabled UART keeps nothing
  if (acknowledged) return;
  std::uint8_t none = 0;
  if (r.requestType & USB_DIR_IN) {
    // A stalled IN request: a read on ep0 stalls it.
    if (reply.stall) {
      [[maybe_unused]] const ssize_t s = read(ep0_, &none, 0);
    } else {
      [[maybe_unused]] const ssize_t w = write(ep0_, reply.data.data(), reply.data.size());
    }
  } else if (reply.stall) {
    [[maybe_unused]] const ssize_t s = write(ep0_, &none, 1);  // a write on an OUT request stalls
  } else {
    [[maybe_unused]] const ssize_t a = read(ep0_, &none, 0);  // the status stage
  }
}

// The loader's bytes not yet handed over are dropped, with the hand-over under way (interrupted
// by a signal); the host's bytes not yet on the UART are dropped from the terminal's queue.
void Bridge::Purge(bool transmit, bool receive) {
  const int slave = slave_.load();
  if (transmit) tcflush(slave, TCOFLUSH);
  if (receive) {
    tcflush(slave, TCIFLUSH);
    ++purges_;
    if (toHostThread_) pthread_kill(toHostThread_, SIGUSR1);
  }
}

void Bridge::RelayToLoader() {
  std::vector<std::uint8_t> buffer(512);
  for (;;) {
    const ssize_t n = read(epOut_, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno != EINTR) usleep(10000);  // the function is not enabled yet, or not any more
      continue;
    }
    bool enabled = false;
    {
      std::lock_guard lock(mutex_);
      enabled = model_.UartEnabled();
    }
    if (enabled) WriteAll(slave_.load(), buffer.data(), static_cast<std::size_t>(n));
  }
}

void Bridge::RelayToHost() {
  unsigned hangUps = loader_.HangUps();
  for (;;) {
    pollfd p{slave_.load(), POLLIN, 0};
    if (poll(&p, 1, 200) <= 0) continue;
    std::uint8_t buffer[64];
    const ssize_t n = read(p.fd, buffer, sizeof buffer);
    if (n <= 0) {
      // A hang-up fault replaced the simulator's terminal: follow it.
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        if (loader_.HangUps() != hangUps) {
          hangUps = loader_.HangUps();
          OpenSlave();
        } else {
          usleep(10000);
        }
      }
      continue;
    }
    std::vector<std::uint8_t> out;
    bool enabled = false;
    {
      std::lock_guard lock(mutex_);
      enabled = model_.UartEnabled();
      const std::uint8_t escape = model_.EventEscape();
      for (ssize_t i = 0; i < n; ++i) {
        out.push_back(buffer[i]);
        if (escape != 0 && buffer[i] == escape) out.push_back(0x00);  // the character itself
      }
    }
    if (!enabled) continue;  // nobody has the port open: the chip drops what it receives
    const unsigned purges = purges_.load();
    for (std::size_t done = 0; done < out.size() && purges == purges_.load();) {
      const ssize_t w = write(epIn_, out.data() + done, out.size() - done);
      if (w > 0) {
        done += static_cast<std::size_t>(w);
      } else if (!(w < 0 && errno == EINTR)) {
        break;  // the function went away: the bytes are lost, as with a cable pulled
      }
    }
  }
}

std::string Bridge::Report() {
  std::string out;
  {
    std::lock_guard lock(mutex_);
    out += "# cp210x requests: " + model_.Summary() + "\n";
    out += "# modem lines while open: " + (modemLines_.empty() ? "none" : modemLines_) + "\n";
  }
  return out + sim::DescribePort(loader_, "");
}

void NoSignal(int) {}

}  // namespace

int main(int argc, char** argv) {
  std::string ffs;
  bool trace = false;
  std::vector<std::string> simArgs;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--ffs" && i + 1 < argc) {
      ffs = argv[++i];
    } else if (a == "--trace") {
      trace = true;
    } else {
      simArgs.push_back(a);
    }
  }
  sim::CommandLine cl = sim::DefaultCommandLine();
  std::string error;
  if (ffs.empty() || !sim::ParseCommandLine(simArgs, cl, &error) || cl.help) {
    std::fprintf(stderr,
                 "%s%susage: orb42-cp210x-sim --ffs DIR [--trace] [orb42-loader-sim options]\n",
                 error.c_str(), error.empty() ? "" : "\n");
    return cl.help ? 0 : 2;
  }
  sim::Options options = sim::OptionsOfPorts(cl).front();
  options.line = sim::LineSource::Declared;

  // SIGUSR1 interrupts a hand-over to the host that a purge cancels; the end signals are waited
  // for here alone.
  struct sigaction action {};
  action.sa_handler = NoSignal;
  sigaction(SIGUSR1, &action, nullptr);
  sigset_t ends;
  sigemptyset(&ends);
  sigaddset(&ends, SIGINT);
  sigaddset(&ends, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &ends, nullptr);

  static Bridge bridge(options, ffs, trace);  // never destroyed: its threads block in the kernel
  if (!bridge.Start(&error)) {
    std::fprintf(stderr, "orb42-cp210x-sim: %s\n", error.c_str());
    return 1;
  }
  std::thread control([] { bridge.ServeControl(); });
  std::thread toLoader([] { bridge.RelayToLoader(); });
  std::thread toHost([] { bridge.RelayToHost(); });
  bridge.SetHostThread(toHost.native_handle());
  std::printf("# ready: %s serves the cable's bridge (10c4:ea60, CP2102); bind its gadget now\n",
              ffs.c_str());
  std::fflush(stdout);
  int signal = 0;
  sigwait(&ends, &signal);
  bridge.Stop();
  std::fputs(bridge.Report().c_str(), stdout);
  std::fflush(stdout);
  // The relays wait in the kernel on the function's endpoints; the process ends them.
  control.detach();
  toLoader.detach();
  toHost.detach();
  _exit(0);
}
