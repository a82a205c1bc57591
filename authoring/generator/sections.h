// The script's sections in order, one function each, over the shared state:
// the disk the script expects in the drive and the label counter.
#pragma once

#include "authoring/generator/writer.h"

#include <array>
#include <cstdint>

namespace zrv::generator {

class Sections {
public:
    explicit Sections(const Input& in);

    void all();
    Writer& writer() { return m_w; }
    const std::vector<Problem>& warnings() const { return m_warnings; }

    // The script skeleton.
    void header();
    void bitmapCopying();
    void objects();
    void closeSetupProgram();
    void backdropChoice();
    void upgradeDetection();
    void userCode(int slot, std::string_view comment);
    void welcomeDialog();
    void optionsDialog();
    void installationPath();
    void diskSpaceCheck();
    void success();
    void installationCompletion();
    void userSubroutines();
    void endings();
    void bitmapDeletion();
    void finalTidyUp();
    void cleanup();

    // The files.
    void protection(int attribute);
    void fileCopying();
    void registration();

    // Groups and de-install.
    void deinstallSetup();
    void deinstallCleanup();
    void programManagerGroup();
    void deinstallIcon();

private:
    // The two lines that make sure the current disk is in the drive.
    void diskCheck();
    std::string diskLabel(int disk) const;
    std::string text(authoring::DialogText t) const { return m_p.text(t); }
    void message(int n, authoring::DialogText t);
    bool severalOptions() const { return m_p.options.size() > 1; }

    // Per file.
    void copyLines(const authoring::FileEntry& e, const DiskLayout::Span& span, const std::string& target,
                   const std::string& key);
    void gaugeText(const authoring::FileEntry& e, bool split, const std::string& key);
    void inUseGuard(const authoring::FileEntry& e, const std::string& key);
    void overwriteGuard(const authoring::FileEntry& e, bool split, const std::string& key);
    void fileDeinstall(const authoring::FileEntry& e, const std::string& key);
    void fileIcons();
    void deinstallCode(const char* section, int slot);

    const Input& m_in;
    const ProjectData& m_p;
    Writer m_w;
    int m_disk = 1;
    int m_label = 1;
    std::vector<Problem> m_warnings;
};


} // namespace zrv::generator
