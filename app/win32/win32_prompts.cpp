#include "win32_prompts.h"

#include <algorithm>
#include <exception>
#include <vector>

#include "error_box_rules.h"
#include "folders.h"
#include "translation.h"
#include "utf8_path.h"
#include "win32_text.h"
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

// A dialog made from a template in memory: its words, each item aligned as the system wants it.
class DialogTemplate {
  public:
    DialogTemplate(const std::wstring& title, short width, short height, WORD items) {
        Dword(DS_MODALFRAME | DS_SETFONT | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU);
        Dword(0);
        words_.insert(words_.end(), {items, 0, 0, static_cast<WORD>(width), static_cast<WORD>(height), 0, 0});
        Text(title);
        words_.push_back(8);
        Text(L"MS Shell Dlg");
    }
    // A control of a system class (0x80 button, 0x81 edit, 0x82 static), in dialog units.
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD windowClass,
              const std::wstring& text) {
        if (words_.size() % 2 != 0) words_.push_back(0);
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);
        words_.insert(words_.end(), {static_cast<WORD>(x), static_cast<WORD>(y), static_cast<WORD>(width),
                                     static_cast<WORD>(height), id, 0xFFFF, windowClass});
        Text(text);
        words_.push_back(0);
    }
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  private:
    void Dword(DWORD value) { words_.insert(words_.end(), {LOWORD(value), HIWORD(value)}); }
    void Text(const std::wstring& text) {
        words_.insert(words_.end(), text.begin(), text.end());
        words_.push_back(0);
    }
    std::vector<WORD> words_;
};

// The question's text field and what it holds.
constexpr WORD kAnswerId = 100;
struct Asked {
    std::wstring current;
    std::wstring answer;
};

INT_PTR CALLBACK AskProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            SetWindowLongPtrW(dialog, DWLP_USER, lParam);
            const HWND field = GetDlgItem(dialog, kAnswerId);
            SetWindowTextW(field, reinterpret_cast<Asked*>(lParam)->current.c_str());
            SendMessageW(field, EM_SETSEL, 0, -1);
            SetFocus(field);
            return FALSE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == IDOK) {
                auto* asked = reinterpret_cast<Asked*>(GetWindowLongPtrW(dialog, DWLP_USER));
                const HWND field = GetDlgItem(dialog, kAnswerId);
                asked->answer.assign(static_cast<std::size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
                GetWindowTextW(field, asked->answer.data(), static_cast<int>(asked->answer.size()));
                asked->answer.pop_back();
                EndDialog(dialog, IDOK);
                return TRUE;
            }
            if (LOWORD(wParam) == IDCANCEL) {
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

std::optional<std::string> SystemPrompts::ChooseSetupFile(HWND owner, const std::string& suggested) {
    const std::wstring pattern = Widen(text::kStationSetupPattern);
    std::wstring filter = Widen(Tr(text::kStationSetupFiles)) + L'\0' + pattern + L'\0';
    std::vector<wchar_t> file(32768, L'\0');
    const std::wstring start = Widen(suggested);
    std::copy(start.begin(), start.begin() + std::min(start.size(), file.size() - 1), file.begin());
    OPENFILENAMEW dialog = FileDialog(owner, filter, file);
    dialog.lpstrDefExt = pattern.c_str() + 2;  // past "*."
    dialog.Flags |= OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT;
    if (!GetSaveFileNameW(&dialog)) return std::nullopt;
    return Narrow(file.data());
}

std::optional<std::string> SystemPrompts::AskText(HWND owner, const std::string& question,
                                                  const std::string& current, const std::string& title) {
    DialogTemplate dialog(Widen(title), 230, 74, 4);
    dialog.Item(SS_LEFT | SS_NOPREFIX, 7, 7, 216, 20, 0xFFFF, 0x82, Widen(question));
    dialog.Item(ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 30, 216, 14, kAnswerId, 0x81, L"");
    dialog.Item(BS_DEFPUSHBUTTON | WS_TABSTOP, 119, 53, 50, 14, IDOK, 0x80, Widen(Tr(text::kOk)));
    dialog.Item(BS_PUSHBUTTON | WS_TABSTOP, 173, 53, 50, 14, IDCANCEL, 0x80, Widen(Tr(text::kCancel)));
    Asked asked{Widen(current), {}};
    if (DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.Get(), owner, &AskProc,
                                reinterpret_cast<LPARAM>(&asked)) != IDOK)
        return std::nullopt;
    return Narrow(asked.answer);
}

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
