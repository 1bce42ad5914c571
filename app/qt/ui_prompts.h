// The modal questions the program asks: the file-open dialog and the message
// boxes. Behind an interface so that tests can answer them.
#pragma once

#include <QString>
#include <memory>
#include <optional>

class QFileDialog;
class QFont;
class QMessageBox;
class QWidget;

namespace k5::app {

class UiPrompts {
  public:
    virtual ~UiPrompts() = default;
    // The file-open dialog listing *.Pack files; nothing when cancelled.
    virtual std::optional<QString> ChoosePackFile(QWidget* parent) = 0;
    // The save dialog for the station's record, starting at `current`; nothing when cancelled.
    virtual std::optional<QString> ChooseRecordFile(QWidget* parent, const QString& current) = 0;
    // The save dialog for a station set-up (*.k5station), starting at `suggested`; nothing when cancelled.
    virtual std::optional<QString> ChooseSetupFile(QWidget* parent, const QString& suggested) = 0;
    // A question with a one-line text field holding `current`: the text given, nothing when cancelled.
    virtual std::optional<QString> AskText(QWidget* parent, const QString& question, const QString& current,
                                           const QString& title) = 0;
    // A warning box with one OK button, modal to `parent`.
    virtual void Warning(QWidget* parent, const QString& text, const QString& title) = 0;
    // The default error box: stop icon, one OK button.
    virtual void Error(const QString& text, const QString& title) = 0;
    // Yes or no.
    virtual bool Confirm(QWidget* parent, const QString& text, const QString& title) = 0;
};

class QtUiPrompts : public UiPrompts {
  public:
    std::optional<QString> ChoosePackFile(QWidget* parent) override;
    std::optional<QString> ChooseRecordFile(QWidget* parent, const QString& current) override;
    std::optional<QString> ChooseSetupFile(QWidget* parent, const QString& suggested) override;
    std::optional<QString> AskText(QWidget* parent, const QString& question, const QString& current,
                                   const QString& title) override;
    void Warning(QWidget* parent, const QString& text, const QString& title) override;
    void Error(const QString& text, const QString& title) override;
    bool Confirm(QWidget* parent, const QString& text, const QString& title) override;
};

// The dialog's one filter: described as "*.Pack", matching the extension in any case.
QString PackFileFilter();
// The file-open dialog of Read Pack, titled as the button, with that filter.
std::unique_ptr<QFileDialog> MakePackFileDialog(QWidget* parent);
// A warning box with one OK button, at least as wide as a title bar needs to show `title` whole.
std::unique_ptr<QMessageBox> MakeWarningBox(QWidget* parent, const QString& text, const QString& title);
// The width a title bar needs for `title`, from the window's `font`.
int TitleRoom(const QString& title, const QFont& font);

}  // namespace k5::app
