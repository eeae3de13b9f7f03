#pragma once
// What the link did, one event at a time, for a trace a service desk can read: each loader
// command as it begins, every byte both ways, every time-out and failure, every purge, and every
// repair (a word sent again, a port given up). The link calls the hook on its own thread.
#include <cstdint>
#include <functional>
#include <string>

#include "link/LinkError.h"

struct LinkTrace {
  enum class Kind {
    Command,   // text: the command that begins ("identity", "write word 48 = 0x2A5F")
    Sent,      // byte
    Received,  // byte
    TimedOut,  // no byte within the read time-out
    Failed,    // error: a call on the port failed
    Purged,    // the pause, then both directions discarded
    Repaired,  // text: what the link does about a failure ("word 48 again")
  };
  Kind kind = Kind::Command;
  std::string text;
  std::uint8_t byte = 0;
  LinkError error = LinkOk;
};

using LinkTraceHook = std::function<void(const LinkTrace&)>;
