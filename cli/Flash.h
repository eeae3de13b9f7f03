#pragma once
// orb42-flash from its command line to its exit status.
namespace flash {

int Main(int argc, const char* const* argv);

}  // namespace flash
