// The modal questions the Win32 program asks: the file-open dialog and the
// message boxes. Behind an interface so that tests can answer them. Texts are UTF-8.
#pragma once

#include <optional>
#include <string>

#include "error_box_rules.h"
#include "gui_api.h"

namespace k5::app::win32 {

class Win32Prompts {
  public:
    virtual ~Win32Prompts() = default;
    // The file-open dialog listing *.Pack files; nothing when cancelled.
    virtual std::optional<std::string> ChoosePackFile(HWND owner) = 0;
    // The save dialog for the station's record, starting at `current`; nothing when cancelled.
    virtual std::optional<std::string> ChooseRecordFile(HWND owner, const std::string& current) = 0;
    // The save dialog for a station set-up (*.k5station), starting at `suggested`; nothing when cancelled.
    virtual std::optional<std::string> ChooseSetupFile(HWND owner, const std::string& suggested) = 0;
    // A question with a one-line text field holding `current`: the text given, nothing when cancelled.
    virtual std::optional<std::string> AskText(HWND owner, const std::string& question,
                                               const std::string& current, const std::string& title) = 0;
    // Warning icon, one OK button, modal to `owner`.
    virtual void Warning(HWND owner, const std::string& text, const std::string& title) = 0;
    // The default error box: stop icon, one OK button.
    virtual void Error(HWND owner, const std::string& text, const std::string& title) = 0;
    // Yes or no.
    virtual bool Confirm(HWND owner, const std::string& text, const std::string& title) = 0;
};

// The system's own boxes and file dialog.
class SystemPrompts : public Win32Prompts {
  public:
    std::optional<std::string> ChoosePackFile(HWND owner) override;
    std::optional<std::string> ChooseRecordFile(HWND owner, const std::string& current) override;
    std::optional<std::string> ChooseSetupFile(HWND owner, const std::string& suggested) override;
    std::optional<std::string> AskText(HWND owner, const std::string& question, const std::string& current,
                                       const std::string& title) override;
    void Warning(HWND owner, const std::string& text, const std::string& title) override;
    void Error(HWND owner, const std::string& text, const std::string& title) override;
    bool Confirm(HWND owner, const std::string& text, const std::string& title) override;
};

// The default error box for whatever escapes `handler`; the program goes on.
// Window procedures call their handlers through this: no exception may cross one.
template <typename Handler>
void RunHandler(Win32Prompts& prompts, HWND owner, Handler&& handler);

void ShowDefaultErrorBox(Win32Prompts& prompts, HWND owner, const std::string& text);

template <typename Handler>
void RunHandler(Win32Prompts& prompts, HWND owner, Handler&& handler) {
    RunHandlerGuarded(
        handler, [&prompts, owner](const std::string& text) { ShowDefaultErrorBox(prompts, owner, text); });
}

}  // namespace k5::app::win32
