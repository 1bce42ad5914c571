// k5-iap-tool.exe: the desktop program on Windows.
#include <cwchar>
#include <string>
#include <string_view>
#include <vector>

#include "gui_api.h"
// clang-format off
#include <objbase.h>
// clang-format on
#include "k5_version.h"
#include "p_HexConvertFun.h"
#include "p_UpdateDispController.h"
#include "session_state.h"
#include "settings_file.h"
#include "single_instance.h"
#include "ui_language.h"
#include "win32_prompts.h"
#include "win32_text.h"

namespace {

// "--version": said on the standard output when there is one (redirected), else
// in the console of the command prompt that started the program, else in a box.
bool PrintedVersion(PWSTR commandLine) {
    if (std::wstring_view(commandLine) != L"--version") return false;
    const char text[] = "k5-iap-tool " K5_VERSION_TEXT "\n";
    DWORD written = 0;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out != nullptr && out != INVALID_HANDLE_VALUE &&
        WriteFile(out, text, sizeof text - 1, &written, nullptr)) {
        return true;
    }
    if (AttachConsole(ATTACH_PARENT_PROCESS)) {
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        const bool wrote =
            out != INVALID_HANDLE_VALUE && WriteFile(out, text, sizeof text - 1, &written, nullptr);
        if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
        if (wrote) return true;
    }
    MessageBoxW(nullptr, L"k5-iap-tool " K5_VERSION_WIDE, L"k5-iap-tool", MB_OK | MB_ICONINFORMATION);
    return true;
}

// The file named on the command line (a pack, or a station set-up), as a full path; empty when none is.
std::wstring FileOnCommandLine() {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::wstring file;
    if (arguments != nullptr && count > 1 && arguments[1][0] != L'\0') {
        const DWORD length = GetFullPathNameW(arguments[1], 0, nullptr, nullptr);
        file.resize(length);
        const DWORD written = GetFullPathNameW(arguments[1], length, file.data(), nullptr);
        file.resize(written > 0 && written < length ? written : 0);
        if (file.empty()) file = arguments[1];
    }
    LocalFree(arguments);
    return file;
}

// The user's preferred UI languages, in order ("de-DE", "zh-CN").
std::vector<std::string> PreferredUiLanguages() {
    ULONG count = 0, size = 0;
    std::vector<std::string> languages;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &size) || size == 0)
        return languages;
    std::wstring names(size, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &size)) return languages;
    for (const wchar_t* name = names.c_str(); *name != L'\0'; name += std::wcslen(name) + 1)
        languages.push_back(k5::Narrow(name));
    return languages;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int showCommand) {
    if (PrintedVersion(commandLine)) return 0;
    // One window per user: a running one takes the file and comes to the front.
    const std::wstring file = FileOnCommandLine();
    const k5::app::win32::SingleInstance instance;
    if (!instance.First() && instance.HandOver(file)) return 0;
    // The file dialog and the imaging component want a single-threaded apartment.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    int exitCode = 0;
    {
        k5::app::win32::SystemPrompts prompts;
        // The program's one settings file, pack and main window (with its port and session).
        const k5::SettingsFile settings(k5::DefaultSettingsPath());
        k5::app::UseLanguageFor(settings, PreferredUiLanguages());
        k5::PackStore pack;
        k5::app::win32::TF_UpdateDispController window(settings, prompts, pack);
        k5::app::win32::F_UpdateDispController = &window;
        window.OnClosed = [] { PostQuitMessage(0); };
        window.Show(showCommand);
        if (!file.empty()) window.QueuePackFile(k5::Narrow(file));

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (window.TranslateKeys(&message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exitCode = static_cast<int>(message.wParam);
    }
    if (SUCCEEDED(com)) CoUninitialize();
    return exitCode;
}
