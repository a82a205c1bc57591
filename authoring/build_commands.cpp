// zrva32 script and build: the layout options they share, progress on the
// terminal, and the disk set written, refilled or reported.
#include "authoring/build/build.h"
#include "authoring/session.h"
#include "authoring/workbench/model/report.h"
#include "platform/base/ansi.h"
#include "platform/host/hostfs.h"
#include "platform/machine/machine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>

namespace zrv::authoring {

namespace {

// The options build and script share, and what is left for the command.
struct LayoutArgs {
    build::BuildOptions options;
    std::string output;
    bool quiet = false;
    bool force = false;
    bool images = false;
    std::string report; // Windows path
    std::string refill; // Windows path
};

std::optional<LayoutArgs> layoutArgs(Session& s, const std::vector<std::string>& args, bool build, int& status) {
    LayoutArgs l;
    l.options.now = std::time(nullptr);
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        l.options.now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
        l.options.clamp = true;
    }
    auto value = [&](std::size_t& i) -> std::optional<std::string> {
        if (i + 1 >= args.size()) {
            status = usageError(args[i] + " needs a value");
            return std::nullopt;
        }
        return args[++i];
    };
    // A path value: a Windows path of the machine, or a host one on Z:.
    auto pathValue = [&](std::size_t& i) -> std::optional<std::string> {
        auto v = value(i);
        if (!v)
            return std::nullopt;
        auto path = windowsPath(*v);
        if (!path)
            status = failure(*v + ": the name has characters Windows code page 1252 cannot hold");
        return path;
    };
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--quiet") {
            l.quiet = true;
        } else if (a == "-o") {
            auto path = pathValue(i);
            if (!path)
                return std::nullopt;
            l.output = *path;
        } else if (a == "--disk-size") {
            auto v = value(i);
            if (!v)
                return std::nullopt;
            auto c = build::Capacity::parse(*v);
            if (!c) {
                status = usageError("--disk-size takes 360K, 720K, 1.2M, 1.44M, 2.88M, a number of bytes or unlimited");
                return std::nullopt;
            }
            l.options.capacity = *c;
        } else if (a == "--max-disks" || a == "--jobs") {
            auto v = value(i);
            if (!v)
                return std::nullopt;
            char* end = nullptr;
            long n = std::strtol(v->c_str(), &end, 10);
            if (v->empty() || *end || n < 1 || n > (a == "--jobs" ? 256 : 99)) {
                status = usageError(a + " takes a number from 1 to " + (a == "--jobs" ? "256" : "99"));
                return std::nullopt;
            }
            (a == "--jobs" ? l.options.jobs : l.options.maxDisks) = static_cast<int>(n);
        } else if (a == "--include") {
            auto v = value(i);
            if (!v)
                return std::nullopt;
            std::vector<int> chosen;
            if (*v == "all") {
                for (std::size_t f = 0; f < s.project->data().files.size(); ++f)
                    chosen.push_back(static_cast<int>(f) + 1);
            } else if (*v != "none") {
                std::istringstream list(*v);
                for (std::string n; std::getline(list, n, ',');) {
                    char* end = nullptr;
                    long k = std::strtol(n.c_str(), &end, 10);
                    if (n.empty() || *end || k < 1) {
                        status = usageError("--include takes all, none or file numbers like 2,5");
                        return std::nullopt;
                    }
                    chosen.push_back(static_cast<int>(k));
                }
            }
            l.options.include = chosen;
        } else if (a == "--no-store-raw") {
            l.options.storeRaw = false;
        } else if (a == "--long-names") {
            l.options.longNames = true;
        } else if (a == "--runtime") {
            auto path = pathValue(i);
            if (!path)
                return std::nullopt;
            l.options.runtimeDir = *path;
        } else if (build && a == "--force") {
            l.force = true;
        } else if (build && a == "--images") {
            l.images = true;
        } else if (build && a == "--refill") {
            auto path = pathValue(i);
            if (!path)
                return std::nullopt;
            l.refill = *path;
        } else if (build && a == "--report") {
            auto path = pathValue(i);
            if (!path)
                return std::nullopt;
            l.report = *path;
        } else {
            status = usageError(std::string(build ? "build" : "script") + " does not take '" + a + "' (see zrva32 --help)");
            return std::nullopt;
        }
    }
    return l;
}

// The build's first steps as a build does them: the dependency check, saved.
bool saveWhatTheCheckChanged(Project& project) {
    if (!project.changed())
        return true;
    std::fprintf(stderr, "zrva32: the dependency check changed the project (runtime files or shared "
                         "registration); saving it\n");
    return project.save();
}

// The workbench's status and log on stderr: status texts as lines, the log
// as one updating line on a terminal (else a line each, file by file only on
// a terminal); --quiet shows neither.
class TerminalReporter : public workbench::Reporter {
public:
    explicit TerminalReporter(bool quiet) : m_quiet(quiet), m_tty(host::stderrIsTerminal()) {}
    ~TerminalReporter() override { end(); }
    using Reporter::status;
    void status(std::string_view text) override {
        end();
        if (!m_quiet)
            std::fprintf(stderr, "zrva32: %s\n", ansiToUtf8(text).c_str());
    }
    void log(std::string_view text) override {
        if (m_quiet)
            return;
        if (m_tty) {
            std::fprintf(stderr, "\r\033[Kzrva32: %s", ansiToUtf8(text).c_str());
            m_open = true;
        } else if (text.find(": file ") == std::string_view::npos) {
            std::fprintf(stderr, "zrva32: %s\n", ansiToUtf8(text).c_str());
        }
    }
    // Before other output: the updating line ends.
    void end() {
        if (m_open)
            std::fputc('\n', stderr);
        m_open = false;
    }
    build::Progress progress() {
        return [this](const std::string& text) { log(text); };
    }

private:
    bool m_quiet, m_tty, m_open = false;
};

std::optional<build::Prepared> prepareBuild(Session& s, const LayoutArgs& l) {
    TerminalReporter line(l.quiet);
    auto prepared = build::prepare(*s.machine, s.project->data(), *s.settings, l.options, line.progress());
    line.end();
    if (!prepared.prepared) {
        for (const auto& e : prepared.errors)
            std::fprintf(stderr, "zrva32: %s\n", ansiToUtf8(e).c_str());
        std::fprintf(stderr, "zrva32: %s\n", std::string(statusText(11011)).c_str());
        return std::nullopt;
    }
    for (const auto& w : prepared.prepared->warnings)
        std::fprintf(stderr, "zrva32: warning: %s (%s)\n", ansiToUtf8(w.reason).c_str(), w.key.c_str());
    return std::move(prepared.prepared);
}

// The setup script of the project, for the layout a build would make.
int writeScript(Session& s, const std::vector<std::string>& args) {
    int status = 0;
    auto l = layoutArgs(s, args, false, status);
    if (!l)
        return status;
    ProjectData& p = s.project->data();
    const std::string target = l->output.empty() ? p.directory + p.scriptName : l->output;
    if (!saveWhatTheCheckChanged(*s.project))
        return kExitFailure;
    auto prepared = prepareBuild(s, *l);
    if (!prepared)
        return kExitFailure;
    if (auto written = s.machine->writeFileAtomic(target, prepared->script); !written)
        return failure("cannot write " + ansiToUtf8(target) + ": " + written.error().describe());
    if (!l->quiet)
        std::fprintf(stderr, "zrva32: wrote %s (%zu lines, %zu bytes)\n", ansiToUtf8(target).c_str(),
                     static_cast<std::size_t>(std::count(prepared->script.begin(), prepared->script.end(), '\n')),
                     prepared->script.size());
    return 0;
}

// Ctrl-C is the Stop command.
std::atomic<bool> g_stop{false};
extern "C" void onInterrupt(int) { g_stop = true; }

// The disk set of the project.
int buildSet(Session& s, const std::vector<std::string>& args) {
    int status = 0;
    auto l = layoutArgs(s, args, true, status);
    if (!l)
        return status;
    if (l->images && l->options.capacity.kind != build::Capacity::Kind::Floppy)
        return usageError("--images needs a floppy format for --disk-size (360K, 720K, 1.2M, 1.44M, 2.88M)");
    ProjectData& p = s.project->data();
    const std::string out = l->output.empty() ? p.directory + "DISKS" : l->output;
    TerminalReporter line(l->quiet);
    line.status(11002);
    if (!saveWhatTheCheckChanged(*s.project))
        return kExitFailure;
    const auto started = std::chrono::steady_clock::now();
    std::signal(SIGINT, onInterrupt);
    l->options.stop = &g_stop;
    auto cancelled = [] {
        std::fprintf(stderr, "zrva32: %s\n", std::string(statusText(11010)).c_str());
        return 130;
    };
    auto prepared = prepareBuild(s, *l);
    if (g_stop)
        return cancelled();
    if (!prepared)
        return kExitFailure;
    auto progress = line.progress();
    if (!l->refill.empty()) {
        // Enter is OK, q is Cancel.
        auto ask = [&](const std::string& text) {
            line.end();
            std::string shown = text;
            for (char& c : shown)
                if (c == '\n')
                    c = ' ';
            std::fprintf(stderr, "zrva32: %s [Enter = OK, q = Cancel] ", ansiToUtf8(shown).c_str());
            std::string answer;
            if (!std::getline(std::cin, answer))
                return false;
            return answer != "q" && answer != "Q";
        };
        if (auto why = build::refillDiskSet(*s.machine, *prepared, l->refill, ask, progress); !why.empty()) {
            if (why == build::kStopped)
                return cancelled();
            std::string shown = why;
            for (char& c : shown)
                if (c == '\n')
                    c = ' ';
            std::fprintf(stderr, "zrva32: %s\nzrva32: %s\n", ansiToUtf8(shown).c_str(), std::string(statusText(11011)).c_str());
            return kExitFailure;
        }
        line.status(11003);
        return 0;
    }
    build::WriteOptions write;
    write.force = l->force;
    write.images = l->images;
    write.capacity = l->options.capacity;
    write.imageTime = l->options.now;
    write.jobs = l->options.jobs;
    write.stop = &g_stop;
    const std::string why = build::writeDiskSet(*s.machine, *prepared, out, write, progress);
    line.end();
    if (!why.empty()) {
        if (why == build::kStopped)
            return cancelled();
        std::fprintf(stderr, "zrva32: %s\nzrva32: %s\n", ansiToUtf8(why).c_str(), std::string(statusText(11011)).c_str());
        return kExitFailure;
    }
    // As the finished script also lands in the project's folder.
    if (auto r = s.machine->writeFileAtomic(p.directory + p.scriptName, prepared->script); !r)
        std::fprintf(stderr, "zrva32: warning: the script was not copied to the project's folder: %s\n",
                     r.error().describe().c_str());
    if (!l->report.empty())
        if (auto r = s.machine->writeFileAtomic(l->report, build::report(*prepared)); !r)
            std::fprintf(stderr, "zrva32: warning: cannot write the report %s: %s\n", ansiToUtf8(l->report).c_str(),
                         r.error().describe().c_str());
    if (!l->quiet) {
        const auto& plan = prepared->plan;
        const auto& c = l->options.capacity;
        std::uint64_t diskBytes = 0, sourceBytes = 0;
        std::size_t files = 0;
        for (std::size_t i = 0; i < plan.items.size(); ++i)
            sourceBytes += static_cast<int>(i) == prepared->placeholder ? prepared->script.size()
                                                                       : prepared->contents[i].sourceSize;
        for (std::size_t d = 0; d < plan.disks.size(); ++d) {
            std::uint64_t bytes = 0;
            for (const auto& piece : plan.disks[d].pieces)
                bytes += static_cast<int>(piece.item) == prepared->placeholder ? prepared->script.size() : piece.size;
            diskBytes += bytes;
            files += plan.disks[d].pieces.size();
            std::string free = "";
            if (c.kind != build::Capacity::Kind::Unlimited)
                free = std::to_string(c.clusters * c.clusterSize - plan.disks[d].usedBytes) + " free";
            std::fprintf(stderr, "  DISK%-3zu %4zu files %12llu bytes  %s\n", d + 1, plan.disks[d].pieces.size(),
                         static_cast<unsigned long long>(bytes), free.c_str());
        }
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        std::fprintf(stderr,
                     "  %zu disk%s, %zu files, %llu source bytes, %llu on the disks (%.2f), %.1f s, in %s\nzrva32: %s\n",
                     plan.disks.size(), plan.disks.size() == 1 ? "" : "s", files,
                     static_cast<unsigned long long>(sourceBytes), static_cast<unsigned long long>(diskBytes),
                     sourceBytes ? static_cast<double>(diskBytes) / static_cast<double>(sourceBytes) : 1.0, seconds,
                     ansiToUtf8(out).c_str(), std::string(statusText(11003)).c_str());
    }
    return 0;
}


} // namespace

int scriptCommand(Session& s, const std::vector<std::string>& args) { return writeScript(s, args); }
int buildCommand(Session& s, const std::vector<std::string>& args) { return buildSet(s, args); }

} // namespace zrv::authoring
