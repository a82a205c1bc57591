// The script generator over random projects (any bytes and lengths in every
// text field, random lists, flags and disk layouts): never a crash; either a
// refusal, or a script whose every line fits the interpreter and tokenizes
// without an unclosed string.
#include "authoring/generator/generator.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/tokenizer.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>

using namespace zrv;
using namespace zrv::authoring;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    auto text = [&] { return in.ConsumeRandomLengthString(400); };
    ProjectData p = newProjectData(in.ConsumeIntegralInRange(0, 7), "c:\\d.bkd");
    p.title = text();
    p.appName = text();
    p.company = text();
    p.defaultPath = text();
    p.iniFile = text();
    p.diskLabel = in.ConsumeRandomLengthString(8);
    p.scriptName = in.ConsumeRandomLengthString(14);
    p.comments = text();
    p.welcome = in.ConsumeBool(), p.deinstall = in.ConsumeBool(), p.askPath = in.ConsumeBool();
    p.exclusiveOptions = in.ConsumeBool();
    p.extraSpace = in.ConsumeIntegral<std::uint32_t>();
    p.groupCaption = text();
    for (int& g : p.group)
        g = in.ConsumeIntegralInRange(0, 1);
    for (auto& t : p.texts)
        if (in.ConsumeBool())
            t = text();
    for (auto& b : p.backdrops)
        if (in.ConsumeBool())
            b = text();
    // Developer code is the developer's script, except the de-install slots,
    // which the generator escapes.
    p.userCode[7] = text();
    p.userCode[8] = text();
    p.options.assign(in.ConsumeIntegralInRange(1, 15), "");
    for (auto& o : p.options)
        o = text();
    p.directories.assign(in.ConsumeIntegralInRange(1, 16), "");
    for (auto& d : p.directories)
        d = text();
    p.bitmaps.assign(in.ConsumeIntegralInRange(0, 3), {});
    for (auto& b : p.bitmaps)
        b.path = text();
    generator::Input input;
    input.project = &p;
    for (auto& b : p.bitmaps) {
        (void)b;
        input.layout.bitmaps.push_back(in.ConsumeIntegralInRange(1, 9));
    }
    const int files = in.ConsumeIntegralInRange(0, 12);
    for (int i = 0; i < files; ++i) {
        FileEntry e;
        e.source = text(), e.target = text(), e.comment = text(), e.cueCard = text(), e.iconText = text();
        e.iconParams = text(), e.iconFile = text(), e.workDir = text(), e.overText = text();
        e.actionParams = text(), e.extension = in.ConsumeRandomLengthString(5);
        e.unprotect = in.ConsumeBool(), e.protect = in.ConsumeBool(), e.makeIcon = in.ConsumeBool();
        e.checkInUse = in.ConsumeBool(), e.overwrite = in.ConsumeIntegralInRange(0, 4);
        e.usage = in.ConsumeBool(), e.compress = in.ConsumeBool(), e.optional = in.ConsumeBool();
        e.included = in.ConsumeBool(), e.shared = in.ConsumeBool(), e.action = in.ConsumeIntegralInRange(0, 7);
        e.iconIndex = in.ConsumeIntegral<int>();
        e.options = in.ConsumeIntegral<std::uint32_t>();
        p.files.push_back(e);
        const int first = in.ConsumeIntegralInRange(1, 99);
        input.layout.files.push_back({first, first + in.ConsumeIntegralInRange(0, 3)});
        input.sizes.push_back(in.ConsumeIntegral<std::uint32_t>());
    }
    input.layout.cleanupDisk = in.ConsumeIntegralInRange(1, 99);
    for (std::size_t i = 0; i < p.objects.size(); ++i)
        input.objects.push_back({true, "DEFAULTBACKDROP", {"CreateBackdrop(\"DEFAULTBACKDROP\")", "EndObject()", "", ""}});
    input.options.time = in.ConsumeIntegral<std::int32_t>();
    input.options.utc = true;

    auto g = generator::generate(input);
    if (!g.output)
        return 0;
    const std::string& script = g.output->script;
    engine::StringPool strings;
    engine::NumberPool numbers;
    for (std::size_t start = 0; start < script.size();) {
        const auto end = script.find("\r\n", start);
        if (end == std::string::npos)
            std::abort(); // every line ends in CR LF
        const std::string_view line(script.data() + start, end - start);
        if (line.size() > generator::kMaxScriptLine)
            std::abort();
        engine::TokenLine tokens;
        if (engine::Tokenize(tokens, line, strings, numbers, [](std::string_view) { return std::string(); }) ==
            engine::kErrInvalidString)
            std::abort();
        start = end + 2;
    }
    return 0;
}
