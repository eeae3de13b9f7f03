#include "wizard/ProgramError.h"

std::string ErrorBoxText(const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const ProgramError& e) {
    std::string text = e.what();
    if (!text.empty() && static_cast<unsigned char>(text.back()) > '.') text += '.';
    return text;
  } catch (...) {
    return {};
  }
}
