// The default error box: how an error that escapes an event handler is shown.
#pragma once

#include <QApplication>
#include <QString>
#include <exception>

#include "error_box_rules.h"
#include "ui_prompts.h"

namespace k5::app {

// The executable's file name without its folder, cut at its first ".", with
// every character after the first in lower case.
QString ApplicationTitle(const QString& executablePath);

// The error's message for a person: GBK messages converted, and a full stop
// added when the message ends in a character above ".".
QString ErrorBoxText(const std::exception& error);

// Shows the box with `text` and the title of the running executable.
void ShowDefaultErrorBox(UiPrompts& prompts, const std::string& text);

// Runs an event handler; what it lets escape goes to the default error box,
// and the program goes on.
template <typename Handler>
void RunHandler(UiPrompts& prompts, Handler&& handler) {
    RunHandlerGuarded(handler, [&prompts](const std::string& text) { ShowDefaultErrorBox(prompts, text); });
}

// Catches what escapes any other event as well.
class K5Application : public QApplication {
  public:
    K5Application(int& argc, char** argv, UiPrompts& prompts);
    bool notify(QObject* receiver, QEvent* event) override;

  private:
    UiPrompts& prompts_;
};

}  // namespace k5::app
