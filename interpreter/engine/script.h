// The script file stack: up to six nested script files, each with its label
// index, read one line at a time. Files may be in the scrambled form that the
// authoring tool writes.
#pragma once

#include "common/scripttext.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace zrv {
class Machine;
class TraceLog;
} // namespace zrv

namespace zrv::engine {

inline constexpr int kMaxScriptLevels = 6;
inline constexpr std::size_t kLabelBufferSize = 65535;
// Script files are read whole; larger ones are refused as unreadable.
inline constexpr std::size_t kMaxScriptBytes = 64u * 1024 * 1024;

using ::zrv::kEncryptedMarker;
using ::zrv::scramble;
using ::zrv::scrambleByte;

struct LabelEntry {
    std::string text;   // begins with the colon
    std::uint32_t position = 0; // byte offset of the label line in the file
    std::uint32_t line = 0;
};

class ScriptStack {
public:
    ScriptStack(Machine& machine, TraceLog& trace) : m_machine(machine), m_trace(trace) {}
    ~ScriptStack();

    // The profile whose [Install] TempPath holds the line offset file.
    void setDebugging(bool on, std::string profileFile = "ZRVX32.INI");
    // Told of a script that will not read as its author meant (besides the trace).
    void setWarning(std::function<void(const std::string&)> warn) { m_warn = std::move(warn); }

    int OpenScript(std::string_view name);
    // 0 and the next line in currentLine(); 10027 with no file or at its end.
    int ReadNextLine();
    void CloseScript();
    void CloseAllScripts();
    int FindLabel(std::string_view text);
    void RewindScript();

    bool empty() const { return m_files.empty(); }
    int level() const { return static_cast<int>(m_files.size()) - 1; }
    const std::string& currentLine() const { return m_currentLine; }
    std::string CurrentScriptPath() const;
    std::uint32_t CurrentLineNumber() const;
    std::string ListLine(std::uint32_t n);
    // Lines of the current file.
    std::uint32_t LineCount() const;
    // The line n (1-based) of the current file as it reads, unscrambled; nullopt past its end.
    std::optional<std::string> LineText(std::uint32_t n) const;
    // The next ReadNextLine reads line n of the current file; false past its end.
    bool GotoLine(std::uint32_t n);
    const std::vector<LabelEntry>& labels() const;
    std::size_t labelBytes() const;
    // The file stack dump written to the trace log after every open.
    std::string dump() const;

private:
    std::function<void(const std::string&)> m_warn;
    struct File {
        std::string path;
        std::string data; // raw bytes, as stored
        bool encrypted = false;
        std::size_t start = 0; // first byte of the text
        std::size_t pos = 0;
        std::uint32_t lineCounter = 0;
        std::vector<LabelEntry> labels;
        // Each label's first entry, so a jump costs the same to any of thousands.
        std::unordered_map<std::string, std::size_t> labelIndex;
        std::size_t labelBytes = 0;
        std::uint32_t recordStart = 0; // in the line offset file
        mutable std::optional<std::uint32_t> lines;
    };
    // Where line n (1-based) of `f` starts; nullopt past its end.
    static std::optional<std::size_t> lineStart(const File& f, std::uint32_t n);
    // The next raw line from `pos` (ending at CR LF or the end), and where the one
    // after it starts; nullopt at the end of the file.
    static std::optional<std::string_view> rawLine(const File& f, std::size_t& pos);
    std::string cooked(const File& f, std::string_view raw) const;

    Machine& m_machine;
    TraceLog& m_trace;
    std::vector<File> m_files;
    std::string m_currentLine;
    bool m_debugging = false;
    std::string m_profileFile = "ZRVX32.INI";
    std::string m_offsetFile;
    std::uint32_t m_records = 0;
};

} // namespace zrv::engine
