#include "platform/SystemText.h"

namespace platform {

std::string SystemTextToUtf8(const std::string& text) {
  return text;
}

}  // namespace platform
