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

// Writes one JSON object or array, member by member in the order given, so
// the same calls always give the same bytes.
class JsonWriter {
public:
    static JsonWriter object() { return JsonWriter('{'); }
    static JsonWriter array() { return JsonWriter('['); }

    // Object members.
    JsonWriter& text(std::string_view key, std::string_view utf8);
    JsonWriter& number(std::string_view key, long long n);
    JsonWriter& flag(std::string_view key, bool b);
    JsonWriter& json(std::string_view key, std::string_view written); // a value written already
    // Array items.
    JsonWriter& text(std::string_view utf8);
    JsonWriter& number(long long n);
    JsonWriter& json(std::string_view written);

    bool empty() const { return m_count == 0; }
    // The whole value, closed.
    std::string str() const { return m_out + (m_open == '{' ? '}' : ']'); }

private:
    explicit JsonWriter(char open) : m_out(1, open), m_open(open) {}
    JsonWriter& member(std::string_view key);
    JsonWriter& item();

    std::string m_out;
    char m_open;
    int m_count = 0;
};

// The start every transcript line shares: {"kind":..,"name":..,"title":..,"text":..}
// (texts in UTF-8); the caller adds what follows.
JsonWriter transcriptLine(std::string_view kind, std::string_view name, std::string_view title, std::string_view text);

} // namespace zrv::ui
