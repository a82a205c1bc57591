#include "interpreter/engine/script.h"

#include "common/paths.h"
#include "common/trace.h"
#include "interpreter/engine/errors.h"
#include "interpreter/engine/tokenizer.h"
#include "platform/machine/machine.h"

#include <cstdio>
#include <cstring>

namespace zrv::engine {

ScriptStack::~ScriptStack() { CloseAllScripts(); }

void ScriptStack::setDebugging(bool on, std::string profileFile) {
    m_debugging = on;
    m_profileFile = std::move(profileFile);
}

std::optional<std::string_view> ScriptStack::rawLine(const File& f, std::size_t& pos) {
    if (pos >= f.data.size())
        return std::nullopt;
    std::size_t end = f.data.find("\r\n", pos);
    std::string_view line;
    if (end == std::string::npos) {
        line = std::string_view(f.data).substr(pos);
        pos = f.data.size();
    } else {
        line = std::string_view(f.data).substr(pos, end - pos);
        pos = end + 2;
    }
    return line;
}

std::string ScriptStack::cooked(const File& f, std::string_view raw) const {
    // The current line holds 300 characters; the rest of a longer line is dropped.
    std::string line(raw.substr(0, kMaxLineLength));
    if (f.encrypted)
        scramble(line);
    return line;
}

int ScriptStack::OpenScript(std::string_view name) {
    if (m_debugging && m_files.empty()) {
        if (!m_offsetFile.empty())
            (void)m_machine.deleteFile(m_offsetFile);
        m_offsetFile = TempFileName(m_machine, m_profileFile);
        (void)m_machine.openFile(m_offsetFile, Access::Write, Disposition::CreateAlways);
        m_records = 0;
    }
    if (m_files.size() >= kMaxScriptLevels)
        return kErrTooManyFiles;
    std::string path(name);
    if (path.find_first_of("\\:") == std::string::npos)
        path = AddBackslash(m_machine.currentDirectory()) + path;
    if (path.find('.') == std::string::npos)
        path += ".SCR";
    auto full = m_machine.fullPath(path);
    auto info = full ? m_machine.stat(full->text(), Machine::Detail::Brief) : Result<FileInfo>(full.error());
    if (!full || !info || info->isDirectory() || info->size > kMaxScriptBytes)
        return kErrOpenScript;
    auto data = m_machine.readFile(full->text());
    if (!data)
        return kErrOpenScript;

    File f;
    f.path = full->text();
    f.data = std::move(*data);
    f.encrypted = f.data.size() >= 4 && std::memcmp(f.data.data(), "\x00\x40\x00\x00", 4) == 0;
    // Lines end only at CR LF: a file saved with LF alone reads as one long
    // line and fails with an error that hides the cause, so say so first.
    if (!f.encrypted)
        for (std::size_t lf = f.data.find('\n'); lf != std::string::npos; lf = f.data.find('\n', lf + 1))
            if (lf == 0 || f.data[lf - 1] != '\r') {
                std::string warning = f.path + " has lines that end with LF alone; script lines end only at "
                                               "CR LF, so they run together. Convert the file (unix2dos " +
                                      f.path + ", or sed -i 's/$/\\r/' on the host file).";
                m_trace.WriteTrace("Warning: " + warning + "\r\n");
                if (m_warn)
                    m_warn(warning);
                break;
            }
    f.start = f.encrypted ? 4 : 0;
    f.recordStart = m_files.empty() ? 0 : m_records;
    m_files.push_back(std::move(f));
    File& file = m_files.back();

    int result = 0;
    std::string offsets;
    std::size_t pos = file.start;
    std::uint32_t number = 0;
    while (true) {
        std::size_t lineStart = pos;
        auto raw = rawLine(file, pos);
        if (!raw)
            break;
        ++number;
        if (m_debugging) {
            std::uint32_t at = static_cast<std::uint32_t>(lineStart);
            offsets.append(reinterpret_cast<const char*>(&at), 4);
            ++m_records;
        }
        std::string_view t = *raw;
        while (!t.empty() && (t.front() == ' ' || static_cast<unsigned char>(t.front()) == 0xE9))
            t.remove_prefix(1);
        if (t.empty() || (t.front() != ':' && static_cast<unsigned char>(t.front()) != 0xCF))
            continue;
        std::string label(t);
        if (file.encrypted)
            scramble(label);
        label += ' ';
        label.erase(label.find(' '));
        if (file.labelBytes + label.size() + 9 >= kLabelBufferSize + 1) {
            // The file stays pushed; reading goes on from where indexing stopped.
            result = kErrLabelStackFull;
            file.pos = pos;
            file.lineCounter = number;
            break;
        }
        file.labelBytes += label.size() + 9;
        file.labelIndex.emplace(label, file.labels.size()); // a repeated label: the first wins
        file.labels.push_back({label, static_cast<std::uint32_t>(lineStart), number});
    }
    if (m_debugging && !offsets.empty()) {
        auto out = m_machine.openFile(m_offsetFile, Access::ReadWrite, Disposition::OpenAlways);
        if (out && out->seek(static_cast<std::int64_t>(file.recordStart) * 4, SeekOrigin::Begin))
            (void)out->write(offsets.data(), offsets.size());
    }
    if (result == 0)
        RewindScript();
    m_trace.WriteTrace(dump());
    return result;
}

int ScriptStack::ReadNextLine() {
    if (m_files.empty())
        return kErrEndOfFile;
    File& f = m_files.back();
    auto raw = rawLine(f, f.pos);
    if (!raw)
        return kErrEndOfFile;
    ++f.lineCounter;
    m_currentLine = cooked(f, *raw);
    return 0;
}

void ScriptStack::CloseScript() {
    if (!m_files.empty()) {
        m_records = m_files.back().recordStart;
        m_files.pop_back();
    }
}

void ScriptStack::CloseAllScripts() {
    while (!m_files.empty())
        CloseScript();
    if (!m_offsetFile.empty()) {
        (void)m_machine.deleteFile(m_offsetFile);
        m_offsetFile.clear();
    }
}

int ScriptStack::FindLabel(std::string_view text) {
    if (m_files.empty())
        return kErrLabelNotFound;
    File& f = m_files.back();
    auto found = f.labelIndex.find(std::string(text));
    if (found == f.labelIndex.end())
        return kErrLabelNotFound;
    const LabelEntry& e = f.labels[found->second];
    f.pos = e.position;
    f.lineCounter = e.line - 1;
    return 0;
}

void ScriptStack::RewindScript() {
    if (m_files.empty())
        return;
    File& f = m_files.back();
    f.pos = f.start;
    f.lineCounter = 0;
    m_currentLine.clear();
}

std::string ScriptStack::CurrentScriptPath() const { return m_files.empty() ? std::string() : m_files.back().path; }

std::uint32_t ScriptStack::CurrentLineNumber() const { return m_files.empty() ? 0 : m_files.back().lineCounter; }

const std::vector<LabelEntry>& ScriptStack::labels() const {
    static const std::vector<LabelEntry> none;
    return m_files.empty() ? none : m_files.back().labels;
}

std::size_t ScriptStack::labelBytes() const { return m_files.empty() ? 0 : m_files.back().labelBytes; }

std::string ScriptStack::ListLine(std::uint32_t n) {
    if (m_files.empty() || n == 0 || m_offsetFile.empty())
        return {};
    const File& f = m_files.back();
    auto in = m_machine.openFile(m_offsetFile, Access::Read, Disposition::OpenExisting);
    if (!in || !in->seek(static_cast<std::int64_t>(f.recordStart + n - 1) * 4, SeekOrigin::Begin))
        return {};
    std::uint32_t at = 0;
    auto got = in->read(&at, 4);
    if (!got || *got != 4)
        return {};
    std::size_t pos = at;
    auto raw = rawLine(f, pos);
    char head[16];
    std::snprintf(head, sizeof head, "%04lu  ", static_cast<unsigned long>(n));
    return head + (raw ? cooked(f, *raw) : std::string());
}

std::optional<std::size_t> ScriptStack::lineStart(const File& f, std::uint32_t n) {
    if (n == 0)
        return std::nullopt;
    std::size_t pos = f.start;
    for (std::uint32_t i = 1; i < n; ++i)
        if (!rawLine(f, pos))
            return std::nullopt;
    if (pos >= f.data.size())
        return std::nullopt;
    return pos;
}

std::uint32_t ScriptStack::LineCount() const {
    if (m_files.empty())
        return 0;
    const File& f = m_files.back();
    if (!f.lines) {
        std::uint32_t n = 0;
        for (std::size_t pos = f.start; rawLine(f, pos);)
            ++n;
        f.lines = n;
    }
    return *f.lines;
}

std::optional<std::string> ScriptStack::LineText(std::uint32_t n) const {
    if (m_files.empty())
        return std::nullopt;
    const File& f = m_files.back();
    auto at = lineStart(f, n);
    if (!at)
        return std::nullopt;
    std::size_t pos = *at;
    auto raw = rawLine(f, pos);
    return raw ? std::optional<std::string>(cooked(f, *raw)) : std::nullopt;
}

bool ScriptStack::GotoLine(std::uint32_t n) {
    if (m_files.empty())
        return false;
    File& f = m_files.back();
    auto at = lineStart(f, n);
    if (!at)
        return false;
    f.pos = *at;
    f.lineCounter = n - 1;
    return true;
}

std::string ScriptStack::dump() const {
    std::string out = "\n*** File Object Dump ***\n\n";
    char buf[400];
    for (std::size_t level = 0; level < m_files.size(); ++level) {
        const File& f = m_files[level];
        std::snprintf(buf, sizeof buf, "File %d  LineNo %lu  LabEnd %ld\n", static_cast<int>(level),
                      static_cast<unsigned long>(f.lineCounter), static_cast<long>(f.labelBytes));
        out += buf;
        int i = 0;
        for (const LabelEntry& e : f.labels) {
            std::snprintf(buf, sizeof buf, "    %d: Label '%s'  LineNo %ld  FilePos %ld\n", ++i, e.text.c_str(),
                          static_cast<long>(e.line), static_cast<long>(e.position));
            out += buf;
        }
    }
    out += "Done\n\n";
    return out;
}

} // namespace zrv::engine
