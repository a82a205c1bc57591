// zrva32: the authoring tool. For now it exposes the SZDD codec on host files.
#include "platform/formats/lz.h"
#include "platform/host/hostfs.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage = R"(Usage: zrva32 COMMAND ...

The authoring tool of the installation kit.

Commands:
  compress SRC DST   compress SRC into DST in the SZDD format that the
                     installer (and EXPAND.EXE) reads; when DST ends in '_',
                     the character it replaces is kept in the header
  expand SRC DST     expand an SZDD file; other files are copied unchanged

Options:
  --help             show this help
  --version          show the version
)";

int usageError(const std::string& message) {
    std::fprintf(stderr, "zrva32: %s\nTry 'zrva32 --help'.\n", message.c_str());
    return 2;
}

int failure(const std::string& message) {
    std::fprintf(stderr, "zrva32: %s\n", message.c_str());
    return 1;
}

bool readAll(const fs::path& p, std::string& out) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        return false;
    std::ostringstream ss;
    ss << in.rdbuf();
    out = ss.str();
    return !in.bad();
}

// Written beside the target and renamed over it, so a failure leaves no half file.
bool writeAll(const fs::path& p, const std::string& data, std::string& why) {
    fs::path tmp = p;
    tmp += ".zrv-" + std::to_string(zrv::host::processId()) + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            fs::remove(tmp, ec);
            why = "cannot write " + p.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(tmp, p, ec);
    if (ec) {
        fs::remove(tmp, ec);
        why = "cannot write " + p.string() + ": " + ec.message();
        return false;
    }
    return true;
}

int codec(const std::string& command, const std::vector<std::string>& args) {
    if (args.size() != 2)
        return usageError(command + " takes SRC and DST");
    fs::path src = args[0], dst = args[1];
    std::error_code ec;
    if (fs::exists(dst, ec) && fs::equivalent(src, dst, ec))
        return failure("SRC and DST are the same file");
    std::string data;
    if (!readAll(src, data))
        return failure("cannot read " + src.string());
    std::string out;
    if (command == "compress") {
        std::string dstName = dst.filename().string();
        std::string srcName = src.filename().string();
        char missing = !dstName.empty() && dstName.back() == '_' && !srcName.empty() ? srcName.back() : 0;
        auto packed = zrv::szddCompress(data, missing);
        if (!packed)
            return failure(src.string() + ": " + packed.error().describe());
        out = std::move(*packed);
    } else {
        const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
        if (!zrv::isSzddHeader(bytes, data.size())) {
            out = std::move(data);
        } else {
            auto expanded = zrv::szddExpand(data);
            if (!expanded)
                return failure(src.string() + ": " + expanded.error().describe());
            out = std::move(*expanded);
        }
    }
    std::string why;
    if (!writeAll(dst, out, why))
        return failure(why);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (words.empty() && (a == "--help" || a == "-h")) {
            std::cout << kUsage;
            return 0;
        }
        if (words.empty() && a == "--version") {
            std::cout << "zrva32 0.1.0\n";
            return 0;
        }
        if (words.empty() && !a.empty() && a[0] == '-')
            return usageError("unknown option '" + a + "'");
        words.push_back(a);
    }
    if (words.empty())
        return usageError("no command given");
    std::vector<std::string> args(words.begin() + 1, words.end());
    if (words[0] == "compress" || words[0] == "expand")
        return codec(words[0], args);
    return usageError("unknown command '" + words[0] + "'");
}
