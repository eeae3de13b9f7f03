#include "wizard/Dialogs.h"

namespace wizard {

const char* DialogTitle(const DialogRequest& request) {
  if (!request.caption.empty()) return request.caption.c_str();
  return request.kind == DialogKind::Error ? "Error" : "Information";
}

}  // namespace wizard
