#pragma once
// The stages of one update, in the order they come, as the wizard's steps 7 to 10 and the bench's
// live lines show them. Each piece of work of the update session (Session.h) works in one stage,
// and the session says which.
namespace update {

enum class Stage {
  Calling,      // opening the port and calling until the loader answers (the wizard's step 7)
  Checking,     // identity, type, serial number, version (step 8)
  Switching,    // asking the loader for the faster line (the bench only)
  Programming,  // unlock, programming mode, the records, the version last (the end of step 8, 9)
  Finishing,    // leaving programming, releasing the loader, closing the port (step 10)
  Done,         // nothing more to do until the session starts over
};

// "calling", "checking", "switching", "programming", "finishing", "done": the names scripts read
// (orb42-flash --json) and the trace shows.
const char* StageName(Stage stage);

}  // namespace update
