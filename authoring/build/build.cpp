#include "authoring/build/build.h"

#include "authoring/build/runtime.h"
#include "authoring/project/objectfile.h"
#include "authoring/project/settings.h"
#include "common/paths.h"
#include "common/text.h"
#include "platform/base/ansi.h"
#include "platform/base/threads.h"
#include "platform/formats/lz.h"
#include "platform/host/hostfs.h"
#include "platform/host/process.h"
#include "platform/machine/machine.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <thread>

namespace zrv::build {

using authoring::FileEntry;
using authoring::ProjectData;
using authoring::Runtime;

namespace {

constexpr std::uint64_t kMaxSource = 2ULL * 1024 * 1024 * 1024;

// A path's file name as the disks hold it.
std::string nameOf(std::string_view path) { return upperAnsi(generator::fileNameOf(path)); }

using generator::withExtension;

bool isShortName(std::string_view name) {
    const auto dot = name.find('.');
    const std::string_view stem = name.substr(0, dot);
    const std::string_view ext = dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
    if (stem.empty() || stem.size() > 8 || ext.size() > 3 || ext.find('.') != std::string_view::npos)
        return false;
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c != '.' && !(std::isalnum(u) || u >= 0x80 || std::string_view("!#$%&'()-@^_`{}~").find(c) != std::string_view::npos))
            return false;
    }
    return true;
}

// A job that needs reading and perhaps compressing.
struct Job {
    int item = -1;
    std::string source;    // Windows path, or empty for a stand-in
    std::string standIn;   // a stand-in's bytes
    bool compress = false; // to SZDD
    char missing = 0;      // the character the compressed name stands for
    std::string key;       // the project key it comes from, for messages
};

// A folder and what it holds, name by name through the machine (a folder with
// no host folder of its own).
void removeThroughMachine(Machine& machine, const std::string& dir) {
    if (auto found = machine.findFiles(AddBackslash(dir) + "*.*"))
        for (const auto& f : *found) {
            if (f.name == "." || f.name == "..")
                continue;
            const std::string path = AddBackslash(dir) + f.name;
            if (f.isDirectory())
                removeThroughMachine(machine, path);
            else
                (void)machine.deleteFile(path);
        }
    (void)machine.removeDirectory(dir);
}

} // namespace

Prepare prepare(Machine& machine, const ProjectData& p, authoring::SettingsStore& settings, const BuildOptions& o,
                const Progress& progress) {
    Prepare result;
    auto say = [&](const std::string& s) {
        if (progress)
            progress(s);
    };
    auto error = [&](std::string s) { result.errors.push_back(std::move(s)); };

    std::vector<Item> items;
    std::vector<Job> jobs;
    std::vector<Content> contents;
    auto generated = [&](std::string name, std::string bytes, Role role) {
        items.push_back({std::move(name), bytes.size(), role, -1});
        Content c;
        c.sourceSize = bytes.size();
        c.bytes = std::move(bytes);
        c.time = fileTimeFromUnix(o.now);
        contents.push_back(std::move(c));
    };
    auto fromSource = [&](std::string name, Role role, int index, Job job) {
        job.item = static_cast<int>(items.size());
        items.push_back({std::move(name), 0, role, index});
        contents.emplace_back();
        jobs.push_back(std::move(job));
    };
    char marker[16];
    std::snprintf(marker, sizeof marker, "%02d", 1);
    const std::string marker1 = p.diskLabel + marker;
    generated(marker1, marker1 + "\r\n", Role::Marker);
    std::string message = p.text(authoring::DialogText::SetupMsg);
    {
        const std::string upper = upperAnsi(message);
        if (auto at = upper.find("%APPLICATION%"); at != std::string::npos)
            message.replace(at, 13, p.appName);
    }
    generated("SETUP.DAT", message + "\r\n", Role::SetupDat);

    // The runtime files: a setting names the author's own, else the runtime
    // folder, else the kit's stand-in.
    auto runtimeJob = [&](const char* setting, const std::string& file, bool compress) {
        Job job;
        job.compress = compress;
        job.missing = file.empty() ? 0 : file.back();
        std::string named = setting ? settings.getString("Executables", setting, "") : std::string();
        if (!named.empty()) {
            job.source = upperAnsi(named);
            job.key = std::string("setting Executables ") + setting;
        }
        else if (!o.runtimeDir.empty())
            job.source = AddBackslash(o.runtimeDir) + file;
        else
            job.standIn = standInFile(file);
        return job;
    };
    const bool setup = p.runtimeFile(Runtime::SetupExe), install = p.runtimeFile(Runtime::InstallExe);
    if (setup)
        fromSource("SETUP.EXE", Role::Runtime, -1, runtimeJob("Setup", "SETUP.EXE", false));
    if (install)
        fromSource("INSTALL.EXE", Role::Runtime, -1, runtimeJob("Setup", "SETUP.EXE", false));
    if (p.deinstall)
        fromSource("ZRVUNI.EX_", Role::Runtime, -1, runtimeJob("DeInstall", "ZRVUNI.EXE", true));
    if (p.runtimeFile(Runtime::Interpreter16))
        fromSource("ZRVX16.EX_", Role::Runtime, -1, runtimeJob("Zrvx16", "ZRVX16.EXE", true));
    if (p.runtimeFile(Runtime::Interpreter32))
        fromSource("ZRVX32.EX_", Role::Runtime, -1, runtimeJob("Zrvx32", "ZRVX32.EXE", true));
    fromSource("CLEANUP.EXE", Role::Runtime, -1, runtimeJob("Cleanup", "CLEANUP.EXE", false));
    const std::pair<Runtime, const char*> systemFiles[] = {
        {Runtime::Ctl3dv2, "CTL3DV2.DLL"}, {Runtime::Ctl3d32, "CTL3D32.DLL"}, {Runtime::LzExpand, "LZEXPAND.DLL"},
        {Runtime::Lz32, "LZ32.DLL"},       {Runtime::RegSvr, "REGSVR.EXE"},   {Runtime::RegSvr32, "REGSVR32.EXE"},
    };
    for (const auto& [which, file] : systemFiles) {
        if (!p.runtimeFile(which))
            continue;
        const bool plain = which == Runtime::LzExpand; // the expansion library cannot come compressed
        const std::string name = plain ? file : withExtension(file, std::string(file).substr(std::string(file).size() - 3, 2) + "_");
        fromSource(name, Role::Runtime, -1, runtimeJob(nullptr, file, !plain));
    }
    if (p.runtimeFile(Runtime::ZrvCmdPif))
        fromSource("ZRVCMD.PIF", Role::Runtime, -1, runtimeJob("ZrvCmd", "ZRVCMD.PIF", false));

    Prepared out;
    out.placeholder = static_cast<int>(items.size());
    generated(upperAnsi(p.scriptName), std::string(static_cast<std::size_t>(std::max(p.reserveKb, 0)) * 1024, '\0'),
              Role::Placeholder);

    for (std::size_t i = 0; i < p.bitmaps.size(); ++i) {
        Job job;
        job.source = upperAnsi(p.bitmaps[i].path);
        job.compress = true;
        job.key = "BITMAP" + std::to_string(i + 1);
        const std::string name = nameOf(p.bitmaps[i].path);
        job.missing = name.empty() ? 0 : name.back();
        fromSource(withExtension(name, "BM_"), Role::Bitmap, static_cast<int>(i), job);
    }
    auto included = [&](std::size_t i) {
        const FileEntry& e = p.files[i];
        if (!e.optional)
            return true;
        if (o.include)
            return std::find(o.include->begin(), o.include->end(), static_cast<int>(i) + 1) != o.include->end();
        return e.included != 0;
    };
    auto fileItem = [&](std::size_t i, Role role) {
        const FileEntry& e = p.files[i];
        Job job;
        job.source = e.source;
        job.compress = e.compress != 0;
        job.key = "FILE" + std::to_string(i + 1);
        const std::string name = nameOf(e.source);
        job.missing = name.empty() ? 0 : name.back();
        fromSource(e.compress ? withExtension(name, upperAnsi(e.extension)) : name, role, static_cast<int>(i), job);
    };
    for (std::size_t i = 0; i < p.files.size(); ++i)
        if (p.files[i].usage == 1 && included(i))
            fileItem(i, Role::File);
    fromSource("CLEANUP.EXE", Role::Cleanup, -1, runtimeJob("Cleanup", "CLEANUP.EXE", false));
    for (std::size_t i = 0; i < p.files.size(); ++i)
        if (p.files[i].usage == 0 && included(i))
            fileItem(i, Role::Extra);

    // Names: one per set, 8.3 unless allowed otherwise; CLEANUP.EXE travels twice.
    std::map<std::string, int> names;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const std::string key = upperAnsi(items[i].name);
        if (!o.longNames && !isShortName(items[i].name))
            error("the name " + items[i].name + " is not an 8.3 name (give --long-names to allow it)");
        if (auto [it, fresh] = names.emplace(key, i); !fresh && key != "CLEANUP.EXE")
            error("two items of the set are named " + items[i].name + " on the disks");
    }

    // Read and compress, several at a time.
    std::vector<std::string> jobErrors(jobs.size());
    std::atomic<std::size_t> next{0};
    auto stopped = [&] { return o.stop && o.stop->load(); };
    // Progress from the workers: file i of n, bytes and rate.
    std::mutex progressLock;
    std::size_t doneFiles = 0;
    std::uint64_t doneBytes = 0;
    const auto started = std::chrono::steady_clock::now();
    auto reportDone = [&](std::uint64_t size) {
        if (!progress)
            return;
        std::lock_guard lock(progressLock);
        ++doneFiles;
        doneBytes += size;
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        char text[160];
        std::snprintf(text, sizeof text, "Reading and compressing: file %zu of %zu, %.1f MB, %.1f MB/s", doneFiles,
                      jobs.size(), static_cast<double>(doneBytes) / 1e6,
                      seconds > 0 ? static_cast<double>(doneBytes) / 1e6 / seconds : 0.0);
        progress(text);
    };
    std::mutex machineUse;
    // The largest first, so no thread is left with a big file while the others
    // have finished: the order of the work changes nothing in what it makes.
    std::vector<std::size_t> order(jobs.size());
    std::vector<std::optional<FileInfo>> infos(jobs.size()); // each source looked at once, here
    {
        std::vector<std::uint64_t> sizes(jobs.size(), 0);
        for (std::size_t j = 0; j < jobs.size(); ++j) {
            order[j] = j;
            if (jobs[j].source.empty())
                sizes[j] = jobs[j].standIn.size();
            else if (auto info = machine.stat(jobs[j].source, FileSystem::Detail::Brief)) {
                sizes[j] = info->size;
                infos[j] = std::move(*info);
            }
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
    }
    auto work = [&] {
        for (std::size_t n; !stopped() && (n = next.fetch_add(1)) < jobs.size();) {
            const std::size_t j = order[n];
            const Job& job = jobs[j];
            Content& c = contents[job.item];
            std::string bytes;
            if (job.source.empty()) {
                bytes = job.standIn;
                c.time = fileTimeFromUnix(o.now);
            } else {
                // The machine's file layer keeps caches of its own: one thread
                // at a time reads through it; compressing is what runs side by side.
                const auto& info = infos[j];
                if (!info || info->isDirectory()) {
                    jobErrors[j] = "the source file " + job.source + " is missing";
                    continue;
                }
                if (info->size >= kMaxSource) {
                    jobErrors[j] = "the source file " + job.source + " has 2 GiB or more";
                    continue;
                }
                // Only the opening needs the machine; the file's own descriptor
                // reads while the other threads open theirs.
                std::unique_lock machineLock(machineUse);
                auto file = machine.openFile(job.source, Access::Read, Disposition::OpenExisting);
                machineLock.unlock();
                auto read = file ? file->readToEnd() : Result<std::string>(file.error());
                if (!read) {
                    jobErrors[j] = "the source file " + job.source + " cannot be read: " + read.error().describe();
                    continue;
                }
                bytes = std::move(*read);
                c.time = info->lastWrite;
            }
            c.sourceSize = bytes.size();
            reportDone(bytes.size());
            if (!job.compress) {
                c.bytes = std::move(bytes);
                continue;
            }
            const auto* head = reinterpret_cast<const unsigned char*>(bytes.data());
            const bool looksCompressed = isSzddHeader(head, bytes.size());
            auto packed = szddCompress(bytes, job.missing);
            if (!packed) {
                jobErrors[j] = "compressing " + (job.source.empty() ? items[job.item].name : job.source) +
                               " failed: " + packed.error().describe();
                continue;
            }
            // Stored as it is when compressing would not shrink it: the
            // expansion passes such a file through. Never for one that already
            // looks compressed, which the expansion would expand.
            if (o.storeRaw && !looksCompressed && packed->size() >= bytes.size()) {
                c.bytes = std::move(bytes);
                c.form = Content::Form::Raw;
            } else {
                c.bytes = std::move(*packed);
                c.form = Content::Form::Szdd;
            }
        }
    };
    say("Compressing and reading " + std::to_string(jobs.size()) + " files...");
    runOnThreads(static_cast<unsigned>(std::min<std::size_t>(workerCount(o.jobs), std::max<std::size_t>(jobs.size(), 1))),
                 work);
    if (stopped()) {
        result.stopped = true;
        return result;
    }
    for (std::size_t j = 0; j < jobs.size(); ++j)
        if (!jobErrors[j].empty())
            error(jobErrors[j] + (jobs[j].key.empty() ? "" : " (" + jobs[j].key + ")"));
    if (!result.errors.empty())
        return result;
    for (std::size_t i = 0; i < items.size(); ++i) {
        items[i].size = contents[i].bytes.size();
        if (o.clamp)
            contents[i].time = std::min(contents[i].time, fileTimeFromUnix(o.now));
    }

    say("Planning the disks...");
    auto planned = plan(items, o.capacity, p.splitSize, o.maxDisks, [&](int disk) {
        char n[16];
        std::snprintf(n, sizeof n, "%02d", disk);
        const std::string name = p.diskLabel + n;
        return Item{name, name.size() + 2, Role::Marker, -1};
    });
    if (!planned.plan) {
        error(planned.error->reason);
        return result;
    }
    out.plan = std::move(*planned.plan);
    // The markers of later disks.
    for (std::size_t i = contents.size(); i < out.plan.items.size(); ++i) {
        Content c;
        c.bytes = out.plan.items[i].name + "\r\n";
        c.time = fileTimeFromUnix(o.now);
        contents.push_back(std::move(c));
        if (!o.longNames && !isShortName(out.plan.items[i].name))
            error("the name " + out.plan.items[i].name + " is not an 8.3 name");
        if (!names.emplace(upperAnsi(out.plan.items[i].name), static_cast<int>(i)).second)
            error("two items of the set are named " + out.plan.items[i].name + " on the disks");
    }
    if (!result.errors.empty())
        return result;

    // The script for this layout.
    generator::Input in;
    in.project = &p;
    in.layout.files.assign(p.files.size(), {});
    in.layout.bitmaps.assign(p.bitmaps.size(), 1);
    in.layout.cleanupDisk = out.plan.cleanupDisk;
    for (std::size_t i = 0; i < out.plan.items.size(); ++i) {
        const Item& item = out.plan.items[i];
        const auto& span = out.plan.spans[i];
        if ((item.role == Role::File || item.role == Role::Extra) && item.index >= 0)
            in.layout.files[item.index] = {span.first, span.last};
        if (item.role == Role::Bitmap && item.index >= 0)
            in.layout.bitmaps[item.index] = span.first;
    }
    for (std::size_t i = 0; i < p.files.size(); ++i) {
        auto info = machine.stat(p.files[i].source);
        in.sizes.push_back(info && !info->isDirectory() ? info->size : 0);
    }
    for (const std::string& path : p.objects) {
        generator::RenderedObject obj;
        if (authoring::objectExists(machine, path)) {
            IniDocument doc = authoring::loadObject(machine, path);
            if (auto lines = authoring::renderObject(doc, true)) {
                obj.found = true;
                obj.lines = std::move(*lines);
                obj.name = authoring::readHeader(doc).name;
            }
        }
        in.objects.push_back(std::move(obj));
    }
    in.options.time = o.now;
    in.options.utc = o.clamp;
    auto g = generator::generate(in);
    if (!g.output) {
        const auto& e = *g.error;
        error(e.reason + (e.key.empty() ? "" : " (" + e.key + (e.line ? ", script line " + std::to_string(e.line) : "") + ")"));
        return result;
    }
    out.script = std::move(g.output->script);
    out.warnings = std::move(g.output->warnings);
    const std::size_t room = contents[out.placeholder].bytes.size();
    if (out.script.size() > room) {
        error("the script (" + std::to_string(out.script.size()) + " bytes) is larger than the room kept for it on disk 1 (" +
              std::to_string(room) + " bytes): raise RESERVE to at least " +
              std::to_string((out.script.size() + 1023) / 1024) + " KB");
        return result;
    }
    out.contents = std::move(contents);
    result.prepared = std::move(out);
    return result;
}

namespace {

// A FAT12 image of one disk folder, through mtools.
std::string makeImage(const std::string& folder, const std::string& image, const std::string& label,
                      const Capacity& capacity, int disk, std::time_t time) {
    static const std::map<std::string, std::string> kSizes = {
        {"360K", "360"}, {"720K", "720"}, {"1.2M", "1200"}, {"1.44M", "1440"}, {"2.88M", "2880"}};
    auto size = kSizes.find(capacity.name);
    if (size == kSizes.end())
        return "--images needs a floppy format (360K, 720K, 1.2M, 1.44M or 2.88M)";
    // mtools dates the label and copies from this, which keeps images identical.
    ::setenv("SOURCE_DATE_EPOCH", std::to_string(time).c_str(), 1);
    char serial[16];
    std::snprintf(serial, sizeof serial, "2026%04X", disk & 0xFFFF);
    auto format = host::runProgram({"mformat", "-C", "-f", size->second, "-N", serial, "-v", label, "-i", image, "::"},
                                   folder, host::Wait::Yes);
    if (!format.started || format.exitCode != 0)
        return "mformat could not make " + image + (format.started ? "" : " (is mtools installed?)");
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        if (e.is_regular_file())
            names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    std::vector<std::string> argv = {"mcopy", "-m", "-i", image};
    argv.insert(argv.end(), names.begin(), names.end());
    argv.push_back("::");
    auto copy = host::runProgram(argv, folder, host::Wait::Yes);
    if (!copy.started || copy.exitCode != 0)
        return "mcopy could not fill " + image;
    return {};
}

} // namespace

std::string writeDiskSet(Machine& machine, const Prepared& prepared, const std::string& outPath,
                         const WriteOptions& options, const Progress& progress) {
    const bool force = options.force;
    const std::string out = outPath.size() > 3 && outPath.back() == '\\' ? outPath.substr(0, outPath.size() - 1) : outPath;
    // What is there may only be an earlier set, unless forced.
    if (machine.exists(out)) {
        if (!machine.isDirectory(out))
            return out + " exists and is not a folder";
        auto found = machine.findFiles(AddBackslash(out) + "*.*");
        if (found && !force) {
            for (const auto& f : *found) {
                if (f.name == "." || f.name == "..")
                    continue;
                const std::string upper = upperAnsi(f.name);
                const bool disk = upper.starts_with("DISK") && upper.size() > 4 &&
                                  std::all_of(upper.begin() + 4, upper.end(), [&](char c) {
                                      return f.isDirectory() ? std::isdigit(static_cast<unsigned char>(c)) != 0
                                                             : (std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
                                                                c == 'I' || c == 'M' || c == 'G');
                                  });
                if (!disk)
                    return out + " holds " + f.name + ", which is not a disk of a set (give --force to replace it all)";
            }
        }
    }
    const std::string tmp = out + ".zrv-build";
    const unsigned threads = workerCount(options.jobs);
    // A folder the build made (or an old set) goes by host calls where it
    // lies on a host folder, each disk's folder on a thread of its own.
    auto removeTree = [&](const std::string& dir) {
        auto host = machine.hostPath(dir);
        UniqueFd parent;
        if (host)
            if (auto fd = host::openFolder(host->parent_path().string()))
                parent = std::move(*fd);
        if (!parent.valid()) {
            removeThroughMachine(machine, dir);
            return;
        }
        const std::string leaf = host->filename().string();
        if (auto folder = host::openBelow(parent.get(), leaf, host::Look | host::Folder)) {
            std::vector<std::string> names;
            (void)host::list(folder->get(), [&](const host::Entry& e) { names.push_back(e.name); });
            std::atomic<std::size_t> next{0};
            runOnThreads(threads, [&] {
                for (std::size_t n; (n = next.fetch_add(1)) < names.size();)
                    if (auto st = host::statAt(folder->get(), names[n]); st && st->isFolder())
                        (void)host::removeTree(folder->get(), names[n]);
                    else
                        (void)host::remove(folder->get(), names[n], host::Remove::File);
            });
        }
        (void)host::removeTree(parent.get(), leaf);
    };
    if (machine.exists(tmp))
        removeTree(tmp);
    if (auto r = machine.createDirectory(tmp); !r)
        return "cannot create " + tmp + ": " + r.error().describe();
    auto fail = [&](std::string why) {
        removeTree(tmp);
        return why;
    };
    // Every disk's folder first; then the pieces, several at a time.
    const std::size_t diskCount = prepared.plan.disks.size();
    std::vector<UniqueFd> folders(diskCount);
    for (std::size_t d = 0; d < diskCount; ++d) {
        const std::string disk = tmp + "\\DISK" + std::to_string(d + 1);
        if (auto r = machine.createDirectory(disk); !r)
            return fail("cannot create " + disk + ": " + r.error().describe());
        // The folder is new and ours, and the set's names are unique, so its
        // files go in by plain host calls below it (no name can lead out of
        // it), which costs a fraction of resolving each name through the machine.
        if (auto host = machine.hostPath(disk))
            if (auto fd = host::openFolder(host->string()))
                folders[d] = std::move(*fd);
    }
    // A task writes one name on one disk: CLEANUP.EXE travels twice and may
    // meet itself on one disk, so both copies are one task, in order.
    struct Write {
        std::size_t disk;
        const Piece* piece;
        std::uint64_t offset;
    };
    std::vector<std::vector<Write>> tasks;
    {
        std::vector<std::uint64_t> offsets(prepared.plan.items.size(), 0);
        std::map<std::pair<std::size_t, std::string>, std::size_t> taskOf;
        for (std::size_t d = 0; d < diskCount; ++d)
            for (const Piece& piece : prepared.plan.disks[d].pieces) {
                const std::string key = upperAnsi(prepared.plan.items[piece.item].name);
                auto [it, fresh] = taskOf.emplace(std::pair(d, key), tasks.size());
                if (fresh)
                    tasks.emplace_back();
                tasks[it->second].push_back({d, &piece, offsets[piece.item]});
                offsets[piece.item] += piece.size;
            }
        // The largest first, so no thread is left alone with a big one at the end.
        auto bytesOf = [](const std::vector<Write>& t) {
            std::uint64_t n = 0;
            for (const Write& w : t)
                n += w.piece->size;
            return n;
        };
        std::stable_sort(tasks.begin(), tasks.end(),
                         [&](const auto& a, const auto& b) { return bytesOf(a) > bytesOf(b); });
    }
    std::mutex shared; // the machine, the first failure, the progress
    std::string failure;
    std::vector<std::size_t> left(diskCount, 0);
    for (const auto& t : tasks)
        for (const Write& w : t)
            ++left[w.disk];
    std::size_t disksDone = 0;
    auto writeOne = [&](const Write& w) -> std::string {
        const Piece& piece = *w.piece;
        const Item& item = prepared.plan.items[piece.item];
        const Content& c = prepared.contents[piece.item];
        std::string_view bytes = piece.item == prepared.placeholder
                                     ? std::string_view(prepared.script) // the finished script over the room kept for it
                                     : std::string_view(c.bytes).substr(w.offset, piece.size);
        const std::string path = tmp + "\\DISK" + std::to_string(w.disk + 1) + "\\" + item.name;
        const bool plainName = !item.name.empty() && item.name != "." && item.name != ".." &&
                               std::all_of(item.name.begin(), item.name.end(), [](char ch) {
                                   return ch > ' ' && ch < 127 && ch != '/' && ch != '\\';
                               });
        if (folders[w.disk].valid() && plainName) {
            auto file = host::openBelow(folders[w.disk].get(), item.name, host::Write | host::Create | host::Truncate);
            if (!file)
                return "cannot write " + path + ": " + file.error().describe();
            auto written = host::write(file->get(), bytes.data(), bytes.size());
            if (!written || *written != bytes.size())
                return "cannot write " + path + (written ? ": the disk is full" : ": " + written.error().describe());
            if (auto r = host::setLastWrite(file->get(), c.time); !r)
                return "cannot date " + path + ": " + r.error().describe();
            return {};
        }
        // A new file in the new set: the set as a whole is renamed into
        // place, so each file needs no replacing of its own.
        std::lock_guard lock(shared);
        auto file = machine.openFile(path, Access::Write, Disposition::CreateAlways);
        if (!file)
            return "cannot write " + path + ": " + file.error().describe();
        auto written = file->write(bytes.data(), bytes.size());
        if (!written || *written != bytes.size())
            return "cannot write " + path + (written ? ": the disk is full" : ": " + written.error().describe());
        if (auto r = file->setLastWriteTime(c.time); !r)
            return "cannot date " + path + ": " + r.error().describe();
        return {};
    };
    std::atomic<std::size_t> nextTask{0};
    std::atomic<bool> halt{false};
    if (progress)
        progress("Writing " + std::to_string(diskCount) + (diskCount == 1 ? " disk..." : " disks..."));
    runOnThreads(threads, [&] {
        for (std::size_t n; !halt && (n = nextTask.fetch_add(1)) < tasks.size();) {
            for (const Write& w : tasks[n]) {
                std::string why = options.stop && options.stop->load() ? std::string(kStopped) : writeOne(w);
                std::lock_guard lock(shared);
                if (!why.empty()) {
                    if (failure.empty())
                        failure = std::move(why);
                    halt = true;
                    return;
                }
                if (--left[w.disk] == 0 && progress)
                    progress("Disk " + std::to_string(w.disk + 1) + " written (" + std::to_string(++disksDone) + " of " +
                             std::to_string(diskCount) + ")");
            }
        }
    });
    folders.clear();
    if (!failure.empty())
        return fail(failure);
    if (options.images) {
        for (std::size_t d = 0; d < prepared.plan.disks.size(); ++d) {
            const std::string name = "DISK" + std::to_string(d + 1);
            auto folder = machine.hostPath(tmp + "\\" + name);
            auto root = machine.hostPath(tmp);
            if (!folder || !root)
                return fail("the set's folder is not on a host folder: no images");
            std::string label = name;
            for (const Piece& piece : prepared.plan.disks[d].pieces)
                if (prepared.plan.items[piece.item].role == Role::Marker)
                    label = prepared.plan.items[piece.item].name;
            if (progress)
                progress("Making " + name + ".IMG...");
            if (auto why = makeImage(folder->string(), (*root / (name + ".IMG")).string(), label, options.capacity,
                                     static_cast<int>(d + 1), options.imageTime);
                !why.empty())
                return fail(why);
        }
    }
    // Into place: the old set goes only once the new one is whole.
    const std::string old = out + ".zrv-old";
    if (machine.exists(old))
        removeTree(old);
    if (machine.exists(out)) {
        if (auto r = machine.moveFile(out, old); !r)
            return fail("cannot move the old " + out + " aside: " + r.error().describe());
    }
    if (auto r = machine.moveFile(tmp, out); !r) {
        (void)machine.moveFile(old, out);
        return fail("cannot move the new set to " + out + ": " + r.error().describe());
    }
    if (machine.exists(old))
        removeTree(old);
    return {};
}

std::string refillDiskSet(Machine& machine, const Prepared& prepared, const std::string& folderPath,
                          const DiskPrompt& ask, const Progress& progress) {
    const std::string folder = AddBackslash(folderPath);
    const char drive = folder.size() > 1 && folder[1] == ':' ? folder[0] : machine.currentDirectory()[0];
    std::vector<std::uint64_t> offsets(prepared.plan.items.size(), 0);
    for (std::size_t d = 0; d < prepared.plan.disks.size(); ++d) {
        const std::string warning = "\n\nWarning! All files in '" + folder + "' will be deleted.";
        const std::string text = d == 0 ? std::string("Please insert the first disk to be used\nin drive ") + drive + ":" + warning
                                        : "Please insert disk #" + std::to_string(d + 1) + " in drive " + drive + ":" + warning;
        if (!ask(text))
            return kStopped;
        if (progress)
            progress("Deleting existing files on target drive/directory");
        if (!machine.isDirectory(folder) && MakeDirectoryPath(machine, folder) != kDirCreated)
            return "Error: Failed to create directory '" + folder + "'!";
        DeleteFiles(machine, folder + "*.*");
        for (const Piece& piece : prepared.plan.disks[d].pieces) {
            const Item& item = prepared.plan.items[piece.item];
            const Content& c = prepared.contents[piece.item];
            const std::string bytes = c.bytes.substr(offsets[piece.item], piece.size);
            offsets[piece.item] += piece.size;
            const std::string path = folder + item.name;
            auto file = machine.openFile(path, Access::Write, Disposition::CreateAlways);
            if (!file)
                return "An error occured while creating\n'" + path + "'.\nTry removing write-protection from this file/disk.";
            auto written = file->write(bytes.data(), bytes.size());
            if (!written || *written != bytes.size())
                return "An error occured while writing\n'" + path + "'.";
            (void)file->setLastWriteTime(c.time);
        }
    }
    if (prepared.plan.disks.size() > 1 && !ask("Please insert disk #1 to be used\nfor the installation disk pack"))
        return kStopped;
    const std::string script = folder + prepared.plan.items[prepared.placeholder].name;
    if (progress)
        progress("Copying script file to target disk (" + std::to_string(prepared.script.size()) + " bytes)");
    if (auto r = machine.writeFileAtomic(script, prepared.script); !r)
        return "An error occured while writing\n'" + script + "'.";
    return {};
}

std::string report(const Prepared& prepared) {
    auto quote = [](std::string_view ansi) {
        std::string out = "\"";
        for (char c : ansiToUtf8(ansi)) {
            if (c == '"' || c == '\\')
                out += '\\';
            if (static_cast<unsigned char>(c) < 0x20) {
                char esc[8];
                std::snprintf(esc, sizeof esc, "\\u%04x", c);
                out += esc;
                continue;
            }
            out += c;
        }
        return out + "\"";
    };
    static const char* const kRoles[] = {"marker", "setupdat", "runtime", "script", "bitmap", "file", "cleanup", "extra"};
    std::vector<std::vector<std::uint64_t>> pieces(prepared.plan.items.size());
    for (const Disk& d : prepared.plan.disks)
        for (const Piece& piece : d.pieces)
            pieces[piece.item].push_back(piece.size);
    std::string out = "{\"disks\":" + std::to_string(prepared.plan.disks.size()) +
                      ",\"cleanupDisk\":" + std::to_string(prepared.plan.cleanupDisk) + ",\"items\":[";
    for (std::size_t i = 0; i < prepared.plan.items.size(); ++i) {
        const Item& item = prepared.plan.items[i];
        const Content& c = prepared.contents[i];
        const char* form = c.form == Content::Form::Szdd ? "szdd" : c.form == Content::Form::Raw ? "raw" : "plain";
        out += i ? ",\n" : "\n";
        out += "{\"name\":" + quote(item.name) + ",\"role\":\"" + kRoles[static_cast<int>(item.role)] + "\"";
        if (item.index >= 0)
            out += ",\"index\":" + std::to_string(item.index + 1);
        out += ",\"first\":" + std::to_string(prepared.plan.spans[i].first) +
               ",\"last\":" + std::to_string(prepared.plan.spans[i].last) + ",\"stored\":\"" + form + "\",\"pieces\":[";
        for (std::size_t k = 0; k < pieces[i].size(); ++k)
            out += (k ? "," : "") + std::to_string(i == static_cast<std::size_t>(prepared.placeholder) ? prepared.script.size() : pieces[i][k]);
        out += "]}";
    }
    return out + "\n]}\n";
}

} // namespace zrv::build
