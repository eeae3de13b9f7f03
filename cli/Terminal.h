#pragma once
// The few things orb42-flash asks of the system beyond standard C++: whether an output is a
// terminal and how wide it is, and what Ctrl-C does. One file per system implements them
// (TerminalPosix.cpp, TerminalWin32.cpp), on the note that InterruptNote.h keeps; everything
// else in cli/ is portable.
#include <atomic>
#include <cstdio>
#include <string>

namespace flash::terminal {

// Makes sure the standard input, output and error are open descriptors (a closed one gets the
// null device), so that no file or port opened later takes its number and receives what is
// printed. false when the standard output was closed: what the program prints is then lost.
bool GuardStandardStreams();

// True when stream is a terminal that understands the cursor movements of the live lines.
bool IsTerminal(std::FILE* stream);

// The terminal's width in columns; 80 when it cannot be told.
int Width(std::FILE* stream);

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

// The one line the second Ctrl-C writes to stderr before it ends the program: which devices may
// be left in programming mode, and what to do. Kept up to date by the main thread; the signal
// handler only writes what is there.
void SetInterruptNote(const std::string& line);

}  // namespace flash::terminal
