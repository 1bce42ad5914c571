#include "default_error_box.h"

#include <QFileInfo>

#include "SerialComm.h"
#include "gbk_text.h"

namespace k5::app {

QString ApplicationTitle(const QString& executablePath) {
    QString name = QFileInfo(executablePath).fileName();
    const qsizetype dot = name.indexOf('.');
    if (dot >= 0) name.truncate(dot);
    if (name.size() > 1) name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString ErrorBoxText(const std::exception& error) {
    QString text = dynamic_cast<const serial::ECommsError*>(&error) ? FromGbk(error.what())
                                                                    : QString::fromUtf8(error.what());
    if (!text.isEmpty() && text.back().unicode() > u'.') text += '.';
    return text;
}

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
