// OPEN(, CLOSE(, READLINE(, WRITELINE(: ten numbered text streams.
#include "interpreter/actions/actions.h"

#include "common/fileaccess.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"

#include <array>
#include <memory>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

constexpr int kRead = 0, kWrite = 1, kAppend = 2;
constexpr std::size_t kMaxStreamLine = 255;

struct Stream {
    std::unique_ptr<FileAccess> file;
    int mode = kRead;
    bool open() const { return file && file->IsOpen(); }
};
using Streams = std::array<Stream, 10>;

int handleOpen(Engine& e, StatementLine& s, Streams& streams) {
    if (int err = s.expectString(1))
        return err;
    if (int err = s.expectNumberToken(2))
        return err;
    if (int err = s.expectNumberToken(3))
        return err;
    std::string file = s.GetStringParam(1);
    std::int32_t n = s.GetNumericParam(2).value();
    std::int32_t mode = s.GetNumericParam(3).value();
    if (n < 1 || n > 10)
        return static_cast<int>(engine::kErrStream);
    Stream& st = (streams)[static_cast<std::size_t>(n - 1)];
    if (st.open())
        return static_cast<int>(engine::kErrStreamInUse);
    if (mode < kRead || mode > kAppend)
        return static_cast<int>(engine::kErrFileMode);
    st.mode = mode;
    st.file = std::make_unique<FileAccess>(e.machine());
    bool ok;
    if (mode == kRead) {
        ok = st.file->Open(file, OpenFlag::Read) == 0;
    } else if (mode == kWrite) {
        ok = st.file->Create(file, OpenFlag::Write) == 0;
    } else {
        ok = st.file->Open(file, OpenFlag::ReadWrite) == 0;
        if (ok)
            st.file->Seek(0, 2);
        else
            ok = st.file->Create(file, OpenFlag::ReadWrite) == 0;
    }
    if (!ok)
        st.file.reset();
    return e.SetVariableNumber("ERROR", ok ? 0 : 1);
}

int handleClose(Engine&, StatementLine& s, Streams& streams) {
    unsigned char t = s.param(1);
    if (t == ')' || t == 0) {
        for (Stream& st : streams)
            st.file.reset();
    } else if (t == engine::kTokenNumber) {
        std::int32_t n = s.GetNumericParam(1).value();
        if (n >= 1 && n <= 10)
            (streams)[static_cast<std::size_t>(n - 1)].file.reset();
    }
    return 0;
}

int handleReadLine(Engine& e, StatementLine& s, Streams& streams) {
    if (int err = s.expectNumberToken(1))
        return err;
    if (int err = s.expectResultVariable(2))
        return err;
    std::int32_t n = s.GetNumericParam(1).value();
    std::string result = s.name(2);
    if (n < 1 || n > 10)
        return static_cast<int>(engine::kErrStream);
    Stream& st = (streams)[static_cast<std::size_t>(n - 1)];
    if (!st.open())
        return static_cast<int>(engine::kErrStreamClosed);
    if (st.mode != kRead)
        return static_cast<int>(engine::kErrNotForReading);
    std::string line;
    if (st.file->ReadLine(line) != 0)
        return e.SetVariableNumber("ERROR", 2);
    if (int r = e.SetVariableNumber("ERROR", 0))
        return r;
    // A line holds 255 characters; the rest of a longer one is dropped.
    return e.SetVariable(result, line.substr(0, kMaxStreamLine));
}

int handleWriteLine(Engine& e, StatementLine& s, Streams& streams) {
    if (int err = s.expectNumberToken(1))
        return err;
    if (int err = s.expectString(2))
        return err;
    std::int32_t n = s.GetNumericParam(1).value();
    std::string text = s.GetStringParam(2);
    if (n < 1 || n > 10)
        return static_cast<int>(engine::kErrStream);
    Stream& st = (streams)[static_cast<std::size_t>(n - 1)];
    if (!st.open())
        return static_cast<int>(engine::kErrStreamClosed);
    if (st.mode == kRead)
        return static_cast<int>(engine::kErrNotForWriting);
    st.file->WriteLine(text);
    return e.SetVariableNumber("ERROR", 0);
}

} // namespace

void registerStreamCommands(Engine& engine) {
    Streams& streams = engine.adopt(std::make_unique<Streams>());

    engine.registerHandler(Keyword::Open, bindState(handleOpen, streams));
    engine.registerHandler(Keyword::Close, bindState(handleClose, streams));
    engine.registerHandler(Keyword::ReadLine, bindState(handleReadLine, streams));
    engine.registerHandler(Keyword::WriteLine, bindState(handleWriteLine, streams));
}

} // namespace zrv::actions
