#include "wizard/Dialogs.h"

namespace wizard {

const char* DialogTitle(const DialogRequest& request) {
  if (!request.caption.empty()) return request.caption.c_str();
  return request.kind == DialogKind::Error ? "Error" : "Information";
}

namespace {

DialogHandler& Handler() {
  static DialogHandler handler;
  return handler;
}

}  // namespace

DialogHandler SetDialogHandler(DialogHandler handler) {
  DialogHandler previous = std::move(Handler());
  Handler() = std::move(handler);
  return previous;
}

std::optional<DialogAnswer> HandlerAnswer(const DialogRequest& request) {
  if (Handler()) return Handler()(request);
  return std::nullopt;
}

}  // namespace wizard
