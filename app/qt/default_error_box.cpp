#include "default_error_box.h"

namespace k5::app {

QString ApplicationTitle(const QString& executablePath) {
    return QString::fromStdString(ApplicationTitleFor(executablePath.toStdString()));
}

QString ErrorBoxText(const std::exception& error) { return QString::fromStdString(ErrorBoxTextFor(error)); }

void ShowDefaultErrorBox(UiPrompts& prompts, const std::string& text) {
    prompts.Error(QString::fromStdString(text), ApplicationTitle(QCoreApplication::applicationFilePath()));
}

K5Application::K5Application(int& argc, char** argv, UiPrompts& prompts)
    : QApplication(argc, argv), prompts_(prompts) {}

bool K5Application::notify(QObject* receiver, QEvent* event) {
    bool handled = true;
    RunHandlerGuarded([&] { handled = QApplication::notify(receiver, event); },
                      [this](const std::string& text) { ShowDefaultErrorBox(prompts_, text); });
    return handled;
}

}  // namespace k5::app
