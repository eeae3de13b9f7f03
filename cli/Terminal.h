#pragma once
// The few things orb42-flash asks of the system beyond standard C++: whether an output is a
// terminal and how large it is, and what Ctrl-C does. One file per system implements them
// (TerminalPosix.cpp, TerminalWin32.cpp), on the note that InterruptNote.h keeps; everything
// else in cli/ is portable.
#include <atomic>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace flash::terminal {

// Makes sure the standard input, output and error are open descriptors (a closed one gets the
// null device), so that no file or port opened later takes its number and receives what is
// printed. false when the standard output was closed: what the program prints is then lost.
bool GuardStandardStreams();

// True when stream is a terminal that understands the cursor movements of the live lines.
bool IsTerminal(std::FILE* stream);

struct Size {
  int columns = 80;
  int rows = 24;
};

// The terminal's size now; 80 columns or 24 rows for what cannot be told. Cheap enough to ask
// before every frame of the live lines: on POSIX systems the terminal is asked again only after
// a SIGWINCH said that it was resized (the first call sets that up); Windows sends no signal,
// and the console's buffer info is read each time.
Size SizeOf(std::FILE* stream);

// The terminal's width in columns; 80 when it cannot be told.
inline int Width(std::FILE* stream) {
  return SizeOf(stream).columns;
}

// From now on Ctrl-C (and a polite request to end: SIGTERM, a closed terminal) sets *stop, so
// that every port finishes cleanly; a second one ends the program at once with status 130.
// Writing to a pipe whose reader has gone no longer ends the program either: the devices
// under way are finished first. stop must live until the program ends.
void OnInterrupt(std::atomic<bool>* stop);

// What asked the program to end: Ctrl-C (Ctrl-Break) from the person at the bench, or a request
// to terminate (SIGTERM or a closed terminal on Linux, the console closed or the session ended
// on Windows), which has an exit status of its own (143).
enum class StopCause { None, Interrupt, Terminate };
StopCause StoppedBy();

// The one line the second Ctrl-C writes to stderr before it ends the program: what to do, whole,
// then the devices that may be left in programming mode, as many as the note holds, and more(n)
// for the n it had no room for (" and 12 more"). Kept up to date by the main thread; the signal
// handler only writes what is there.
void SetInterruptNote(const std::string& instruction, const std::vector<std::string>& names,
                      const std::function<std::string(std::size_t)>& more);

}  // namespace flash::terminal
