// Helpers shared by the tests: a temporary folder removed afterwards, and a
// fresh machine inside one.
#pragma once

#include "common/system.h"
#include "platform/machine/machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace zrv::testing {

// A clock that moves only when waited on: each sleep adds its time, so waits
// are checked exactly and take no time. It starts `offsetMs` into a second.
class FakeClock {
public:
    explicit FakeClock(long offsetMs = 0) : m_start(offsetMs), m_ms(offsetMs) {
        setClock(Clock{[this] { return static_cast<std::time_t>(kEpoch + m_ms / 1000); },
                       [this](std::chrono::milliseconds d) { m_ms += d.count(); }});
    }
    FakeClock(const FakeClock&) = delete;
    FakeClock& operator=(const FakeClock&) = delete;
    ~FakeClock() { setClock({}); }
    // Time waited since the clock was made.
    long sleptMs() const { return m_ms - m_start; }

private:
    static constexpr std::time_t kEpoch = 1000000000;
    long m_start;
    long m_ms;
};

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zrv-test-XXXXXX").string();
        char* made = ::mkdtemp(pattern.data());
        if (!made)
            throw std::runtime_error("mkdtemp failed");
        m_path = made;
    }
    ~TempDir() {
        std::error_code ec;
        // Read-only files made by a test must not stop the clean-up.
        for (auto it = std::filesystem::recursive_directory_iterator(m_path, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add | std::filesystem::perm_options::nofollow, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

inline void writeHost(const std::filesystem::path& p, const std::string& text) {
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
}

inline std::string readHost(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The smallest PE image the machine's checks look at: MZ, the PE offset,
// PE\0\0 and the characteristics word (executable, and a DLL when asked).
inline std::string fakePe(bool dll) {
    std::string img(0x80, '\0');
    img[0] = 'M';
    img[1] = 'Z';
    img[0x3C] = 0x40;
    img.replace(0x40, 4, std::string("PE\0\0", 4));
    img[0x40 + 22] = 0x02;
    img[0x40 + 23] = dll ? 0x20 : 0x00;
    return img;
}

// A fresh machine in a temporary folder.
class MachineTest : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void open(MachineOptions options = {}) {
        keep.reset();
        m.reset();
        auto r = Machine::open(dir.path() / "machine", options);
        ASSERT_TRUE(r.ok()) << r.error().describe();
        m = std::move(r.value());
        if (keepFolders)
            keep = std::make_unique<Machine::KeepFolders>(*m);
    }
    std::filesystem::path cHost() const { return dir.path() / "machine" / "drive_c"; }
    void put(const std::string& winPath, const std::string& text) {
        auto f = m->openFile(winPath, Access::Write, Disposition::CreateAlways);
        ASSERT_TRUE(f.ok()) << winPath << ": " << f.error().describe();
        ASSERT_TRUE(f->write(text.data(), text.size()).ok());
    }
    std::string get(const std::string& winPath) {
        auto t = m->readFile(winPath);
        return t ? *t : std::string("<") + winErrorName(t.code()) + ">";
    }

    TempDir dir;
    std::unique_ptr<Machine> m;
    bool keepFolders = false; // run with the machine keeping the folders it resolves
    std::unique_ptr<Machine::KeepFolders> keep;
};

} // namespace zrv::testing
