#include "interpreter/ui/transcript.h"

#include "interpreter/ui/json.h"
#include "platform/base/ansi.h"

namespace zrv::ui {

namespace {

std::string rectJson(const Rect& r) {
    return JsonWriter::array().number(r.left).number(r.top).number(r.right).number(r.bottom).str();
}

std::string opsJson(const std::vector<DrawOp>& ops) {
    JsonWriter out = JsonWriter::array();
    for (const DrawOp& op : ops)
        out.text(ansiToUtf8(describe(op)));
    return out.str();
}

} // namespace

Result<void> Transcript::open(const std::filesystem::path& file) {
    m_out.open(file, std::ios::binary | std::ios::trunc);
    if (!m_out)
        return fail(WinError::AccessDenied, "cannot write the transcript " + file.string());
    return {};
}

void Transcript::record(const std::string& json) {
    if (m_keep)
        m_lines.push_back(json);
    if (m_out.is_open()) {
        m_out << json << "\n";
        m_out.flush();
    }
}

void Transcript::box(const MessageBoxRequest& request, int result, std::string_view from) {
    JsonWriter line = transcriptLine(request.kind, "", ansiToUtf8(request.title), ansiToUtf8(request.text));
    line.text("buttons", buttonsName(request.style))
        .text("icon", iconName(request.style))
        .number("result", result)
        .text("answer", resultName(result))
        .text("from", from);
    if (request.errorNumber)
        line.number("error", request.errorNumber);
    record(line.str());
}

void Transcript::dialog(Dialog& dialog, int result, int occurrence, std::string_view from, const Metrics& metrics,
                        const TextMeasurer& measurer) {
    std::vector<DrawOp> ops;
    if (dialog.controller && from != "init")
        ops = dialog.controller->paint(dialog, measurer);
    JsonWriter controls = JsonWriter::array();
    for (const DialogItem& item : dialog.items) {
        JsonWriter c = JsonWriter::object();
        c.text("type", itemClassName(item.cls))
            .number("id", item.id)
            .json("rect", rectJson(metrics.toPixels(item.du)))
            .text("text", ansiToUtf8(item.text));
        if (item.cls == ItemClass::ListBox || item.cls == ItemClass::ComboBox || item.isCheckBox() || item.isRadio())
            c.text("value", ansiToUtf8(item.value()));
        controls.json(c.str());
    }
    JsonWriter variables = JsonWriter::object();
    for (const auto& [name, value] : dialog.written)
        variables.text(ansiToUtf8(name), ansiToUtf8(value));
    JsonWriter line = transcriptLine("dialog", ansiToUtf8(dialog.name), ansiToUtf8(dialog.title), "");
    line.number("occurrence", occurrence)
        .json("rect", rectJson(dialog.window))
        .json("controls", controls.str())
        .number("result", result)
        .text("answer", resultName(result))
        .text("from", from)
        .json("variables", variables.str());
    if (!ops.empty())
        line.json("ops", opsJson(ops));
    record(line.str());
}

void Transcript::copyOpened(const CopyDialog& d) {
    record(transcriptLine("copydialog", "open", ansiToUtf8(d.title),
                          ansiToUtf8(d.captions[0] + "|" + d.captions[1] + "|" + d.captions[2]))
               .number("result", 0)
               .str());
}

void Transcript::copyClosed(const Gauge& g, int status) {
    record(transcriptLine("copydialog", "close", "", g.text())
               .number("result", status)
               .number("gauge", g.position)
               .number("range", g.range)
               .str());
}

void Transcript::debugStop(const DebugView& view, int result, std::string_view from) {
    JsonWriter parameters = JsonWriter::array(), variables = JsonWriter::array();
    JsonWriter* into = nullptr;
    for (const std::string& c : view.commands()) {
        if (c == "Parameters")
            into = &parameters;
        else if (c == "Variables")
            into = &variables;
        else if (into)
            into->text(ansiToUtf8(c.substr(c.find_first_not_of(' '))));
    }
    const char* answer = debugResultName(result);
    record(transcriptLine("debug", ansiToUtf8(view.file), ansiToUtf8(view.title), ansiToUtf8(view.statement))
               .number("line", view.current)
               .json("parameters", parameters.str())
               .json("variables", variables.str())
               .text("message", ansiToUtf8(view.message))
               .number("result", result)
               .text("answer", answer)
               .text("from", from)
               .str());
}

void Transcript::transfer(const std::string& source, const std::string& target, int status) {
    if (!wanted())
        return; // one a file: not made for nobody
    record(transcriptLine("transfer", "", "", ansiToUtf8(source))
               .text("source", ansiToUtf8(source))
               .text("target", ansiToUtf8(target))
               .number("result", status)
               .str());
}

void Transcript::changed(Display& d, Ui::Window window, const TextMeasurer& measurer, const Ui::Expander& expand) {
    switch (window) {
    case Ui::Window::Main: {
        if (!d.main.visible) {
            record(transcriptLine("backdrop", "", ansiToUtf8(d.main.title), "hidden").number("result", 0).str());
            break;
        }
        int error = 0;
        d.main.surface.client = d.metrics.mainClient();
        auto ops = RenderObject(d.objects, d.main.surface, d.metrics, measurer, expand, error);
        JsonWriter icons = JsonWriter::array();
        for (const IconWindow& icon : d.main.surface.icons)
            icons.json(
                JsonWriter::object().text("name", ansiToUtf8(icon.name)).number("x", icon.x).number("y", icon.y).str());
        record(transcriptLine("backdrop", ansiToUtf8(d.main.surface.objectName), ansiToUtf8(d.main.title), "shown")
                   .number("result", error)
                   .json("ops", opsJson(ops))
                   .json("icons", icons.str())
                   .str());
        break;
    }
    case Ui::Window::CueCard: {
        if (!d.cue.shown) {
            record(transcriptLine("cuecard", "", "", "hidden").number("result", 0).str());
            break;
        }
        int error = 0;
        auto ops = RenderObject(d.objects, d.cue.surface, d.metrics, measurer, expand, error);
        record(transcriptLine("cuecard", ansiToUtf8(d.cue.surface.objectName), "", "shown")
                   .number("result", error)
                   .json("rect", rectJson(d.cue.rect))
                   .json("ops", opsJson(ops))
                   .str());
        break;
    }
    case Ui::Window::Wait:
        if (d.wait.shown || m_waitShown)
            record(transcriptLine("waitmessage", "", ansiToUtf8(d.wait.title),
                                  ansiToUtf8(d.wait.shown ? d.wait.text : std::string()))
                       .number("result", 0)
                       .flag("shown", d.wait.shown)
                       .json("rect", rectJson(d.wait.window))
                       .str());
        m_waitShown = d.wait.shown;
        break;
    case Ui::Window::Copy: break;
    }
}

} // namespace zrv::ui
