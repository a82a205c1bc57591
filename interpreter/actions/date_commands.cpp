// SETFILEATTR( ... GETTIME(: attributes, dates, times and lengths of files.
#include "interpreter/actions/actions.h"

#include "common/datetime.h"
#include "common/fileaccess.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "platform/machine/machine.h"

#include <cstdlib>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {


// The last-write time of an existing file as a local date-time, or nothing.
std::optional<DateTime> lastWrite(Machine& m, const std::string& file) {
    auto f = m.openFile(file, Access::Read, Disposition::OpenExisting);
    if (!f)
        return std::nullopt;
    auto t = f->lastWriteTime();
    if (!t)
        return std::nullopt;
    return DateTime::fromFileTime(*t);
}

// SETFILEDATE( and SETFILETIME(: three numbers at character 0, 3 and 6 of the
// text replace the date or the time of day; stored at two-second resolution.
enum class Part { Date, Time };

int setPart(Engine& e, StatementLine& s, Part which) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::string file = s.GetStringParam(1), text = s.GetStringParam(2);
    if (int r = e.SetVariable("ERROR", "1"))
        return r;
    Machine& m = e.machine();
    auto f = m.openFile(file, Access::ReadWrite, Disposition::OpenExisting);
    if (!f)
        return 0;
    auto t = f->lastWriteTime();
    if (!t)
        return 0;
    DateTime old = DateTime::fromFileTime(*t);
    auto part = [&](std::size_t at) { return at < text.size() ? std::atoi(text.c_str() + at) : 0; };
    DateTime next;
    int status = which == Part::Date ? next.SetDateTime(1900 + part(6), part(3), part(0), old.hour(), old.minute(), old.second() & ~1)
                      : next.SetDateTime(old.year(), old.month(), old.day(), part(0), part(3), part(6) & ~1);
    // A text the date rules refuse leaves the file's time as it was, and ERROR at 1.
    if (status != kDateOk)
        return 0;
    if (!f->setLastWriteTime(next.AsFileTime()))
        return 0;
    return e.SetVariable("ERROR", "0");
}

int handleSetFileAttr(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    for (int k = 2; k <= 5; ++k)
        if (int err = s.expectNumberToken(k))
            return err;
    std::string file = s.GetStringParam(1);
    std::uint32_t bits[] = {FileAttribute::ReadOnly, FileAttribute::Hidden, FileAttribute::System, FileAttribute::Archive};
    std::uint32_t attributes = 0;
    for (int k = 2; k <= 5; ++k)
        if (s.GetNumericParam(k).value() != 0)
            attributes |= bits[k - 2];
    (void)FileAccess::SetAttributes(e.machine(), file, attributes == 0 ? FileAttribute::Normal : attributes);
    return 0;
}

int handleGetFileAttr(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    for (int k = 2; k <= 5; ++k)
        if (int err = s.expectVariable(k))
            return err;
    std::string file = s.GetStringParam(1);
    std::string names[4];
    for (int k = 2; k <= 5; ++k)
        names[k - 2] = s.name(k);
    if (int r = e.SetVariableNumber("ERROR", 1))
        return r;
    std::uint32_t attributes = FileAccess::GetAttributes(e.machine(), file);
    if (attributes == kInvalidAttributes)
        return 0;
    std::uint32_t bits[] = {FileAttribute::ReadOnly, FileAttribute::Hidden, FileAttribute::System, FileAttribute::Archive};
    for (int i = 0; i < 4; ++i)
        if (int r = e.SetVariableNumber(names[i], (attributes & bits[i]) ? 1 : 0))
            return r;
    return e.SetVariableNumber("ERROR", 0);
}

int handleGetFileLength(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    auto found = e.machine().findFiles(s.GetStringParam(1));
    std::int32_t size = found && !found->empty() ? static_cast<std::int32_t>((*found)[0].size) : -1;
    return e.SetVariableNumber("ERROR", size);
}

int handleGetFileDate(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectVariable(2))
        return err;
    bool hasFormat = s.param(3) != 0 && s.param(3) != ')';
    if (hasFormat)
        if (int err = s.expectNumberToken(3))
            return err;
    std::string file = s.GetStringParam(1);
    std::string result = s.name(2);
    std::int32_t format = hasFormat ? s.GetNumericParam(3).value() : 0;
    if (int r = e.SetVariableNumber("ERROR", 1))
        return r;
    auto when = lastWrite(e.machine(), file);
    if (!when)
        return 0;
    if (format != 0 && format != 1)
        return static_cast<int>(engine::kErrDateFormat);
    if (int r = e.SetVariableNumber("ERROR", 0))
        return r;
    return e.SetVariable(result, when->FormatDate(false, format == 0 ? 0 : 2));
}

int handleGetFileTime(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectVariable(2))
        return err;
    std::string file = s.GetStringParam(1);
    std::string result = s.name(2);
    if (int r = e.SetVariableNumber("ERROR", 1))
        return r;
    auto when = lastWrite(e.machine(), file);
    if (!when)
        return 0;
    if (int r = e.SetVariableNumber("ERROR", 0))
        return r;
    return e.SetVariable(result, when->FormatTime(0));
}

int handleGetDate(Engine& e, StatementLine& s) {
    if (int err = s.expectVariable(1))
        return err;
    bool hasFormat = s.param(2) != 0 && s.param(2) != ')';
    if (hasFormat)
        if (int err = s.expectNumberToken(2))
            return err;
    std::string result = s.name(1);
    std::int32_t format = hasFormat ? s.GetNumericParam(2).value() : 0;
    if (format != 0 && format != 1)
        return static_cast<int>(engine::kErrDateFormat);
    return e.SetVariable(result, DateTime::now().FormatDate(false, format == 0 ? 0 : 2));
}

int handleGetTime(Engine& e, StatementLine& s) {
    if (int err = s.expectVariable(1))
        return err;
    return e.SetVariable(s.name(1), DateTime::now().FormatTime(0));
}

int handleSetFileDate(Engine& e, StatementLine& s) { return setPart(e, s, Part::Date); }

int handleSetFileTime(Engine& e, StatementLine& s) { return setPart(e, s, Part::Time); }

} // namespace

void registerDateCommands(Engine& engine) {
    engine.registerHandler(Keyword::SetFileAttr, handleSetFileAttr);
    engine.registerHandler(Keyword::GetFileAttr, handleGetFileAttr);
    engine.registerHandler(Keyword::GetFileLength, handleGetFileLength);
    engine.registerHandler(Keyword::GetFileDate, handleGetFileDate);
    engine.registerHandler(Keyword::GetFileTime, handleGetFileTime);
    engine.registerHandler(Keyword::SetFileDate, handleSetFileDate);
    engine.registerHandler(Keyword::SetFileTime, handleSetFileTime);
    engine.registerHandler(Keyword::GetDate, handleGetDate);
    engine.registerHandler(Keyword::GetTime, handleGetTime);
}

} // namespace zrv::actions
