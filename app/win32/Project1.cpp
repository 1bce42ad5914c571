// k5-iap-tool.exe: the desktop program on Windows.
#include <string_view>

#include "gui_api.h"
// clang-format off
#include <objbase.h>
// clang-format on
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "p_UpdateDispController.h"
#include "session_state.h"
#include "settings_file.h"
#include "win32_prompts.h"

namespace {

// "--version" from a command prompt: said in the prompt's console, no window.
bool PrintedVersion(PWSTR commandLine) {
    if (std::wstring_view(commandLine) != L"--version") return false;
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        const char text[] = "k5-iap-tool " K5_VERSION_TEXT "\n";
        DWORD written = 0;
        WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text, sizeof text - 1, &written, nullptr);
    }
    return true;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    if (PrintedVersion(commandLine)) return 0;
    // The file dialog and the imaging component want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int exitCode = 0;
    {
        k5::app::win32::SystemPrompts prompts;
        const k5::SettingsFile settings(k5::DefaultSettingsPath());
        k5::app::win32::TF_UpdateDispController window(settings, prompts, k5::ProcessPack(),
                                                       k5::ProcessSessionState());
        k5::app::win32::F_UpdateDispController = &window;
        window.OnClosed = [] { PostQuitMessage(0); };
        window.Show(showCommand);

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode = static_cast<int>(message.wParam);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
