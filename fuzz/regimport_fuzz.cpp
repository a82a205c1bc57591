// The .REG importer takes any text: it merges or names a line, and what it
// merged exports again.
#include "platform/registry/registry.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static std::filesystem::path file = std::filesystem::temp_directory_path() /
                                        ("zrv-fuzz-reg-" + std::to_string(::getpid()) + ".db");
    static std::unique_ptr<zrv::Registry> reg = std::move(zrv::Registry::open(file).value());
    std::string text = "REGEDIT4\r\n" + std::string(reinterpret_cast<const char*>(data), size);
    (void)reg->importText(text);
    auto exported = reg->exportText();
    if (!exported.ok())
        std::abort();
    return 0;
}
