// Answers the program's dialogs and message boxes from a script, and records them.
#pragma once

#include <QString>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui_prompts.h"

namespace k5::test {

class ScriptedPrompts : public app::UiPrompts {
  public:
    struct Box {
        char kind;  // 'W' warning, 'E' error, 'Q' question, 'T' a question with a text field
        QString text;
        QString title;
    };

    std::optional<QString> ChoosePackFile(QWidget*) override {
        ++dialogs;
        if (files.empty()) return std::nullopt;
        const QString next = files.front();
        files.pop_front();
        if (next.isEmpty()) return std::nullopt;
        return std::make_optional(next);
    }
    std::optional<QString> ChooseRecordFile(QWidget*, const QString&) override {
        if (records.empty()) return std::nullopt;
        const QString next = records.front();
        records.pop_front();
        return std::make_optional(next);
    }
    std::optional<QString> ChooseSetupFile(QWidget*, const QString&) override {
        if (setups.empty()) return std::nullopt;
        const QString next = setups.front();
        setups.pop_front();
        return std::make_optional(next);
    }
    std::optional<QString> AskText(QWidget*, const QString& question, const QString&,
                                   const QString& title) override {
        boxes.push_back({'T', question, title});
        if (answers.empty()) return std::nullopt;
        const QString next = answers.front();
        answers.pop_front();
        return std::make_optional(next);
    }
    void Warning(QWidget*, const QString& text, const QString& title) override {
        boxes.push_back({'W', text, title});
    }
    void Error(const QString& text, const QString& title) override { boxes.push_back({'E', text, title}); }
    bool Confirm(QWidget*, const QString& text, const QString& title) override {
        boxes.push_back({'Q', text, title});
        if (whileAsking) whileAsking();
        return confirm;
    }

    std::deque<QString> files;    // answers of the file dialog; an empty one cancels
    std::deque<QString> records;  // answers of the record's save dialog
    std::deque<QString> setups;   // answers of the set-up's save dialog
    std::deque<QString> answers;  // texts given to questions with a text field; none left: cancelled
    bool confirm = true;
    std::function<void()> whileAsking;  // what happens while a question is on screen
    int dialogs = 0;
    std::vector<Box> boxes;
};

}  // namespace k5::test
