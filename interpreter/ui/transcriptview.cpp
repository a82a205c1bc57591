#include "interpreter/ui/transcriptview.h"

#include "interpreter/ui/json.h"

namespace zrv::ui {

namespace {

std::string field(const Json& line, std::string_view key) {
    const Json* v = line.get(key);
    return v && v->isString() ? v->text : std::string();
}

int number(const Json& line, std::string_view key) {
    const Json* v = line.get(key);
    return v && v->isNumber() ? static_cast<int>(v->number) : 0;
}

// "&Continue" as the button reads.
std::string caption(std::string text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (text[i] != '&' || (i + 1 < text.size() && text[i + 1] == '&' && ++i))
            out += text[i];
    return out;
}

std::string firstLine(const std::string& text) {
    std::size_t start = text.find_first_not_of("\n");
    if (start == std::string::npos)
        return "";
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    return end == std::string::npos ? line : line + " ...";
}

// The answer and who gave it: "Yes (answer file)".
std::string answered(const Json& line, const std::string& shown) {
    const std::string from = field(line, "from");
    std::string who = from == "answers" ? "answer file" : from == "default" ? "default button" : from;
    return shown + (who.empty() ? "" : " (" + who + ")");
}

// The text of the button whose identifier ended a dialog, else its name.
std::string dialogButton(const Json& line) {
    const int result = number(line, "result");
    if (const Json* controls = line.get("controls"))
        for (const Json& c : controls->items)
            if (number(c, "id") == result && field(c, "type") == "button" && !field(c, "text").empty())
                return caption(field(c, "text"));
    std::string answer = field(line, "answer");
    return answer.empty() ? std::to_string(result) : answer;
}

std::string buttonName(const std::string& answer) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"IDOK", "OK"},       {"IDCANCEL", "Cancel"}, {"IDABORT", "Abort"}, {"IDRETRY", "Retry"},
        {"IDIGNORE", "Ignore"}, {"IDYES", "Yes"},     {"IDNO", "No"},       {"IDBACK", "Back"}};
    for (const auto& [id, name] : kNames)
        if (answer == id)
            return name;
    return answer;
}

} // namespace

std::string errorReportLines(const std::string& text) {
    std::string out;
    std::size_t start = 0;
    for (int paragraph = 0; start <= text.size(); ++paragraph) {
        std::size_t end = text.find("\n\n", start);
        std::string part = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        for (char& c : part)
            if (c == '\n' || c == '\r')
                c = ' ';
        out += paragraph == 0 ? part : paragraph == 1 ? " " + part : "\n  " + part;
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    return out;
}

std::string describeTranscriptLine(const Json& line) {
    const std::string kind = field(line, "kind"), name = field(line, "name"), text = field(line, "text");
    const int result = number(line, "result");
    if (kind == "setupdat")
        return "SETUP.DAT: " + text;
    if (kind == "hidesetup")
        return "The Setup window is hidden";
    if (kind == "backdrop")
        return text == "shown" ? "Backdrop shown: " + (name.empty() ? std::string("(none)") : name)
                               : "Backdrop hidden";
    if (kind == "cuecard")
        return text == "shown" ? "Cue card shown: " + name : "Cue card hidden";
    if (kind == "waitmessage") {
        const Json* shown = line.get("shown");
        return shown && shown->boolean ? "Wait message: " + firstLine(text) : "Wait message hidden";
    }
    if (kind == "dialog")
        return name + " dialog: " + answered(line, dialogButton(line));
    if (kind == "messagebox")
        return "Message box \"" + firstLine(text) + "\": " + answered(line, buttonName(field(line, "answer")));
    if (kind == "error")
        return "Error report: " + errorReportLines(text);
    if (kind == "prompt")
        return "Disk prompt \"" + firstLine(text) + "\": " + answered(line, buttonName(field(line, "answer")));
    if (kind == "disk")
        return "Disk " + text + " put in " + name;
    if (kind == "copydialog")
        return name == "open" ? "Copy dialog opened"
                              : "Copy dialog closed at " + (text.empty() ? std::string("0%") : text) +
                                    (result ? " (status " + std::to_string(result) + ")" : "");
    if (kind == "transfer")
        return "Copying " + field(line, "source") + " to " + field(line, "target") +
               (result ? " failed (status " + std::to_string(result) + ")" : "");
    if (kind == "debug")
        return "Debugger stop at line " + std::to_string(number(line, "line")) + " of " + name + ": " +
               answered(line, field(line, "answer"));
    if (kind == "warning")
        return "Warning: " + text;
    return kind + (name.empty() ? "" : " " + name) + (text.empty() ? "" : ": " + firstLine(text));
}

std::vector<std::string> describeTranscript(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        std::string_view raw = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        start = end == std::string_view::npos ? text.size() : end + 1;
        if (raw.empty())
            continue;
        Json line;
        std::string error;
        if (!parseJson(raw, line, error)) {
            out.push_back("(line " + std::to_string(number) + " is not a transcript line: " + error + ")");
            continue;
        }
        if (std::string s = describeTranscriptLine(line); !s.empty())
            out.push_back(std::move(s));
    }
    return out;
}

} // namespace zrv::ui
