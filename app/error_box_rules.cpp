#include "error_box_rules.h"

#include "SerialComm.h"
#include "gbk_convert.h"
#include "message_text.h"
#include "settings_file.h"
#include "translation.h"
#include "utf8_path.h"

namespace k5::app {
namespace {

// Bytes that are not GBK after all, shown one character each.
std::string Latin1ToUtf8(const std::string& bytes) {
    std::string out;
    for (unsigned char c : bytes) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace

const std::vector<std::string_view>& SerialMessageTexts() {
    // The serial component's messages (comm_message, stored in GBK) as the error box shows them; the
    // catalogue breaks lines with "\n" alone.
    static const std::vector<std::string_view> texts{
        N_("此串口已经打开"),   N_("Opne Port Error\nmaybe port set is ircorrect"),
        N_("初始化缓冲区出错"), N_("无法创建事件"),
        N_("无法创建读线程"),   N_("无法创建写线程"),
    };
    return texts;
}

std::string ApplicationTitleFor(const std::string& executablePath) {
    std::string name = Utf8FromPath(PathFromUtf8(executablePath).filename());
    // Both separators: a Windows path may reach a Linux build's tests too.
    if (const auto slash = name.find_last_of("\\/"); slash != std::string::npos) name.erase(0, slash + 1);
    if (const auto dot = name.find('.'); dot != std::string::npos) name.erase(dot);
    for (std::size_t i = 1; i < name.size(); ++i) {
        if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] - 'A' + 'a');
    }
    return name;
}

std::string ErrorBoxTextFor(const std::exception& error) {
    std::string text = error.what();
    if (dynamic_cast<const serial::ECommsError*>(&error) != nullptr) {
        const auto converted = platform::GbkToUtf8(text);
        text = converted ? *converted : Latin1ToUtf8(text);
    }
    // The catalogue breaks lines with "\n" alone; a text in it is shown as its translation has it.
    std::string unbroken = text;
    for (std::size_t at; (at = unbroken.find("\r\n")) != std::string::npos;) unbroken.erase(at, 1);
    if (std::string translated = TranslateText(unbroken); translated != unbroken)
        text = std::move(translated);
    if (const auto* settings = dynamic_cast<const ESettingsWriteError*>(&error)) {
        // The fixed text first, then why, as its own sentence.
        std::string reason = TranslateText(settings->Reason());
        if (!reason.empty() && reason[0] >= 'a' && reason[0] <= 'z')
            reason[0] = static_cast<char>(reason[0] - 32);
        return WithFullStop(text) + "\n\n" + WithFullStop(reason);
    }
    return WithFullStop(text);
}

}  // namespace k5::app
