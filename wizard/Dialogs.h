#pragma once
// The wizard's modal message dialogs as the front ends show them: the text, a kind that decides
// the title and the icon, and the buttons; the button pressed comes back. Texts are UTF-8.
#include <functional>
#include <optional>
#include <string>

namespace wizard {

enum class DialogKind { Error, Information };
enum class DialogButtons { YesNo, Ok };
enum class DialogAnswer { Yes, No, Ok, Dismissed };

struct DialogRequest {
  std::string caption;  // empty: the title of the kind, "Error" or "Information"
  std::string text;
  DialogKind kind = DialogKind::Error;
  DialogButtons buttons = DialogButtons::Ok;
};

// The title a dialog of this request shows: its caption, or the kind's own English title (the
// toolkit's texts, whatever the wizard's language).
const char* DialogTitle(const DialogRequest& request);

// Every message box of a front end goes through one seam, so that tests and tools can answer it
// without a person: the wizard's request goes in, the button pressed comes back.
using DialogHandler = std::function<DialogAnswer(const DialogRequest&)>;
// Installs a handler in place of the real boxes; an empty handler puts the real ones back.
// Returns the previous handler.
DialogHandler SetDialogHandler(DialogHandler handler);
// The installed handler's answer, or nothing when the real box is to be shown.
std::optional<DialogAnswer> HandlerAnswer(const DialogRequest& request);

}  // namespace wizard
