#include "interpreter/ui/headless/headless.h"

#include "platform/base/ansi.h"

#include <cctype>
#include <cstdlib>
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
    std::unique_ptr<HeadlessUi> ui(new HeadlessUi());
    if (auto r = ui->setup(answers, transcript); !r)
        return r.error();
    return ui;
}

Result<void> HeadlessUi::setup(const std::optional<std::filesystem::path>& answers,
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
    if (auto r = load(text); !r)
        return fail(r.code(), (answers ? answers->string() + ": " : std::string()) + r.error().message);
    if (transcript) {
        m_out.open(*transcript, std::ios::binary | std::ios::trunc);
        if (!m_out)
            return fail(WinError::AccessDenied, "cannot write the transcript " + transcript->string());
    }
    return {};
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
    Ui::openCopyDialog();
    const CopyDialog& d = display().copy;
    record("{\"kind\":\"copydialog\",\"name\":\"open\",\"title\":" + jsonString(ansiToUtf8(d.title)) +
           ",\"text\":" + jsonString(ansiToUtf8(d.captions[0] + "|" + d.captions[1] + "|" + d.captions[2])) +
           ",\"result\":0}");
}

void HeadlessUi::closeCopyDialog(int status) {
    Ui::closeCopyDialog(status);
    const Gauge& g = display().copy.gauge;
    record("{\"kind\":\"copydialog\",\"name\":\"close\",\"title\":\"\",\"text\":" + jsonString(g.text()) +
           ",\"result\":" + std::to_string(status) + ",\"gauge\":" + std::to_string(g.position) +
           ",\"range\":" + std::to_string(g.range) + "}");
}

namespace {
std::string rectJson(const Rect& r) {
    return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "]";
}

std::string opsJson(const std::vector<DrawOp>& ops) {
    std::string out = "[";
    for (std::size_t i = 0; i < ops.size(); ++i)
        out += (i ? "," : "") + jsonString(ansiToUtf8(describe(ops[i])));
    return out + "]";
}
} // namespace

void HeadlessUi::changed(Window window) {
    Display& d = display();
    switch (window) {
    case Window::Main: {
        if (!d.main.visible) {
            record("{\"kind\":\"backdrop\",\"name\":\"\",\"title\":" + jsonString(ansiToUtf8(d.main.title)) +
                   ",\"text\":\"hidden\",\"result\":0}");
            break;
        }
        int error = 0;
        d.main.surface.client = d.metrics.mainClient();
        auto ops = RenderObject(d.objects, d.main.surface, d.metrics, measurer(), expander(), error);
        std::string icons = "[";
        for (std::size_t i = 0; i < d.main.surface.icons.size(); ++i) {
            const IconWindow& icon = d.main.surface.icons[i];
            icons += (i ? "," : "") + std::string("{\"name\":") + jsonString(ansiToUtf8(icon.name)) +
                     ",\"x\":" + std::to_string(icon.x) + ",\"y\":" + std::to_string(icon.y) + "}";
        }
        record("{\"kind\":\"backdrop\",\"name\":" + jsonString(ansiToUtf8(d.main.surface.objectName)) +
               ",\"title\":" + jsonString(ansiToUtf8(d.main.title)) + ",\"text\":\"shown\",\"result\":" +
               std::to_string(error) + ",\"ops\":" + opsJson(ops) + ",\"icons\":" + icons + "]}");
        break;
    }
    case Window::CueCard: {
        if (!d.cue.shown) {
            record("{\"kind\":\"cuecard\",\"name\":\"\",\"title\":\"\",\"text\":\"hidden\",\"result\":0}");
            break;
        }
        int error = 0;
        auto ops = RenderObject(d.objects, d.cue.surface, d.metrics, measurer(), expander(), error);
        record("{\"kind\":\"cuecard\",\"name\":" + jsonString(ansiToUtf8(d.cue.surface.objectName)) +
               ",\"title\":\"\",\"text\":\"shown\",\"result\":" + std::to_string(error) +
               ",\"rect\":" + rectJson(d.cue.rect) + ",\"ops\":" + opsJson(ops) + "}");
        break;
    }
    case Window::Wait:
        if (d.wait.shown || m_waitShown)
            record("{\"kind\":\"waitmessage\",\"name\":\"\",\"title\":" + jsonString(ansiToUtf8(d.wait.title)) +
                   ",\"text\":" + jsonString(ansiToUtf8(d.wait.shown ? d.wait.text : std::string())) +
                   ",\"result\":0,\"shown\":" + (d.wait.shown ? "true" : "false") +
                   ",\"rect\":" + rectJson(d.wait.window) + "}");
        m_waitShown = d.wait.shown;
        break;
    case Window::Copy: break;
    }
}

void HeadlessUi::apply(const Answer& a, Dialog& dialog) {
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

int HeadlessUi::runDialog(Dialog& dialog) {
    Outcome o = dialog.controller ? dialog.controller->init(dialog) : Outcome::endWith(Id::Cancel);
    int occurrence = nextOccurrence(dialog);
    std::string from = "default";
    if (!o.end) {
        dialogShown(dialog);
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
    } else {
        from = "init";
    }
    writeDialog(dialog, o.result, occurrence, from);
    return o.result;
}

void HeadlessUi::writeDialog(Dialog& dialog, int result, int occurrence, const std::string& from) {
    std::vector<DrawOp> ops;
    if (dialog.controller && from != "init")
        ops = dialog.controller->paint(dialog, measurer());
    const Metrics& m = display().metrics;
    std::string json = "{\"kind\":\"dialog\",\"name\":" + jsonString(ansiToUtf8(dialog.name)) +
                       ",\"title\":" + jsonString(ansiToUtf8(dialog.title)) + ",\"text\":\"\"" +
                       ",\"occurrence\":" + std::to_string(occurrence) + ",\"rect\":" + rectJson(dialog.window) +
                       ",\"controls\":[";
    for (std::size_t i = 0; i < dialog.items.size(); ++i) {
        const DialogItem& item = dialog.items[i];
        json += (i ? "," : "") + std::string("{\"type\":\"") + itemClassName(item.cls) +
                "\",\"id\":" + std::to_string(item.id) + ",\"rect\":" + rectJson(m.toPixels(item.du)) +
                ",\"text\":" + jsonString(ansiToUtf8(item.text));
        if (item.cls == ItemClass::ListBox || item.cls == ItemClass::ComboBox || item.isCheckBox() || item.isRadio())
            json += ",\"value\":" + jsonString(ansiToUtf8(item.value()));
        json += "}";
    }
    json += "],\"result\":" + std::to_string(result) + ",\"answer\":" + jsonString(resultName(result)) +
            ",\"from\":" + jsonString(from) + ",\"variables\":{";
    for (std::size_t i = 0; i < dialog.written.size(); ++i)
        json += (i ? "," : "") + jsonString(ansiToUtf8(dialog.written[i].first)) + ":" +
                jsonString(ansiToUtf8(dialog.written[i].second));
    json += "}";
    if (!ops.empty())
        json += ",\"ops\":" + opsJson(ops);
    json += "}";
    record(json);
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
    boxShown(request, result);
    writeBox(request, result, source);
    return result;
}

void HeadlessUi::writeBox(const MessageBoxRequest& request, int result, const std::string& source) {
    std::string json = "{\"kind\":" + jsonString(request.kind) + ",\"name\":\"\",\"title\":" +
                       jsonString(ansiToUtf8(request.title)) + ",\"text\":" + jsonString(ansiToUtf8(request.text)) +
                       ",\"buttons\":" + jsonString(buttonsName(request.style)) +
                       ",\"icon\":" + jsonString(iconName(request.style)) + ",\"result\":" + std::to_string(result) +
                       ",\"answer\":" + jsonString(resultName(result)) + ",\"from\":" + jsonString(source);
    if (request.errorNumber)
        json += ",\"error\":" + std::to_string(request.errorNumber);
    json += "}";
    record(json);
}

} // namespace zrv::ui
