// A minimal writer for one-line JSON objects.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace k5 {

// A JSON string; a byte that is not part of well-formed UTF-8 becomes U+FFFD.
std::string JsonString(std::string_view text);

// The last line of a command's JSON output: {"result": ..., "exit": N[, "error": ...]
// [, "detail": ...][, "warning": ...]}.
std::string JsonResult(std::string_view result, int exitCode, std::string_view error = {},
                       std::string_view detail = {}, std::string_view warning = {});

class JsonObject {
  public:
    JsonObject& Add(std::string_view key, std::string_view value);
    JsonObject& Add(std::string_view key, const char* value) { return Add(key, std::string_view(value)); }
    JsonObject& Add(std::string_view key, std::int64_t value);
    JsonObject& Add(std::string_view key, double value);
    JsonObject& Add(std::string_view key, bool value);
    JsonObject& Add(std::string_view key, const std::vector<std::string>& values);
    JsonObject& AddNull(std::string_view key);
    // A value that is JSON already: an object or a list this writer made.
    JsonObject& AddJson(std::string_view key, const std::string& json) { return Raw(key, json); }
    std::string Str() const { return "{" + body_ + "}"; }

  private:
    JsonObject& Raw(std::string_view key, const std::string& json);
    std::string body_;
};

}  // namespace k5
