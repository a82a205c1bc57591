// COPYFILE( in both forms, the copy block and its lines, UNCOMPRESS(,
// CHECKEXISTS( and GETDISKSPACE(.
#include "interpreter/actions/actions.h"

#include "common/datetime.h"
#include "common/fileaccess.h"
#include "common/paths.h"
#include "common/system.h"
#include "common/text.h"
#include "common/trace.h"
#include "interpreter/engine/engine.h"
#include "interpreter/engine/errors.h"
#include "interpreter/ui/ui.h"
#include "platform/base/ansi.h"
#include "platform/machine/machine.h"

#include <cstdio>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace zrv::actions {

using engine::Engine;
using engine::Keyword;
using engine::StatementLine;

namespace {

// Large blocks keep copies fast; messages still run between blocks.
constexpr std::size_t kCopyBlock = 64 * 1024;
constexpr long kFastBlock = 8L * 1024 * 1024;

int statusError(int status) {
    switch (status) {
    case 0: return 0;
    case 1: return engine::kErrSourceNotFound;
    case 2: return engine::kErrCreateTarget;
    case 3: return engine::kErrNoSpace;
    case 4: return engine::kErrSameName;
    case 5: return engine::kErrTargetName;
    case 6: return engine::kErrRead;
    default: return engine::kErrWrite;
    }
}

std::string num(long long n) { return std::to_string(n); }

// The state of one copy block: the dialog is open while it runs.
struct CopyBlock {
    // The block's lines mostly copy into the same few folders; those stay open
    // between lines until a line runs some other statement.
    std::optional<Machine::KeepFolders> keep;
    std::set<std::string> folders; // upper-cased full names of folders targets went to
    std::map<char, std::uint64_t> plenty; // drives with room to spare: bytes copied since asked
    bool active = false;
    bool running = false;
    bool cancelled = false;
    std::int32_t range = 0;
    std::int32_t position = 0;
};

class Copier {
public:
    // One Copier serves one statement: what it learns about folders holds for it.
    Copier(Engine& e, CopyBlock* block) : m_e(e), m_m(e.machine()), m_block(block), m_keep(m_m) {}

    void gauge(std::int32_t range, std::int32_t position) {
        if (!m_block)
            return;
        m_block->range = range;
        m_block->position = position < range ? position : range;
        m_e.ui().setGauge(m_block->range, m_block->position);
    }

    bool running() {
        if (m_block && m_e.ui().cancelPressed()) {
            m_block->running = false;
            m_block->cancelled = true;
            m_e.ui().noteCancel();
        }
        return !m_block || m_block->running;
    }

    int fcopy(const std::string& source, const std::string& target, bool append, bool expandFlag) {
        TraceLog& t = m_e.trace();
        t.WriteTraceParts("FCopyFile: '", source, "'  '", target, "'\r\n");
        if (m_block)
            m_block->running = true;
        auto a = m_m.fullPath(source), b = m_m.fullPath(target);
        if (equalNoCase(a ? a->text() : source, b ? b->text() : target))
            return finish(4);
        if (m_block) {
            m_e.ui().setCopyField(1, source);
            m_e.ui().setCopyField(2, target);
        }
        bool byteMode = m_block && m_block->range == 1;
        bool expand = !append && expandFlag;
        DateTime time;
        FileTime sourceTime = 0;
        bool haveTime = false;
        FileAccess in(m_m);
        if (in.Open(source, OpenFlag::Read, expand) == 0) {
            // The source's own time, from the one open (an expanding reader
            // gives the compressed file's); its calendar form only for the trace.
            haveTime = in.GetFileTime(sourceTime) == 0;
            if (haveTime && t.enabled()) {
                time = FileAccess::digitsOf(sourceTime);
                t.WriteTrace("Source File: ");
                t.WriteTraceTime(time);
            }
        }
        if (!in.IsOpen())
            return finish(1);
        long length = in.Size();
        if (length < 0)
            return finish(6); // a compressed source that cannot be read to its end
        m_copied = static_cast<std::uint64_t>(length);
        t.WriteTraceParts("  File Length: ", num(length), " bytes, target Space (");
        if (byteMode)
            gauge(length, 0);
        // The old target stays until the new one is complete: the new content is
        // written beside it and renamed over it, so the space it frees counts.
        // The target as resolving it just found it, else looked at now.
        std::optional<FileInfo> existing;
        if (m_looked && m_looked->first == target) {
            existing = m_looked->second;
        } else if (auto st = m_m.stat(target)) {
            existing = *st;
        }
        m_looked.reset();
        bool replacing = !append && existing && !existing->isDirectory();
        std::int64_t free = freeSpace(b ? b->drive : '\0', target, length);
        // With room for both files the new one is written beside the old; with
        // room only once the old one is gone, the old one goes first.
        bool roomForBoth = free >= length;
        if (replacing)
            free += static_cast<std::int64_t>(existing->size);
        t.WriteTraceParts("Disk Space: '", target, "' = ", num(free), " bytes - ");
        if (free < length) {
            t.WriteTrace("not enough!\r\n");
            return finish(3);
        }
        t.WriteTrace("Ok, Copying\r\n");
        FileAccess out(m_m);
        bool beside = false; // written under a temporary name, to be placed once whole
        bool open = false;
        if (append && out.Open(target, OpenFlag::ReadWrite) == 0) {
            out.Seek(0, 2);
            open = true;
        }
        // A new target, or one replaced with room for both, is written under a
        // temporary name in its folder and renamed into place once whole, so
        // no part of a file ever stands under the final name (a kill included).
        if (!open && !append && (roomForBoth || !existing)) {
            if (out.CreateBeside(target) != 0)
                return finish(2);
            open = beside = true;
        } else if (!open && replacing) {
            (void)FileAccess::SetAttributes(m_m, target, FileAttribute::Normal);
            (void)m_m.deleteFile(target);
        }
        if (!open && out.Create(target, OpenFlag::ReadWrite) != 0)
            return finish(2);
        int fault = 0;
        long remaining = length;
        long copied = 0;
        while (remaining > 0 && fault == 0 && running()) {
            PumpMessages();
            if (!in.IsExpanding()) {
                // Plain files go kernel to kernel, a few megabytes between pumps.
                long want = remaining < kFastBlock ? remaining : kFastBlock;
                long done = out.CopyFrom(in, want);
                if (done >= 0) {
                    if (done != want) {
                        fault = 6;
                        break;
                    }
                    remaining -= done;
                    copied += done;
                    if (byteMode)
                        gauge(m_block->range, static_cast<std::int32_t>(copied));
                    continue;
                }
            }
            std::vector<char>& buffer = m_buffer;
            buffer.resize(kCopyBlock);
            long want = remaining < static_cast<long>(buffer.size()) ? remaining : static_cast<long>(buffer.size());
            long got = in.Read(buffer.data(), want);
            if (got != want) {
                fault = 6;
                break;
            }
            PumpMessages();
            if (out.Write(buffer.data(), got) != got) {
                fault = 7;
                break;
            }
            remaining -= got;
            copied += got;
            if (byteMode)
                gauge(m_block->range, static_cast<std::int32_t>(copied));
        }
        PumpMessages();
        if (byteMode && fault == 0 && running())
            gauge(m_block->range, static_cast<std::int32_t>(length));
        t.WriteTrace("Setting Target File: ");
        t.WriteTraceTime(time);
        if (haveTime)
            (void)out.SetFileTime(dosGrained(sourceTime));
        bool cancelled = !running();
        int status = fault;
        // A new file written beside the target gets its final attributes while
        // it is still open, rather than by name once it is in place.
        bool attributed = beside && status == 0 && !cancelled && out.SetOwnAttributes(FileAttribute::Normal) == 0;
        out.Close();
        if (beside) {
            if (status != 0 || cancelled) {
                out.DropBeside(); // the old target stays as it was
            } else {
                if (replacing)
                    (void)FileAccess::SetAttributes(m_m, target, FileAttribute::Normal);
                if (out.PlaceBeside(replacing) != 0)
                    status = 2;
            }
        } else if (cancelled && !append) {
            (void)m_m.deleteFile(target); // a cancelled copy in place leaves no partial file
        }
        if (status == 0 && !cancelled && !attributed)
            (void)FileAccess::SetAttributes(m_m, target, FileAttribute::Normal);
        if (!cancelled && status == 0 && m_block && !byteMode)
            gauge(m_block->range, m_block->position + 1);
        return finish(status);
    }

    // Resolves the target for one source entry: the target itself, else the
    // target as a directory holding the entry's name; 5 when neither will do.
    int resolveTarget(const std::string& target, const std::string& entry, std::string& out) {
        // A target is usable when it is a file that can be read, or a new name in
        // a folder that exists; looked up rather than created, so nothing is left.
        std::set<std::string>& folders = m_block ? m_block->folders : m_folders;
        auto probe = [&](const std::string& path) {
            auto full = m_m.fullPath(path);
            // A folder found once stays one for the rest of this statement's
            // files (of the block's, until it runs another statement).
            if (full && folders.count(upperAnsi(full->text())))
                return false;
            auto st = m_m.stat(path, Machine::Detail::Brief);
            m_looked = {path, st ? std::optional<FileInfo>(*st) : std::nullopt};
            if (st) {
                if (st->isDirectory()) {
                    if (full)
                        folders.insert(upperAnsi(full->text()));
                    return false;
                }
                FileAccess f(m_m);
                return f.Open(path, OpenFlag::Read) == 0;
            }
            // A name ending in a backslash names a folder, never a new file.
            const Drive* d = full ? m_m.drive(full->drive) : nullptr;
            if (!d || d->readOnly || full->isRoot() || path.back() == '\\' || path.back() == '/')
                return false;
            std::string parent = upperAnsi(full->parent().text());
            if (folders.count(parent))
                return true;
            if (!m_m.isDirectory(parent))
                return false;
            folders.insert(parent);
            return true;
        };
        if (probe(target)) {
            out = target;
            return 0;
        }
        std::string inDir = AddBackslash(target) + entry;
        if (probe(inDir)) {
            out = inDir;
            return 0;
        }
        return 5;
    }

    int blockCopy(const std::string& spec, const std::string& dir, const std::string& target, bool expand, bool append,
                  bool move) {
        m_e.trace().WriteTraceParts("BlockCopy: '", spec, "'  '", target, "'\r\n");
        if (m_block)
            m_block->running = true;
        auto found = m_m.findFiles(spec, Machine::Detail::Brief);
        int status = 1;
        if (found && !found->empty()) {
            status = 0;
            for (const FileInfo& f : *found) {
                if (f.name == "." || f.name == "..")
                    continue;
                std::string source = dir + f.name;
                std::string resolved;
                status = resolveTarget(target, f.name, resolved);
                if (m_block)
                    m_e.ui().transferStarted(source, resolved);
                if (status == 0)
                    status = fcopy(source, resolved, append, expand);
                if (m_block)
                    m_e.ui().transferEnded(source, resolved, status, status == 0 ? m_copied : 0);
                if (status == 0 && move)
                    (void)m_m.deleteFile(source);
                if (!running() || status != 0)
                    break;
            }
        }
        int error = statusError(status);
        m_e.trace().WriteTraceParts("BlockCopy returning: '", num(error), "'\r\n");
        return error;
    }

private:
    // A drive reports at most 2 GB free. While it had a gigabyte more than that
    // when last asked and this statement has copied less than that gigabyte
    // since, the answer is still the most, and the drive is not asked again.
    std::int64_t freeSpace(char drive, const std::string& target, long length) {
        constexpr std::uint64_t kSpare = 1ull << 30;
        constexpr std::int64_t kMost = FileSystem::kMaxReportedFreeSpace;
        std::map<char, std::uint64_t>& plenty = m_block ? m_block->plenty : m_plenty;
        auto known = plenty.find(drive);
        if (known != plenty.end() && known->second + static_cast<std::uint64_t>(length) < kSpare) {
            known->second += static_cast<std::uint64_t>(length);
            return kMost;
        }
        plenty.erase(drive);
        std::int64_t free = static_cast<std::int32_t>(FreeSpace(m_m, target));
        if (const Drive* d = free == kMost ? m_m.files().drive(drive) : nullptr) {
            if (auto room = d->freeBytes(); room && *room >= kMost + kSpare)
                plenty[drive] = static_cast<std::uint64_t>(length);
        }
        return free;
    }

    int finish(int status) {
        m_e.trace().WriteTraceParts("  FCopyFile returning: '", num(status), "'\r\n");
        return status;
    }

    Engine& m_e;
    Machine& m_m;
    CopyBlock* m_block;
    Machine::KeepFolders m_keep;
    std::vector<char> m_buffer; // made when a transfer first needs it, then kept
    std::uint64_t m_copied = 0; // the bytes of the last file copied
    std::set<std::string> m_folders;                                    // upper-cased full names
    std::map<char, std::uint64_t> m_plenty;                             // as CopyBlock::plenty
    std::optional<std::pair<std::string, std::optional<FileInfo>>> m_looked; // the last target looked at
};

std::string sourceDirectory(Machine& m, const std::string& source) {
    std::size_t slash = source.rfind('\\');
    return slash == std::string::npos ? AddBackslash(m.currentDirectory()) : source.substr(0, slash + 1);
}

std::string targetOf(const std::string& target) {
    // A target without a dot names a directory.
    if (target.find('.') == std::string::npos && (target.empty() || target.back() != '\\'))
        return target + "\\";
    return target;
}

bool present(unsigned char t) { return t != 0 && t != ')'; }

// Flags from parameter `first` on: only number tokens count.
void flags(const StatementLine& s, int first, bool& expand, bool& append, bool& move) {
    bool* out[] = {&expand, &append, &move};
    for (int i = 0; i < 3; ++i)
        if (s.param(first + i) == engine::kTokenNumber)
            *out[i] = s.GetNumericParam(first + i).value() != 0;
}

// A copy line inside a block: source, target, [description,] flags.
int copyLine(Engine& e, StatementLine& s, CopyBlock& block) {
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectString(k))
            return err;
    std::string source = s.GetStringParam(1), target = s.GetStringParam(2);
    int first = 3;
    if (StatementLine::isStringToken(s.param(3))) {
        e.ui().setCopyField(0, s.GetStringParam(3));
        first = 4;
    }
    bool expand = true, append = false, move = false;
    flags(s, first, expand, append, move);
    Copier c(e, &block);
    int status = c.blockCopy(source, sourceDirectory(e.machine(), source), targetOf(target), expand, append, move);
    (void)e.SetVariableNumber("ERROR", status);
    return status;
}

// The lines between COPYFILE(total) and ENDCOPYFILE: copy lines (a source
// first), the gauge statements, and any other statement, which runs as usual.
class CopyBlockLines : public engine::Block {
public:
    explicit CopyBlockLines(CopyBlock& block) : m_block(block) {}

    const char* lineName() const override { return "DLine"; }
    bool prepare(std::string& line) override {
        StripText(line, 'B', " ");
        return !line.empty(); // a blank line ends the block
    }
    bool ended() const override { return m_ended || !m_block.running; }

    int statement(Engine& e, StatementLine& s) override {
        int r = step(e, s);
        if (!m_block.running && !m_block.cancelled)
            m_block.running = true; // only Cancel stops the block
        return r;
    }

private:
    int step(Engine& e, StatementLine& s) {
        unsigned char t = s.at(s.pos);
        if (t == engine::kTokenLabel || t == 0)
            return 0;
        if (StatementLine::isStringToken(t))
            return copyLine(e, s, m_block);
        const int keyword = Engine::statementKeyword(s);
        const std::size_t afterKeyword = s.pos;
        switch (static_cast<Keyword>(keyword)) {
        case Keyword::Stop:
            e.scripts().CloseAllScripts();
            m_ended = true;
            return 0;
        case Keyword::EndCopyFile: m_ended = true; return 0;
        case Keyword::UpdateGauge: {
            if (int err = s.expectNumeric(1))
                return err;
            auto n = s.GetNumericParam(1);
            if (!n)
                return n.error();
            m_block.position = std::min(m_block.range, m_block.position + *n);
            e.ui().setGauge(m_block.range, m_block.position);
            return 0;
        }
        case Keyword::SetGaugeText:
            for (int k = 1; k <= 3; ++k)
                if (int err = s.expectString(k))
                    return err;
            for (int k = 1; k <= 3; ++k)
                e.ui().setCopyField(k - 1, s.GetStringParam(k));
            return 0;
        case Keyword::CopyFile:
            // Another total inside the block sets the gauge's range.
            if (StatementLine::isNumericToken(s.at(afterKeyword)) && s.at(afterKeyword + 1) == ')') {
                auto n = s.GetNumericParam(1);
                if (!n)
                    return n.error();
                m_block.range = *n;
                m_block.position = std::min(m_block.position, *n);
                e.ui().setGauge(m_block.range, m_block.position);
                return 0;
            }
            break;
        default: break;
        }
        // Any other statement may move files about: kept folders are let go
        // around it. The condition of IF is no such statement.
        s.pos = afterKeyword - (static_cast<std::size_t>(keyword) < engine::kOneByteKeywords ? 1 : 2);
        if (keyword == static_cast<int>(Keyword::If))
            return e.statement(s);
        m_block.keep.reset();
        m_block.folders.clear();
        m_block.plenty.clear();
        int r = e.statement(s);
        m_block.keep.emplace(e.machine());
        return r;
    }

    CopyBlock& m_block;
    bool m_ended = false;
};

int handleCopyFile(Engine& e, StatementLine& s, CopyBlock& block) {
    // COPYFILE(total): exactly one parameter, a number or a variable, then ')'.
    if (s.at(s.pos + 1) == ')') {
        if (int err = s.expectNumeric(1))
            return err;
        {
            if (block.active) {
                // Blocks do not nest: another total only resets the range.
                auto range = s.GetNumericParam(1);
                block.range = range.value();
                return range.error();
            }
            e.ui().endWaitCursor();
            ui::CopyDialog& dialog = e.ui().display().copy;
            dialog.title = e.variables().GetVariable("CAPTION");
            dialog.captions = {e.caption(14100), e.caption(14110), e.caption(14010)};
            dialog.fields = {};
            e.ui().openCopyDialog();
            block.active = true;
            block.running = true;
            block.cancelled = false;
            block.position = 0;
            auto range = s.GetNumericParam(1);
            block.range = range.value();
            int status = range.error();
            e.ui().setGauge(block.range, block.position);
            block.keep.emplace(e.machine());
            block.folders.clear();
            if (status == 0) {
                CopyBlockLines lines(block);
                status = e.runBlock(lines);
            }
            block.keep.reset();
            block.folders.clear();
            if (block.cancelled)
                status = e.gotoLabel("EXIT");
            e.ui().closeCopyDialog(status);
            block.active = false;
            e.ui().beginWaitCursor();
            if (status != 0)
                return status;
            return e.SetVariableNumber("ERROR", 0);
        }
    }
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectString(k))
            return err;
    for (int k = 3; k <= 5; ++k) {
        if (present(s.param(k)) && s.param(k) != engine::kTokenNumber) {
            s.paramNumber = k;
            return static_cast<int>(engine::kErrNumericParam);
        }
    }
    std::string source = s.GetStringParam(1), target = s.GetStringParam(2);
    bool expand = true, append = false, move = false;
    flags(s, 3, expand, append, move);
    Copier c(e, nullptr);
    int status = c.blockCopy(source, sourceDirectory(e.machine(), source), targetOf(target), expand, append, move);
    if (status != 0)
        return status;
    return e.SetVariableNumber("ERROR", 0);
}

int handleUncompress(Engine& e, StatementLine& s) {
    for (int k = 1; k <= 2; ++k)
        if (int err = s.expectString(k))
            return err;
    if (present(s.param(3)) && s.param(3) != engine::kTokenNumber) {
        s.paramNumber = 3;
        return static_cast<int>(engine::kErrNumericParam);
    }
    std::string source = s.GetStringParam(1), target = s.GetStringParam(2);
    bool remove = s.param(3) == engine::kTokenNumber && s.GetNumericParam(3).value() != 0;
    Copier c(e, nullptr);
    int status = c.fcopy(source, target, false, true);
    if (status != 0)
        return statusError(status);
    if (remove)
        (void)e.machine().deleteFile(source);
    return 0;
}

int handleCheckExists(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    std::string file = s.GetStringParam(1);
    if (!StatementLine::isStringToken(s.param(2)))
        return e.SetVariableNumber("ERROR", FileExists(e.machine(), file) ? 1 : 0);
    std::string prompt = s.GetStringParam(2);
    bool found = e.waitForDisk(prompt, [&] { return FileExists(e.machine(), file); });
    return e.SetVariableNumber("ERROR", found ? ui::Id::Ok : ui::Id::Cancel);
}

int handleGetDiskSpace(Engine& e, StatementLine& s) {
    if (int err = s.expectString(1))
        return err;
    return e.SetVariableNumber("ERROR", static_cast<std::int32_t>(FreeSpace(e.machine(), s.GetStringParam(1))));
}

} // namespace

void registerCopyCommands(Engine& engine) {
    CopyBlock& block = engine.adopt(std::make_unique<CopyBlock>());

    engine.registerHandler(Keyword::CopyFile, bindState(handleCopyFile, block));
    engine.registerHandler(Keyword::Uncompress, handleUncompress);
    engine.registerHandler(Keyword::CheckExists, handleCheckExists);
    engine.registerHandler(Keyword::GetDiskSpace, handleGetDiskSpace);
}

} // namespace zrv::actions
