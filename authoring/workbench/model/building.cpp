#include "authoring/workbench/model/building.h"

#include "authoring/build/build.h"
#include "platform/machine/machine.h"

#include <cstdlib>
#include <ctime>

namespace zrv::workbench {

BuildResult buildProject(authoring::Project& project, authoring::SettingsStore& settings, Reporter& report,
                         const std::atomic<bool>* stop, bool scriptOnly) {
    report.status(11002);
    auto failed = [&](const std::string& why) {
        if (!why.empty())
            report.log(why);
        report.status(11011);
        return BuildResult::Failed;
    };
    auto stopped = [&] {
        report.status(11010);
        return BuildResult::Stopped;
    };
    if (project.changed() && !project.save())
        return failed("The project could not be saved.");
    build::BuildOptions options;
    options.now = std::time(nullptr);
    // As zrva32 build: a fixed time gives the same set twice.
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
        options.now = static_cast<std::time_t>(std::strtoll(epoch, nullptr, 10));
        options.clamp = true;
    }
    options.stop = stop;
    Machine& machine = project.machine();
    const authoring::ProjectData& p = project.data();
    auto log = [&](const std::string& line) { report.log(line); };
    auto prepared = build::prepare(machine, p, settings, options, log);
    if (prepared.stopped || (stop && *stop))
        return stopped();
    if (!prepared.prepared) {
        for (const std::string& e : prepared.errors)
            report.log(e);
        return failed("");
    }
    for (const auto& w : prepared.prepared->warnings)
        report.log("Warning: " + w.reason + " (" + w.key + ")");
    const std::string script = p.directory + p.scriptName;
    if (!scriptOnly) {
        build::WriteOptions write;
        write.capacity = options.capacity;
        write.imageTime = options.now;
        write.stop = stop;
        const std::string why = build::writeDiskSet(machine, *prepared.prepared, p.directory + "DISKS", write, log);
        if (why == build::kStopped)
            return stopped();
        if (!why.empty())
            return failed(why);
    }
    if (auto r = machine.writeFileAtomic(script, prepared.prepared->script); !r) {
        if (scriptOnly)
            return failed("Cannot write " + script + ": " + r.error().describe());
        report.log("Warning: the script was not copied to the project's folder: " + r.error().describe());
    } else {
        report.log("Script written: " + script);
    }
    if (!scriptOnly)
        report.log("Disk set written: " + p.directory + "DISKS");
    report.status(11003);
    return BuildResult::Done;
}

} // namespace zrv::workbench
