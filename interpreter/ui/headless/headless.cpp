#include "interpreter/ui/headless/headless.h"

#include "platform/ansi.h"

#include <cctype>
#include <sstream>

namespace zrv::ui {

bool globMatch(std::string_view p, std::string_view t) {
    std::size_t pi = 0, ti = 0, star = std::string_view::npos, mark = 0;
    auto eq = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    while (ti < t.size()) {
        if (pi < p.size() && (p[pi] == '?' || (p[pi] != '*' && eq(p[pi], t[ti])))) {
            ++pi;
            ++ti;
        } else if (pi < p.size() && p[pi] == '*') {
            star = pi++;
            mark = ti;
        } else if (star != std::string_view::npos) {
            pi = star + 1;
            ti = ++mark;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi] == '*')
        ++pi;
    return pi == p.size();
}

Result<std::unique_ptr<HeadlessUi>> HeadlessUi::fromText(std::string_view answers) {
    std::unique_ptr<HeadlessUi> ui(new HeadlessUi());
    if (auto r = ui->load(answers); !r)
        return r.error();
    return ui;
}

Result<std::unique_ptr<HeadlessUi>> HeadlessUi::create(const std::optional<std::filesystem::path>& answers,
                                                       const std::optional<std::filesystem::path>& transcript) {
    std::string text;
    if (answers) {
        std::ifstream in(*answers, std::ios::binary);
        if (!in)
            return fail(WinError::FileNotFound, "cannot read the answer file " + answers->string());
        std::ostringstream ss;
        ss << in.rdbuf();
        text = ss.str();
    }
    auto ui = fromText(text);
    if (!ui)
        return fail(ui.code(), (answers ? answers->string() + ": " : std::string()) + ui.error().message);
    if (transcript) {
        (*ui)->m_out.open(*transcript, std::ios::binary | std::ios::trunc);
        if (!(*ui)->m_out)
            return fail(WinError::AccessDenied, "cannot write the transcript " + transcript->string());
    }
    return ui;
}

Result<void> HeadlessUi::load(std::string_view text) {
    int number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
            line.remove_suffix(1);
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t'))
            line.remove_prefix(1);
        if (line.empty() || line.front() == '#')
            continue;
        auto bad = [&](const std::string& why) {
            return fail(WinError::BadFormat, "line " + std::to_string(number) + ": " + why);
        };
        Json j;
        std::string error;
        if (!parseJson(line, j, error) || j.type != Json::Type::Object)
            return bad(error.empty() ? "an answer is one JSON object per line" : error);
        Answer a;
        for (std::size_t m = 0; m < j.keys.size(); ++m) {
            const std::string& key = j.keys[m];
            const Json& v = j.values[m];
            if (key == "kind" && v.isString()) {
                a.kind = v.text;
            } else if (key == "text" && v.isString()) {
                a.text = v.text;
            } else if (key == "title" && v.isString()) {
                a.title = v.text;
            } else if (key == "name" && v.isString()) {
                a.name = v.text;
            } else if (key == "cancel" && v.isNumber() && v.number >= 1) {
                a.cancel = static_cast<int>(v.number);
            } else if (key == "occurrence" && v.isNumber() && v.number >= 1) {
                a.occurrence = static_cast<int>(v.number);
            } else if (key == "result" && v.isNumber()) {
                a.result = static_cast<int>(v.number);
            } else if (key == "result" && v.isString()) {
                a.result = resultFromName(v.text);
                if (a.result == 0 && v.text.substr(0, 8) == "IDBUTTON")
                    a.result = 10 + std::atoi(v.text.c_str() + 8);
                if (a.result == 0 && v.text == "IDBACK")
                    a.result = 9;
                if (a.result == 0)
                    return bad("unknown result \"" + v.text + "\"");
            } else if (key == "variables" && v.type == Json::Type::Object) {
                for (std::size_t i = 0; i < v.keys.size(); ++i)
                    if (v.values[i].isString())
                        a.variables[v.keys[i]] = v.values[i].text;
            } else {
                return bad("unknown or ill-typed key \"" + key + "\"");
            }
        }
        if (a.kind == "copy") {
            if (a.cancel == 0)
                return bad("a copy answer needs \"cancel\": the transfer to cancel in");
            m_cancelAt = a.cancel;
            continue;
        }
        if (a.result == 0 && a.kind != "dialog")
            return bad("an answer needs a result");
        m_answers.push_back(std::move(a));
    }
    return {};
}

void HeadlessUi::openCopyDialog() {
    record("{\"kind\":\"copydialog\",\"name\":\"open\",\"title\":\"\",\"text\":\"\",\"result\":0}");
}

void HeadlessUi::closeCopyDialog(int status) {
    record("{\"kind\":\"copydialog\",\"name\":\"close\",\"title\":\"\",\"text\":\"\",\"result\":" +
           std::to_string(status) + ",\"gauge\":" + std::to_string(m_gaugePosition) + ",\"range\":" +
           std::to_string(m_gaugeRange) + "}");
}

void HeadlessUi::setGauge(std::int32_t range, std::int32_t position) {
    m_gaugeRange = range;
    m_gaugePosition = position;
}

void HeadlessUi::transferStarted(const std::string&, const std::string&) { ++m_transfers; }

void HeadlessUi::transferEnded(const std::string& source, const std::string& target, int status) {
    record("{\"kind\":\"transfer\",\"name\":\"\",\"title\":\"\",\"text\":" + jsonString(ansiToUtf8(source)) +
           ",\"source\":" + jsonString(ansiToUtf8(source)) + ",\"target\":" + jsonString(ansiToUtf8(target)) +
           ",\"result\":" + std::to_string(status) + "}");
}

void HeadlessUi::record(const std::string& json) {
    m_lines.push_back(json);
    if (m_out.is_open()) {
        m_out << json << "\n";
        m_out.flush();
    }
}

int HeadlessUi::messageBox(const MessageBoxRequest& request) {
    std::string text = ansiToUtf8(request.text);
    std::string title = ansiToUtf8(request.title);
    int result = request.kind == "prompt" ? Id::Cancel : defaultButton(request.style);
    std::string source = "default";
    if (request.kind == "error") {
        result = Id::Ok;
    } else {
        for (Answer& a : m_answers) {
            if (a.kind != request.kind || !globMatch(a.text, text) || !globMatch(a.title, title))
                continue;
            ++a.seen;
            if (a.occurrence != 0 && a.seen != a.occurrence)
                continue;
            result = a.result;
            source = "answers";
            break;
        }
    }
    if (request.kind == "prompt") {
        m_promptRepeats = request.text == m_lastPrompt ? m_promptRepeats + 1 : 1;
        m_lastPrompt = request.text;
        if (m_promptRepeats > kPromptRepeats) {
            result = Id::Cancel;
            source = "repeated";
        }
    }
    std::string json = "{\"kind\":" + jsonString(request.kind) + ",\"name\":\"\",\"title\":" + jsonString(title) +
                       ",\"text\":" + jsonString(text) + ",\"buttons\":" + jsonString(buttonsName(request.style)) +
                       ",\"icon\":" + jsonString(iconName(request.style)) + ",\"result\":" + std::to_string(result) +
                       ",\"answer\":" + jsonString(resultName(result)) + ",\"from\":" + jsonString(source);
    if (request.errorNumber)
        json += ",\"error\":" + std::to_string(request.errorNumber);
    json += "}";
    record(json);
    return result;
}

} // namespace zrv::ui
