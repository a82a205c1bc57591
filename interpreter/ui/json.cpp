#include "interpreter/ui/json.h"

#include "platform/base/ansi.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <tuple>

namespace zrv::ui {

const Json* Json::get(std::string_view key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key)
            return &values[i];
    return nullptr;
}

namespace {

class Parser {
public:
    explicit Parser(std::string_view t) : m_t(t) {}

    bool value(Json& out, int depth) {
        if (depth > 64)
            return fail("nested too deeply");
        skip();
        if (m_i >= m_t.size())
            return fail("value expected");
        char c = m_t[m_i];
        if (c == '{')
            return object(out, depth);
        if (c == '[')
            return array(out, depth);
        if (c == '"') {
            out.type = Json::Type::String;
            return string(out.text);
        }
        if (c == '-' || (c >= '0' && c <= '9')) {
            const char* begin = m_t.data() + m_i;
            char* end = nullptr;
            std::string copy(begin, std::min<std::size_t>(m_t.size() - m_i, 64));
            out.number = std::strtod(copy.c_str(), &end);
            if (end == copy.c_str())
                return fail("bad number");
            m_i += static_cast<std::size_t>(end - copy.c_str());
            out.type = Json::Type::Number;
            return true;
        }
        for (auto [word, type, b] : {std::tuple{"true", Json::Type::Bool, true}, std::tuple{"false", Json::Type::Bool, false},
                                     std::tuple{"null", Json::Type::Null, false}}) {
            std::string_view w(word);
            if (m_t.substr(m_i, w.size()) == w) {
                m_i += w.size();
                out.type = type;
                out.boolean = b;
                return true;
            }
        }
        return fail("unexpected character");
    }

    bool end() {
        skip();
        return m_i == m_t.size() || fail("text after the value");
    }
    std::string error;

private:
    bool fail(const char* why) {
        if (error.empty())
            error = std::string(why) + " at offset " + std::to_string(m_i);
        return false;
    }
    void skip() {
        while (m_i < m_t.size() && (m_t[m_i] == ' ' || m_t[m_i] == '\t' || m_t[m_i] == '\n' || m_t[m_i] == '\r'))
            ++m_i;
    }
    // Steps over `c` when it comes next.
    bool eat(char c) {
        if (m_i >= m_t.size() || m_t[m_i] != c)
            return false;
        ++m_i;
        return true;
    }
    bool string(std::string& out) {
        ++m_i;
        while (m_i < m_t.size()) {
            char c = m_t[m_i++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_i >= m_t.size())
                break;
            char e = m_t[m_i++];
            switch (e) {
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'u': {
                if (m_i + 4 > m_t.size())
                    return fail("bad escape");
                unsigned cp = static_cast<unsigned>(std::strtoul(std::string(m_t.substr(m_i, 4)).c_str(), nullptr, 16));
                m_i += 4;
                appendUtf8(out, cp);
                break;
            }
            default: out += e; break;
            }
        }
        return fail("unterminated string");
    }
    bool array(Json& out, int depth) {
        out.type = Json::Type::Array;
        ++m_i;
        skip();
        if (eat(']'))
            return true;
        for (;;) {
            Json item;
            if (!value(item, depth + 1))
                return false;
            out.items.push_back(std::move(item));
            skip();
            if (eat(','))
                continue;
            if (eat(']'))
                return true;
            return fail("',' or ']' expected");
        }
    }
    bool object(Json& out, int depth) {
        out.type = Json::Type::Object;
        ++m_i;
        skip();
        if (eat('}'))
            return true;
        for (;;) {
            skip();
            if (m_i >= m_t.size() || m_t[m_i] != '"')
                return fail("a quoted key expected");
            std::string key;
            if (!string(key))
                return false;
            skip();
            if (!eat(':'))
                return fail("':' expected");
            Json v;
            if (!value(v, depth + 1))
                return false;
            out.keys.push_back(std::move(key));
            out.values.push_back(std::move(v));
            skip();
            if (eat(','))
                continue;
            if (eat('}'))
                return true;
            return fail("',' or '}' expected");
        }
    }

    std::string_view m_t;
    std::size_t m_i = 0;
};

} // namespace

bool parseJson(std::string_view text, Json& out, std::string& error) {
    Parser p(text);
    bool ok = p.value(out, 0) && p.end();
    error = p.error;
    return ok;
}

std::string jsonString(std::string_view utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        auto u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (u < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", u);
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

JsonWriter& JsonWriter::member(std::string_view key) {
    if (m_count++)
        m_out += ',';
    m_out += jsonString(key);
    m_out += ':';
    return *this;
}

JsonWriter& JsonWriter::item() {
    if (m_count++)
        m_out += ',';
    return *this;
}

JsonWriter& JsonWriter::text(std::string_view key, std::string_view utf8) {
    member(key).m_out += jsonString(utf8);
    return *this;
}

JsonWriter& JsonWriter::number(std::string_view key, long long n) {
    member(key).m_out += std::to_string(n);
    return *this;
}

JsonWriter& JsonWriter::flag(std::string_view key, bool b) {
    member(key).m_out += b ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::json(std::string_view key, std::string_view written) {
    member(key).m_out += written;
    return *this;
}

JsonWriter& JsonWriter::text(std::string_view utf8) {
    item().m_out += jsonString(utf8);
    return *this;
}

JsonWriter& JsonWriter::number(long long n) {
    item().m_out += std::to_string(n);
    return *this;
}

JsonWriter& JsonWriter::json(std::string_view written) {
    item().m_out += written;
    return *this;
}

JsonWriter transcriptLine(std::string_view kind, std::string_view name, std::string_view title, std::string_view text) {
    JsonWriter w = JsonWriter::object();
    w.text("kind", kind).text("name", name).text("title", title).text("text", text);
    return w;
}

} // namespace zrv::ui
