#pragma once
// --verbose: the link's trace grouped by loader command, one line each: the command, then every
// byte in the order it travelled (">86" sent, "<35" received), time-outs, failures and purges in
// between; each repair on a line of its own. Lines go to the reporter as they are complete.
#include <memory>
#include <string>

#include "cli/Report.h"
#include "link/LinkTrace.h"

namespace flash {

class TraceLines {
 public:
  TraceLines(Reporter& reporter, update::RunId id, std::string who)
      : reporter_(reporter), id_(id), who_(std::move(who)) {}
  void Take(const LinkTrace& event);
  void Flush();  // the command under way, at the end of a run

 private:
  Reporter& reporter_;
  update::RunId id_;
  std::string who_;
  TraceLine line_;
};

// The hook to give the link: events go to a TraceLines that the hook shares.
LinkTraceHook TraceHook(const std::shared_ptr<TraceLines>& lines);

}  // namespace flash
