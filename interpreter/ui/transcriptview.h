// A transcript (JSON lines) as sentences a person reads: what was shown and
// how it was answered, one line each.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace zrv::ui {

struct Json;

// One transcript line as a sentence; empty for lines that say nothing to a
// reader (a hidden window that was never shown).
std::string describeTranscriptLine(const Json& line);

// An error report's text as lines for a terminal: the report on one line, the
// script line after it, indented.
std::string errorReportLines(const std::string& text);

// Every line of a transcript's text; a line that is not JSON is named as such.
std::vector<std::string> describeTranscript(std::string_view text);

} // namespace zrv::ui
