// A disk changer on drive A: a set of disk folders of which one at a time is
// in the drive. Asked for a disk, it tries each in turn and keeps the first
// that satisfies the check.
#pragma once

#include "platform/files/drive.h"

#include <functional>
#include <optional>
#include <vector>

namespace zrv {

class Machine;

class DiskChanger {
public:
    DiskChanger() = default;
    explicit DiskChanger(std::vector<DriveMapping> disks) : m_disks(std::move(disks)) {}

    bool empty() const { return m_disks.empty(); }
    const std::vector<DriveMapping>& disks() const { return m_disks; }

    // Inserts the first disk for which `wanted` holds and returns it; with
    // none, the disk that was in the drive is put back.
    std::optional<DriveMapping> insert(Machine& machine, const std::function<bool()>& wanted) const;

private:
    std::vector<DriveMapping> m_disks;
};

} // namespace zrv
