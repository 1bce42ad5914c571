// k5-iap-tool: the desktop program.
#include <QCommandLineParser>

#include "default_error_box.h"
#include "fonts.h"
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "p_UpdateDispController.h"
#include "session_state.h"
#include "settings_file.h"

int main(int argc, char** argv) {
    k5::app::QtUiPrompts prompts;
    k5::app::K5Application application(argc, argv, prompts);
    QCoreApplication::setApplicationVersion(K5_VERSION_TEXT);
    QCommandLineParser options;
    options.setApplicationDescription("K5 IAP Tool: firmware update for the K5 mid-drive controller");
    options.addHelpOption();
    options.addVersionOption();
    options.process(application);
    k5::app::InstallFontSubstitutes();
    application.setFont(k5::app::WindowFont());

    // The program's one settings file, pack and main window (with its port and session).
    const k5::SettingsFile settings(k5::DefaultSettingsPath());
    k5::PackStore pack;
    k5::app::TF_UpdateDispController window(settings, prompts, pack);
    k5::app::F_UpdateDispController = &window;
    window.show();
    return application.exec();
}
