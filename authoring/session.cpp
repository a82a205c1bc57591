#include "authoring/session.h"
#include "authoring/workbench/model/settings.h"

#include "authoring/project/objectfile.h"
#include "common/scripttext.h"
#include "common/system.h"
#include "common/text.h"
#include "platform/base/ansi.h"

#include <cstdio>

namespace zrv::authoring {

void printMessage(const Message& m) {
    std::string text(plain(m.text));
    for (char& c : text)
        if (c == '\n')
            c = ' ';
    ReplaceAll(text, "  ", " ");
    std::string where;
    auto add = [&](const std::string& part) {
        if (part.empty())
            return;
        where += where.empty() ? "" : ", ";
        where += part;
    };
    add(m.file);
    add(m.line ? "line " + std::to_string(m.line) : "");
    add(m.key);
    std::fprintf(stderr, "zrva32: %s%s\n", ansiToUtf8(text).c_str(),
                 where.empty() ? "" : (" (" + ansiToUtf8(where) + ")").c_str());
}

int refused(const Refusal& r) {
    Message m;
    // The refusal's own text: it carries the names and numbers put in.
    m.text = r.message.empty() ? std::string(messageText(r.number)) : r.message;
    m.key = r.key;
    printMessage(m);
    return kExitFailure;
}

std::unique_ptr<Session> startSession(const std::filesystem::path& dir, int& status, const ProgramMappings& programs) {
    auto machine = openMachine(dir, programs);
    if (!machine) {
        status = failure(machine.error().describe());
        return nullptr;
    }
    auto owner = std::make_unique<Session>();
    Session& s = *owner;
    s.machine = std::move(*machine);
    s.settings = std::make_unique<SettingsStore>(*s.machine);
    const std::string backdrop = workbench::WorkbenchSettings(*s.settings).defaultBackdrop();
    if (equalNoCase(backdrop, kDefaultBackdropPath))
        if (auto r = ensureDefaultBackdrop(*s.machine, backdrop); !r)
            std::fprintf(stderr, "zrva32: warning: cannot write the default backdrop %s: %s\n", backdrop.c_str(),
                         r.error().describe().c_str());
    Prompts prompts;
    Session* self = &s;
    prompts.ask = [self](const Message& m) {
        if (m.number == 10005) {
            if (!self->relocateAnswer) {
                printMessage(m);
                std::fprintf(stderr, "zrva32: answered No: the paths stay as they are; 'zrva32 relocate' "
                                     "rebuilds them\n");
            }
            return self->relocateAnswer ? Answer::Yes : Answer::No;
        }
        if (m.buttons == Buttons::YesNo || m.buttons == Buttons::YesNoCancel)
            return Answer::Yes; // confirmations: the command asked for it
        printMessage(m);
        return Answer::Ok;
    };
    const int language = languageForCountry(CountryCode(*s.machine));
    s.project = std::make_unique<Project>(*s.machine, std::move(prompts), backdrop, language);
    return owner;
}


} // namespace zrv::authoring
