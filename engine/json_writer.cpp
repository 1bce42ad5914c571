#include "json_writer.h"

#include <cmath>
#include <cstdio>

#include "utf8_text.h"

namespace k5 {

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    while (!text.empty()) {
        const char c = text.front();
        const auto u = static_cast<unsigned char>(c);
        std::size_t used = 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (u < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
                    out += escaped;
                } else if (const std::size_t length = Utf8SequenceLength(text); length > 0) {
                    out.append(text.substr(0, length));
                    used = length;
                } else {
                    out += "\\ufffd";  // a byte that is not UTF-8 (a file name in another encoding)
                }
        }
        text.remove_prefix(used);
    }
    return out + "\"";
}

std::string JsonResult(std::string_view result, int exitCode, std::string_view error, std::string_view detail,
                       std::string_view warning) {
    JsonObject json;
    json.Add("result", result).Add("exit", std::int64_t{exitCode});
    if (!error.empty()) json.Add("error", error);
    if (!detail.empty()) json.Add("detail", detail);
    if (!warning.empty()) json.Add("warning", warning);
    return json.Str();
}

JsonObject& JsonObject::Raw(std::string_view key, const std::string& json) {
    if (!body_.empty()) body_ += ",";
    body_ += JsonString(key) + ":" + json;
    return *this;
}

JsonObject& JsonObject::Add(std::string_view key, std::string_view value) {
    return Raw(key, JsonString(value));
}
JsonObject& JsonObject::Add(std::string_view key, std::int64_t value) {
    return Raw(key, std::to_string(value));
}
JsonObject& JsonObject::Add(std::string_view key, double value) {
    if (!std::isfinite(value)) return AddNull(key);
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return Raw(key, text);
}
JsonObject& JsonObject::Add(std::string_view key, bool value) { return Raw(key, value ? "true" : "false"); }
JsonObject& JsonObject::Add(std::string_view key, const std::vector<std::string>& values) {
    std::string list = "[";
    for (std::size_t i = 0; i < values.size(); ++i) list += (i ? "," : "") + JsonString(values[i]);
    return Raw(key, list + "]");
}
JsonObject& JsonObject::AddNull(std::string_view key) { return Raw(key, "null"); }

}  // namespace k5
