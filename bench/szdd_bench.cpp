// The SZDD codec on a corpus of about 50 MB (ELF programs, text and files that
// are compressed already), beside mscompress, msexpand, gzip -1 and zstd -1 on
// the same files. Prints compressed size as a share of the input, and MB/s.
//
//   szdd_bench [CORPUS_DIR]     (default: a corpus gathered from /usr)
#include "platform/formats/lz.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool isElf(const std::string& s) { return s.size() > 4 && s.compare(0, 4, "\x7f" "ELF") == 0; }
bool isCompressed(const fs::path& p) {
    auto e = p.extension().string();
    return e == ".gz" || e == ".xz" || e == ".bz2" || e == ".zst" || e == ".png" || e == ".jpg";
}

// About 25 MB of programs, 15 MB of text and 10 MB of compressed files.
std::vector<fs::path> gather(const fs::path& into) {
    std::uint64_t elf = 0, text = 0, packed = 0;
    const std::uint64_t mb = 1 << 20;
    std::vector<fs::path> out;
    std::error_code ec;
    for (const char* root : {"/usr/bin", "/usr/lib/x86_64-linux-gnu", "/usr/share", "/usr/include"}) {
        for (auto it = fs::recursive_directory_iterator(root, fs::directory_options::skip_permission_denied, ec);
             it != fs::recursive_directory_iterator(); it.increment(ec)) {
            if (ec || !it->is_regular_file(ec) || it->is_symlink(ec))
                continue;
            auto size = it->file_size(ec);
            if (ec || size < 4096 || size > 4 * mb)
                continue;
            std::string data = slurp(it->path());
            std::uint64_t* bucket = nullptr;
            std::uint64_t cap = 0;
            if (isElf(data)) {
                bucket = &elf;
                cap = 25 * mb;
            } else if (isCompressed(it->path())) {
                bucket = &packed;
                cap = 10 * mb;
            } else if (std::count(data.begin(), data.begin() + 4096, '\0') == 0) {
                bucket = &text;
                cap = 15 * mb;
            }
            if (!bucket || *bucket >= cap)
                continue;
            *bucket += data.size();
            fs::path dst = into / (std::to_string(out.size()) + ".bin");
            std::ofstream(dst, std::ios::binary) << data;
            out.push_back(dst);
            if (elf >= 25 * mb && text >= 15 * mb && packed >= 10 * mb)
                return out;
        }
    }
    return out;
}

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Runs a shell command per file, measuring the whole; the size of `output(file)` is summed.
template <class Output> std::pair<double, std::uint64_t> tool(const std::vector<fs::path>& files, const std::string& command, Output output) {
    std::uint64_t total = 0;
    auto start = Clock::now();
    for (const fs::path& f : files) {
        std::string cmd = command;
        std::size_t at;
        while ((at = cmd.find("{}")) != std::string::npos)
            cmd.replace(at, 2, "'" + f.string() + "'");
        if (std::system(cmd.c_str()) != 0)
            return {-1, 0};
        total += output(f);
    }
    return {seconds(Clock::now() - start), total};
}

} // namespace

int main(int argc, char** argv) {
    fs::path work = fs::temp_directory_path() / "zrv-szdd-bench";
    bool keep = std::getenv("ZRV_BENCH_KEEP") != nullptr; // reuse the corpus of an earlier run
    std::vector<fs::path> files;
    fs::path dir = argc > 1 ? fs::path(argv[1]) : work;
    if (argc > 1 || (keep && fs::exists(work))) {
        for (auto& e : fs::directory_iterator(dir))
            if (e.is_regular_file() && e.path().extension() == ".bin")
                files.push_back(e.path());
    } else {
        fs::remove_all(work);
        fs::create_directories(work);
        files = gather(work);
    }
    std::uint64_t input = 0;
    std::vector<std::string> data;
    for (auto& f : files) {
        data.push_back(slurp(f));
        input += data.back().size();
    }
    double mbIn = static_cast<double>(input) / 1e6;
    std::printf("corpus: %zu files, %.1f MB\n\n", files.size(), mbIn);
    std::printf("%-22s %12s %10s\n", "", "size", "MB/s");

    // Ours, in process, one core.
    std::vector<std::string> packed;
    auto start = Clock::now();
    std::uint64_t ours = 0;
    for (auto& d : data) {
        packed.push_back(*zrv::szddCompress(d));
        ours += packed.back().size();
    }
    double tc = seconds(Clock::now() - start);
    start = Clock::now();
    std::uint64_t expanded = 0;
    for (auto& p : packed)
        expanded += zrv::szddExpand(p)->size();
    double te = seconds(Clock::now() - start);
    if (expanded != input)
        std::printf("EXPANSION MISMATCH\n");
    std::printf("%-22s %11.2f%% %10.1f\n", "ours compress", 100.0 * ours / input, mbIn / tc);
    std::printf("%-22s %12s %10.1f\n", "ours expand", "", mbIn / te);

    if (std::getenv("ZRV_BENCH_OURS_ONLY"))
        return 0;
    auto sizeOf = [](const fs::path& p) { std::error_code ec; auto s = fs::file_size(p, ec); return ec ? 0 : s; };
    auto r = tool(files, "mscompress {} 2>/dev/null", [&](const fs::path& f) { return sizeOf(f.string() + "_"); });
    if (r.first >= 0)
        std::printf("%-22s %11.2f%% %10.1f\n", "mscompress", 100.0 * r.second / input, mbIn / r.first);
    r = tool(files, "msexpand < {}_ > /dev/null", [](const fs::path&) { return 0; });
    if (r.first >= 0)
        std::printf("%-22s %12s %10.1f\n", "msexpand", "", mbIn / r.first);
    r = tool(files, "gzip -1 -c {} > {}.gz", [&](const fs::path& f) { return sizeOf(f.string() + ".gz"); });
    if (r.first >= 0)
        std::printf("%-22s %11.2f%% %10.1f\n", "gzip -1", 100.0 * r.second / input, mbIn / r.first);
    r = tool(files, "zstd -q -1 -f {} -o {}.zst", [&](const fs::path& f) { return sizeOf(f.string() + ".zst"); });
    if (r.first >= 0)
        std::printf("%-22s %11.2f%% %10.1f\n", "zstd -1", 100.0 * r.second / input, mbIn / r.first);
    if (!std::getenv("ZRV_BENCH_KEEP"))
        fs::remove_all(work);
    return 0;
}
