// Writes the kit's runtime stand-ins into a folder, so they can be looked at,
// given to `zrva32 build --runtime`, or replaced by real ones.
#include "authoring/build/runtime.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_runtime FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    for (const char* name : {"SETUP.EXE", "ZRVX16.EXE", "ZRVX32.EXE", "ZRVUNI.EXE", "CLEANUP.EXE", "CTL3DV2.DLL",
                             "CTL3D32.DLL", "LZEXPAND.DLL", "LZ32.DLL", "REGSVR.EXE", "REGSVR32.EXE", "ZRVCMD.PIF"}) {
        const std::string bytes = zrv::build::standInFile(name);
        const auto path = folder / name;
        const auto tmp = folder / (std::string(name) + ".tmp");
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "make_runtime: cannot write %s\n", tmp.string().c_str());
            return 1;
        }
        std::filesystem::rename(tmp, path, ec);
        if (ec) {
            std::fprintf(stderr, "make_runtime: cannot write %s: %s\n", path.string().c_str(), ec.message().c_str());
            return 1;
        }
    }
    return 0;
}
