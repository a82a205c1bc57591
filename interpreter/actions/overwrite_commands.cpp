// CONFIRMOVERWRITE(: whether a file may replace the one already there.
#include "interpreter/actions/actions.h"

#include "common/datetime.h"
#include "common/text.h"
#include "common/trace.h"
#include "interpreter/engine/engine.h"
#include "interpreter/ui/ui.h"
#include "platform/formats/peversion.h"
#include "platform/machine/machine.h"

#include <cstdio>
#include <optional>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

std::string num(long long n) { return std::to_string(n); }

// How the new file compares with the existing one: by version where both
// have one, else by date and time.
int newerThan(TraceLog& t, const std::optional<FileVersion>& vOld, const std::optional<FileVersion>& vNew,
              const FileInfo& old, const FileInfo& neu) {
    int compare;
    if (vOld && vNew) {
        t.WriteTrace("Both files have version info, using VER.DLL\r\n");
        auto ms = [](std::uint32_t x) { return static_cast<std::int32_t>(x); };
        if (vOld->fileMS == vNew->fileMS && vOld->fileLS == vNew->fileLS)
            compare = 0;
        else if (ms(vNew->fileMS) < ms(vOld->fileMS) || (vNew->fileMS == vOld->fileMS && ms(vNew->fileLS) < ms(vOld->fileLS)))
            compare = -1;
        else
            compare = 1;
    } else {
        std::int64_t a = unixFromFileTime(old.lastWrite), b = unixFromFileTime(neu.lastWrite);
        t.WriteTrace("Comparing via date/times\r\nExisting Date/Time: " + num(a) + "\r\nNew Date/Time:      " + num(b) + "\r\n");
        compare = b == a ? 0 : b < a ? -1 : 1;
    }
    return compare;
}

// The question, with the names, dates, times and sizes of both files in it.
std::string overwriteMessage(Engine& e, const std::string& message, const std::string& existing,
                             const std::string& fresh, const FileInfo& oldFile, const FileInfo& newFile) {
    std::string text = message.empty()
                           ? "Setup is attempting to overwrite:||$OLDFILE$|($OLDDATE$ $OLDTIME$ $OLDSIZE$ Bytes)||with:||"
                             "$NEWFILE$|($NEWDATE$ $NEWTIME$ $NEWSIZE$ Bytes)||Are you sure you wish to overwrite this file ?"
                           : message;
    ReplaceAll(text, "|", "\n");
    bool us = e.captions().index() == 1;
    auto date = [&](const FileInfo& f) {
        return DateTime::fromFileTime(f.lastWrite).FormatDateTime(us ? "MM/DD/YY" : "DD/MM/YY");
    };
    auto time = [&](const FileInfo& f) { return DateTime::fromFileTime(f.lastWrite).FormatDateTime("HH:XXA"); };
    ReplaceAll(text, "$OLDFILE$", existing);
    ReplaceAll(text, "$NEWFILE$", fresh);
    ReplaceAll(text, "$OLDDATE$", date(oldFile));
    ReplaceAll(text, "$NEWDATE$", date(newFile));
    ReplaceAll(text, "$OLDTIME$", time(oldFile));
    ReplaceAll(text, "$NEWTIME$", time(newFile));
    ReplaceAll(text, "$OLDSIZE$", num(static_cast<long long>(oldFile.size)));
    ReplaceAll(text, "$NEWSIZE$", num(static_cast<long long>(newFile.size)));
    return text;
}

int handleConfirmOverwrite(Engine& e, StatementLine& s) {
    for (int k = 1; k <= 3; ++k)
        if (int err = s.expectString(k))
            return err;
    if (int err = s.expectNumberToken(4))
        return err;
    std::string existing = s.GetStringParam(1), fresh = s.GetStringParam(2), message = s.GetStringParam(3);
    std::int32_t mode = s.GetNumericParam(4).value();
    Machine& m = e.machine();
    TraceLog& t = e.trace();
    auto entryOf = [&](const std::string& path) -> std::optional<FileInfo> {
        auto found = m.findFiles(path);
        if (!found || found->empty()) {
            t.WriteTrace(path + " - not found\r\n");
            return std::nullopt;
        }
        return (*found)[0];
    };
    auto old = entryOf(existing);
    auto neu = old ? entryOf(fresh) : std::nullopt;
    if (!old || !neu)
        return e.SetVariableNumber("ERROR", ui::Id::Yes);
    auto version = [&](const std::string& path) {
        auto v = fileVersion(m, path);
        t.WriteTrace("Checking File Version: " + path);
        if (v) {
            char buf[96];
            std::snprintf(buf, sizeof buf, " %08x %08x %d.%d.%d.%d\r\n", v->fileMS, v->fileLS, v->major(), v->minor(),
                          v->build(), v->revision());
            t.WriteTrace(buf);
        } else {
            t.WriteTrace(" File has no version info\r\n");
        }
        return v;
    };
    auto vOld = version(existing), vNew = version(fresh);
    int compare = newerThan(t, vOld, vNew, *old, *neu); // <0: new is older, 0: the same, >0: new is newer
    int answer;
    if (compare == 0) {
        t.WriteTrace("Both files same - don't copy\r\n");
        answer = ui::Id::No;
    } else if (mode == 2 || (mode != 0 && compare > 0)) {
        if (compare < 0)
            t.WriteTrace("New file is older\r\n");
        answer = compare > 0 ? ui::Id::Yes : ui::Id::No;
    } else {
        t.WriteTrace(mode == 0 ? "Always ask\r\n" : "New file is older\r\n");
        t.WriteTrace("Ask for overwrite conformation\r\n");
        std::string text = overwriteMessage(e, message, existing, fresh, *old, *neu);
        ui::MessageBoxRequest box;
        box.title = e.variables().GetVariable("CAPTION");
        box.text = text;
        box.style = ui::Mb::YesNo | ui::Mb::IconQuestion | ui::Mb::DefButton2;
        e.ui().endWaitCursor();
        answer = e.ui().messageBox(box);
        e.ui().beginWaitCursor();
    }
    t.WriteTrace(std::string("Overwrite confirm complete\r\n") +
                 (answer == ui::Id::Yes ? "Yes - do overwrite\r\n" : "No - don't overwrite\r\n"));
    return e.SetVariableNumber("ERROR", answer);
}

} // namespace

void registerOverwriteCommands(Engine& engine) { engine.registerHandler(Keyword::ConfirmOverwrite, handleConfirmOverwrite); }

} // namespace zrv::actions
