#include "default_error_box.h"

#include "error_box_rules.h"

namespace k5::app {

QString ApplicationTitle(const QString& executablePath) {
    return QString::fromStdString(ApplicationTitleFor(executablePath.toStdString()));
}

QString ErrorBoxText(const std::exception& error) { return QString::fromStdString(ErrorBoxTextFor(error)); }

void ShowDefaultErrorBox(UiPrompts& prompts, const std::exception& error) {
    prompts.Error(ErrorBoxText(error), ApplicationTitle(QCoreApplication::applicationFilePath()));
}

K5Application::K5Application(int& argc, char** argv, UiPrompts& prompts)
    : QApplication(argc, argv), prompts_(prompts) {}

bool K5Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowDefaultErrorBox(prompts_, error);
        return true;
    }
}

}  // namespace k5::app
