#include "common/trace.h"

#include "common/datetime.h"
#include "platform/machine/machine.h"
#include "platform/profile/profile.h"

#include <cstdio>

namespace zrv {

namespace {
constexpr std::size_t kMaxLogPath = 80;
constexpr std::size_t kMaxTitle = 50;
} // namespace

void TraceLog::setApplication(std::string profileFile, std::string title) {
    m_hasApplication = true;
    m_profileFile = std::move(profileFile);
    m_title = title.substr(0, kMaxTitle);
}

void TraceLog::initialise() {
    if (m_hasApplication) {
        m_enabled = getPrivateProfileInt(m_machine, "Debug", "Debug", 0, m_profileFile);
        m_logPath = getPrivateProfileString(m_machine, "Debug", "OutputTo", kDefaultPath, m_profileFile)
                        .substr(0, kMaxLogPath);
    } else {
        m_enabled = 1;
        m_logPath = kDefaultPath;
        m_title = "GlobalStart";
    }
    DateTime now = DateTime::now();
    char banner[256];
    std::snprintf(banner, sizeof banner, "\n\n**** Application Startup - %s (%02d/%02d/%04d %02d:%02d:%02d) ****\n",
                  m_title.c_str(), now.day(), now.month(), now.year(), now.hour(), now.minute(), now.second());
    append(banner);
}

bool TraceLog::enabled() {
    if (m_enabled == -1)
        initialise();
    return m_enabled != 0;
}

const std::string& TraceLog::logPath() {
    if (m_enabled == -1)
        initialise();
    return m_logPath;
}

void TraceLog::append(std::string_view text) {
    if (m_enabled == 0)
        return;
    auto f = m_machine.openFile(m_logPath, Access::ReadWrite, Disposition::OpenAlways);
    if (!f) {
        if (m_onFailure)
            m_onFailure(kOpenFailed);
        return;
    }
    if (f->seek(0, SeekOrigin::End))
        (void)f->write(text.data(), text.size());
}

void TraceLog::WriteTrace(std::string_view text) {
    if (m_enabled == -1)
        initialise();
    append(text);
}

void TraceLog::WriteTraceNumber(long n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%ld", n);
    WriteTrace(buf);
}

void TraceLog::WriteTraceInt(int n) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%d", n);
    WriteTrace(buf);
}

void TraceLog::WriteTraceBytes(const void* bytes, std::size_t count) {
    const auto* p = static_cast<const unsigned char*>(bytes);
    std::string out;
    char cell[16];
    for (std::size_t i = 0; i < count; ++i) {
        if (p[i] >= ' ')
            std::snprintf(cell, sizeof cell, "%3d %c  ", p[i], p[i]);
        else
            std::snprintf(cell, sizeof cell, "%3d .  ", p[i]);
        out += cell;
        if (i % 12 == 11 || i + 1 == count)
            out += "\r\n";
    }
    WriteTrace(out);
}

void TraceLog::WriteTraceTime(const DateTime& time) {
    if (!enabled())
        return; // spares taking the time apart for nothing
    char buf[96];
    std::snprintf(buf, sizeof buf, "Date: %02d/%02d/%d  Time: %02d:%02d:%02d\r\n", time.year(), time.month(),
                  time.day(), time.hour(), time.minute(), time.second());
    WriteTrace(buf);
}

} // namespace zrv
