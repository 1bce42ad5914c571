#include "win32_prompts.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "error_box_rules.h"
#include "folders.h"
#include "utf8_path.h"
#include "win32_text.h"
#include "translation.h"
#include "window_texts.h"

namespace k5::app::win32 {
namespace {

// The file dialogs' common part: `filter` as the dialog takes it, the chosen file into `file`.
OPENFILENAMEW FileDialog(HWND owner, const std::wstring& filter, std::vector<wchar_t>& file) {
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY;
    return dialog;
}

}  // namespace

std::optional<std::string> SystemPrompts::ChoosePackFile(HWND owner) {
    // One entry: described as "*.Pack", listing *.Pack; the system's own title, folder and options.
    const std::wstring pattern = Widen(text::kPackFilter);
    std::wstring filter = pattern + L'\0' + pattern + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    OPENFILENAMEW dialog = FileDialog(owner, filter, file);
    if (!GetOpenFileNameW(&dialog)) return std::nullopt;
    return Narrow(file.data());
}

std::optional<std::string> SystemPrompts::ChooseRecordFile(HWND owner, const std::string& current) {
    // The record is appended to, never replaced: no question about an existing file.
    std::wstring filter = Widen(Tr(text::kStationRecordCsv)) + L'\0' + L"*.csv" + L'\0' +
                          Widen(Tr(text::kStationRecordJsonLines)) + L'\0' + L"*.jsonl" + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring start = Widen(current);
    std::copy(start.begin(), start.begin() + std::min(start.size(), file.size() - 1), file.begin());
    OPENFILENAMEW dialog = FileDialog(owner, filter, file);
    dialog.lpstrDefExt = L"csv";
    dialog.Flags |= OFN_PATHMUSTEXIST;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return Narrow(file.data());
}

void SystemPrompts::Warning(HWND owner, const std::string& text, const std::string& title) {
    MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), MB_OK | MB_ICONWARNING);
}

void SystemPrompts::Error(HWND owner, const std::string& text, const std::string& title) {
    MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), MB_OK | MB_ICONERROR);
}

bool SystemPrompts::Confirm(HWND owner, const std::string& text, const std::string& title) {
    return MessageBoxW(owner, Widen(text).c_str(), Widen(title).c_str(), MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void ShowDefaultErrorBox(Win32Prompts& prompts, HWND owner, const std::string& text) {
    prompts.Error(owner, text, ApplicationTitleFor(Utf8FromPath(platform::ExecutablePath())));
}

}  // namespace k5::app::win32
