// The generator's line writer and the state the sections share. Internal to
// the generator.
#pragma once

#include "authoring/generator/generator.h"

#include <string>
#include <string_view>

namespace zrv::generator {

class Writer {
public:
    Writer(const Options& options, bool encrypt);

    // One write: the markers replaced, echoed to the trace, encrypted when
    // asked, CR LF appended. `text` may hold CR LF (several script lines); a
    // line longer than the interpreter reads is refused, naming `key`.
    void write(std::string_view text, std::string_view key = {});
    void blank(int count = 1) {
        for (int i = 0; i < count; ++i)
            write("");
    }

    const std::optional<Problem>& problem() const { return m_problem; }
    std::string takeScript() { return std::move(m_script); }
    std::string takeTrace() { return std::move(m_trace); }

private:
    const Options& m_options;
    bool m_encrypt;
    std::string m_script;
    std::string m_trace;
    int m_lines = 0;
    std::optional<Problem> m_problem;
};

// Quotes a value for a template: the value as it stands (the project was
// checked to hold no quote where one would end a literal).
inline std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

} // namespace zrv::generator
