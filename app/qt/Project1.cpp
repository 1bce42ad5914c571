// k5-iap-tool: the desktop program.
#include <QCommandLineParser>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "default_error_box.h"
#include "fonts.h"
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "p_UpdateDispController.h"
#include "session_state.h"
#include "settings_file.h"
#include "single_instance.h"
#include "ui_language.h"

namespace {

// The windows' language, as the settings name it or as the system's UI languages have it; Qt's own
// texts (the boxes' buttons, the file dialog) in it too where Qt's translations are installed.
void UseLanguage(const k5::SettingsFile& settings, QTranslator& qtTexts) {
    std::vector<std::string> preferred;
    for (const QString& language : QLocale::system().uiLanguages())
        preferred.push_back(language.toStdString());
    const std::string language = k5::app::UseLanguageFor(settings, preferred);
    if (!language.empty() && language != "pseudo" &&
        qtTexts.load(QLocale(QString::fromStdString(language)), "qtbase", "_",
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
}

}  // namespace

int main(int argc, char** argv) {
    k5::app::QtUiPrompts prompts;
    k5::app::K5Application application(argc, argv, prompts);
    QCoreApplication::setApplicationVersion(K5_VERSION_TEXT);
    QCommandLineParser options;
    options.setApplicationDescription("K5 IAP Tool: firmware update for the K5 mid-drive controller");
    options.addHelpOption();
    options.addVersionOption();
    options.addPositionalArgument(
        "file",
        "A pack file to read at start, as Read Pack does, or a station set-up (.k5station) to open the "
        "station with, locked.",
        "[file]");
    options.process(application);
    const QStringList files = options.positionalArguments();
    const QString file = files.isEmpty() ? QString() : QFileInfo(files.first()).absoluteFilePath();

    // One window per user: a running one takes the file and comes to the front.
    k5::app::SingleInstance instance;
    if (!instance.HandOverOrServe(file)) return 0;
    k5::app::InstallFontSubstitutes();
    application.setFont(k5::app::WindowFont());

    // The program's one settings file, pack and main window (with its port and session).
    const k5::SettingsFile settings(k5::DefaultSettingsPath());
    QTranslator qtTexts;
    UseLanguage(settings, qtTexts);
    k5::PackStore pack;
    k5::app::TF_UpdateDispController window(settings, prompts, pack);
    k5::app::F_UpdateDispController = &window;
    QObject::connect(&instance, &k5::app::SingleInstance::Handed, &window, [&window](const QString& handed) {
        window.BringToFront();
        if (!handed.isEmpty()) window.OpenPackFile(handed);
    });
    window.show();
    // Read once the window shows, so that a box about the pack has its window.
    if (!file.isEmpty()) QTimer::singleShot(0, &window, [&window, &file] { window.OpenPackFile(file); });
    return application.exec();
}
