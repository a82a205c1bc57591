// Bitmap files: loading refuses or accepts, converting never reads past the
// block, and nothing allocates more than the file could fill.
#include "interpreter/ui/bitmap.h"
#include "platform/machine/machine.h"

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size) {
    static fs::path dir = fs::temp_directory_path() / ("zrv-fuzz-bitmap-" + std::to_string(::getpid()));
    static std::unique_ptr<zrv::Machine> machine = [] {
        fs::remove_all(dir);
        return zrv::Machine::open(dir / "m").value();
    }();
    std::ofstream(dir / "m" / "drive_c" / "F.BMP", std::ios::binary)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    zrv::ui::Dib dib;
    if (zrv::ui::LoadBitmapFile(*machine, "C:\\F.BMP", dib) == zrv::ui::BitmapLoad::Loaded) {
        (void)dib.colourCount();
        zrv::ui::Image image;
        if (zrv::ui::toImage(dib, image) && image.width > 0)
            (void)image.at(image.width - 1, image.height - 1);
    }
    return 0;
}
