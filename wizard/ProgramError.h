#pragma once
// The program's own error type: what reaches the start-up guard or escapes an event handler
// and is shown in the standard error box. Its message is UTF-8.
#include <exception>
#include <stdexcept>
#include <string>

class ProgramError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The text of the standard error box for an error: the program's own errors give their message,
// with a full stop added when its last character sorts after the full stop (a letter or a digit
// does); any other error gives nothing.
std::string ErrorBoxText(const std::exception_ptr& error);
