#pragma once
// Every message box of the program goes through this one seam, so tests can answer it without a
// person: the text, the kind and the buttons go in, the button pressed comes back.
#include <QString>
#include <functional>

class QWidget;

enum class DialogKind { Error, Information };
enum class DialogButtons { YesNo, Ok };
enum class DialogAnswer { Yes, No, Ok, Dismissed };

struct DialogRequest {
  QString caption;  // empty: the title of the kind ("Error", "Information")
  QString text;
  DialogKind kind;
  DialogButtons buttons;
};

using DialogHandler = std::function<DialogAnswer(const DialogRequest&)>;

// Shows a modal message dialog (or hands it to the handler installed by a test).
DialogAnswer ShowMessageDialog(QWidget* parent, const DialogRequest& request);

// Installs a handler in place of the real dialogs; an empty handler puts the real ones back.
// Returns the previous handler.
DialogHandler SetDialogHandler(DialogHandler handler);
