// Just enough JSON for answer files and transcripts: objects, arrays, strings,
// numbers, true, false and null.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::ui {

struct Json {
    enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // UTF-8
    std::vector<Json> items;
    // An object's members: keys[i] names values[i].
    std::vector<std::string> keys;
    std::vector<Json> values;

    const Json* get(std::string_view key) const;
    bool isString() const { return type == Type::String; }
    bool isNumber() const { return type == Type::Number; }
};

// Parses one JSON value; false with a reason on malformed text.
bool parseJson(std::string_view text, Json& out, std::string& error);
// A JSON string literal of UTF-8 text.
std::string jsonString(std::string_view utf8);

} // namespace zrv::ui
