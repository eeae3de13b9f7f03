#pragma once
// The program's own error type: what reaches the start-up guard or escapes an event handler
// and is shown in the standard error box. Its message is UTF-8.
#include <stdexcept>
#include <string>

class ProgramError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
