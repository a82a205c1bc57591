#include "interpreter/ui/answers.h"

#include "interpreter/ui/json.h"
#include "platform/base/ansi.h"

#include <cctype>
#include <cstdlib>
#include <fstream>
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

namespace {
// {"50":"text", ...}: values by control identifier.
bool controlValues(const Json& v, std::map<int, std::string>& out) {
    for (std::size_t i = 0; i < v.keys.size(); ++i) {
        char* end = nullptr;
        long id = std::strtol(v.keys[i].c_str(), &end, 10);
        if (v.keys[i].empty() || *end != 0 || !v.values[i].isString())
            return false;
        out[static_cast<int>(id)] = utf8ToAnsiLossy(v.values[i].text);
    }
    return true;
}
} // namespace

Result<Answers::Answer> Answers::parseLine(std::string_view line) {
    auto bad = [](const std::string& why) { return fail(WinError::BadFormat, why); };
    Json j;
    std::string error;
    if (!parseJson(line, j, error) || j.type != Json::Type::Object)
        return bad(error.empty() ? "an answer is one JSON object per line" : error);
    Answer a;
    const Json* kind = j.get("kind");
    const bool debug = kind && kind->isString() && kind->text == "debug";
    for (std::size_t m = 0; m < j.keys.size(); ++m) {
        const std::string& key = j.keys[m];
        const Json& v = j.values[m];
        if (debug && key == "result") {
            // The debugger's buttons by name, or by identifier.
            a.result = v.isNumber() ? static_cast<int>(v.number) : 0;
            for (int id : {kDebugStep, kDebugRun, kDebugCancel})
                if (v.isString() && v.text == debugResultName(id))
                    a.result = id;
            if (a.result != kDebugStep && a.result != kDebugRun && a.result != kDebugCancel)
                return bad("a debug answer's result is \"step\", \"run\" or \"cancel\"");
        } else if (debug && key == "line" && v.isNumber() && v.number >= 1) {
            a.line = static_cast<std::uint32_t>(v.number);
        } else if (debug && key == "steps" && v.type == Json::Type::Array) {
            for (const Json& item : v.items) {
                const Json* command = item.get("command");
                const Json* at = item.get("line");
                if (item.type != Json::Type::Object || !command || !command->isString() ||
                    (command->text != "breakpoint" && command->text != "setnext" && command->text != "clearall") ||
                    (command->text != "clearall" && (!at || !at->isNumber() || at->number < 1)))
                    return bad("a debug step is {\"command\":\"breakpoint\"|\"setnext\",\"line\":N} or "
                               "{\"command\":\"clearall\"}");
                a.debugSteps.push_back({command->text, at ? static_cast<std::uint32_t>(at->number) : 0});
            }
        } else if (key == "kind" && v.isString()) {
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
            if (a.result == 0)
                return bad("unknown result \"" + v.text + "\"");
        } else if (key == "variables" && v.type == Json::Type::Object) {
            for (std::size_t i = 0; i < v.keys.size(); ++i) {
                if (!v.values[i].isString())
                    return bad("the value of variable \"" + v.keys[i] + "\" is not a string");
                a.variables[upperAnsi(utf8ToAnsiLossy(v.keys[i]))] = utf8ToAnsiLossy(v.values[i].text);
            }
        } else if (key == "controls" && v.type == Json::Type::Object) {
            if (!controlValues(v, a.controls))
                return bad("controls are named by number and given string values");
        } else if (key == "steps" && v.type == Json::Type::Array) {
            for (const Json& item : v.items) {
                const Json* id = item.get("id");
                const Json* value = item.get("value");
                const Json* event = item.get("event");
                if (item.type != Json::Type::Object || !id || !id->isNumber() || (value && !value->isString()) ||
                    (event && !event->isString()))
                    return bad("a step is {\"id\":N} with an optional \"value\", \"controls\" and \"event\"");
                Answer::Step step;
                step.id = static_cast<int>(id->number);
                if (const Json* controls = item.get("controls");
                    controls && (controls->type != Json::Type::Object || !controlValues(*controls, step.controls)))
                    return bad("a step's controls are named by number and given string values");
                if (value)
                    step.value = utf8ToAnsiLossy(value->text);
                std::string e = event ? event->text : "click";
                if (e == "double")
                    step.event = Event::DoubleClicked;
                else if (e == "select")
                    step.event = Event::SelectionChanged;
                else if (e != "click")
                    return bad("a step's event is click, double or select");
                a.steps.push_back(std::move(step));
            }
        } else {
            return bad("unknown or ill-typed key \"" + key + "\"");
        }
    }
    if (a.kind == "copy" && a.cancel == 0)
        return bad("a copy answer needs \"cancel\": the transfer to cancel in");
    if (a.result == 0 && a.kind != "dialog" && a.kind != "copy" && a.kind != "debug")
        return bad("an answer needs a result");
    return a;
}

Result<Answers> Answers::parse(std::string_view text) {
    Answers out;
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
        auto a = parseLine(line);
        if (!a)
            return fail(WinError::BadFormat, "line " + std::to_string(number) + ": " + a.error().message);
        if (a->kind == "copy") {
            out.m_cancelAt = a->cancel;
            continue;
        }
        out.m_answers.push_back(std::move(*a));
    }
    return out;
}

Result<Answers> Answers::read(const std::optional<std::filesystem::path>& file) {
    if (!file)
        return Answers();
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        return fail(WinError::FileNotFound, "cannot read the answer file " + file->string());
    std::ostringstream ss;
    ss << in.rdbuf();
    auto answers = parse(ss.str());
    if (!answers)
        return fail(answers.code(), file->string() + ": " + answers.error().message);
    return answers;
}

void Answers::apply(const Answer& a, Dialog& dialog) {
    for (const auto& [id, value] : a.controls)
        dialog.setValue(id, value);
    for (const auto& [name, value] : a.variables) {
        // Radio buttons sharing one variable stand for its number, 1 for the first.
        std::vector<DialogItem*> bound;
        for (DialogItem& item : dialog.items)
            if (equalNoCase(item.variable, name))
                bound.push_back(&item);
        if (bound.size() > 1 && bound[0]->isRadio()) {
            int k = std::atoi(value.c_str());
            if (k >= 1 && k <= static_cast<int>(bound.size()))
                dialog.checkRadio(bound[static_cast<std::size_t>(k - 1)]->id);
            continue;
        }
        for (DialogItem* item : bound)
            dialog.setValue(*item, value);
    }
}

Answers::DebugChoice Answers::debugStop(const std::string& file, std::uint32_t line) {
    DebugChoice c;
    if (++m_debugStops > kDebugStops) {
        c.from = "repeated";
        return c;
    }
    for (Answer& a : m_answers) {
        if (a.kind != "debug" || !globMatch(a.name, ansiToUtf8(file)) || (a.line != 0 && a.line != line))
            continue;
        ++a.seen;
        if (a.occurrence != 0 && a.seen != a.occurrence)
            continue;
        c.result = a.result != 0 ? a.result : kDebugRun;
        c.from = "answers";
        c.steps = a.debugSteps;
        break;
    }
    return c;
}

int Answers::nextOccurrence(const Dialog& dialog) { return ++m_dialogsSeen[upperAnsi(dialog.name)]; }

Answers::Choice Answers::messageBox(const MessageBoxRequest& request) {
    std::string text = ansiToUtf8(request.text);
    std::string title = ansiToUtf8(request.title);
    Choice c{request.kind == "prompt" ? Id::Cancel : defaultButton(request.style), "default"};
    if (request.kind == "error") {
        c.result = Id::Ok;
    } else {
        for (Answer& a : m_answers) {
            if (a.kind != request.kind || !globMatch(a.text, text) || !globMatch(a.title, title))
                continue;
            ++a.seen;
            if (a.occurrence != 0 && a.seen != a.occurrence)
                continue;
            c = {a.result, "answers"};
            break;
        }
    }
    if (request.kind == "prompt") {
        m_promptRepeats = request.text == m_lastPrompt ? m_promptRepeats + 1 : 1;
        m_lastPrompt = request.text;
        if (m_promptRepeats > kPromptRepeats)
            c = {Id::Cancel, "repeated"};
    }
    return c;
}

Answers::Choice Answers::runDialog(Dialog& dialog, int occurrence, const std::function<void(Dialog&)>& shown) {
    Outcome o = dialog.controller ? dialog.controller->init(dialog) : Outcome::endWith(Id::Cancel);
    if (o.end)
        return {o.result, "init"};
    const char* from = "default";
    if (shown)
        shown(dialog);
    const Answer* chosen = nullptr;
    for (const Answer& a : m_answers) {
        if (a.kind == "dialog" && globMatch(a.name, ansiToUtf8(dialog.name)) &&
            (a.occurrence == 0 || a.occurrence == occurrence)) {
            chosen = &a;
            break;
        }
    }
    if (chosen) {
        from = "answers";
        for (const Answer::Step& step : chosen->steps) {
            Answer state;
            state.controls = step.controls;
            apply(state, dialog);
            if (step.value)
                dialog.setValue(step.id, *step.value);
            o = dialog.controller->command(dialog, step.id, step.event);
            if (o.end)
                break;
        }
        if (!o.end)
            apply(*chosen, dialog);
    }
    if (!o.end) {
        int press = chosen && chosen->result != 0 ? chosen->result : dialog.defaultId;
        o = dialog.controller->command(dialog, press, Event::Clicked);
    }
    if (!o.end) {
        // Nobody is there to try again: what the dialog refused ends in Cancel.
        from = "refused";
        o = dialog.controller->command(dialog, Id::Cancel, Event::Clicked);
        if (!o.end)
            o = Outcome::endWith(Id::Cancel);
    }
    return {o.result, from};
}

} // namespace zrv::ui
