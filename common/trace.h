// The optional trace log. Every text is appended by opening the log, writing and
// closing it again, so nothing written is lost when the program ends abruptly.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zrv {

class Machine;
class DateTime;

class TraceLog {
public:
    using FailureHandler = std::function<void(const std::string& message)>;
    static constexpr const char* kDefaultPath = "C:\\DEBUG.DBG";
    static constexpr const char* kOpenFailed = "Failed to open debug file for writing";

    explicit TraceLog(Machine& machine) : m_machine(machine) {}

    // The program's own profile (e.g. "ZRVX32.INI") and title. Until this is
    // called the log behaves as before an application exists: on, to
    // C:\DEBUG.DBG, titled "GlobalStart".
    void setApplication(std::string profileFile, std::string title);
    // Shown the failure message; the UI puts up its message box here.
    void setFailureHandler(FailureHandler handler) { m_onFailure = std::move(handler); }

    void WriteTrace(std::string_view text);
    // The text made of `parts`, put together only while the log is on: the
    // busiest statements trace every file they touch.
    template <class... Parts>
    void WriteTraceParts(const Parts&... parts) {
        if (!enabled())
            return;
        std::string text;
        ((text += parts), ...);
        WriteTrace(text);
    }
    void WriteTraceNumber(long n);
    void WriteTraceInt(int n);
    void WriteTraceBytes(const void* bytes, std::size_t count);
    void WriteTraceTime(const DateTime& time);

    bool enabled();
    const std::string& logPath();

private:
    void initialise();
    void append(std::string_view text);

    Machine& m_machine;
    bool m_hasApplication = false;
    std::string m_profileFile;
    std::string m_title;
    int m_enabled = -1;
    std::string m_logPath;
    FailureHandler m_onFailure;
};

} // namespace zrv
