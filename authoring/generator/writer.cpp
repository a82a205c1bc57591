#include "authoring/generator/writer.h"

#include "common/scripttext.h"
#include "common/text.h"

#include <cstdio>

namespace zrv::generator {

Writer::Writer(const Options& options, bool encrypt) : m_options(options), m_encrypt(encrypt) {
    if (m_encrypt)
        m_script.append("\x00\x40\x00\x00", 4); // the marker of an encrypted script
}

void Writer::write(std::string_view text, std::string_view key) {
    std::string line(text);
    ReplaceAll(line, "$APPNAME$", m_options.title);
    ReplaceAll(line, "$APPVERSION$", m_options.version);
    ReplaceAll(line, "$APPCOPYRIGHT$", m_options.copyright);
    // Every script line of this write must be read whole by the interpreter.
    std::size_t start = 0;
    while (true) {
        const auto end = line.find("\r\n", start);
        const std::size_t length = (end == std::string::npos ? line.size() : end) - start;
        ++m_lines;
        if (length > kMaxScriptLine && !m_problem)
            m_problem = Problem{std::string(key), m_lines,
                                "the generated line has " + std::to_string(length) + " characters; the installer reads " +
                                    std::to_string(kMaxScriptLine)};
        if (end == std::string::npos)
            break;
        start = end + 2;
    }
    m_trace += line;
    m_trace += "\r\n";
    if (m_encrypt) {
        scramble(line);
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto b = static_cast<unsigned char>(line[i]);
            char cell[16];
            if (b < 32)
                std::snprintf(cell, sizeof cell, "%3d .  ", b);
            else
                std::snprintf(cell, sizeof cell, "%3d %c  ", b, static_cast<char>(b));
            m_trace += cell;
            if (i % 12 == 11 || i + 1 == line.size())
                m_trace += "\r\n";
        }
    }
    m_script += line;
    m_script += "\r\n";
}

} // namespace zrv::generator
