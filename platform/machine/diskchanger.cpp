#include "platform/machine/diskchanger.h"

#include "platform/machine/machine.h"

namespace zrv {

std::optional<DriveMapping> DiskChanger::insert(Machine& machine, const std::function<bool()>& wanted) const {
    if (m_disks.empty())
        return std::nullopt;
    std::optional<DriveMapping> before;
    if (const Drive* now = machine.drive('A'))
        before = now->mapping();
    for (const DriveMapping& disk : m_disks) {
        if (!machine.mapDrive(disk))
            continue;
        if (wanted())
            return disk;
    }
    if (before)
        (void)machine.mapDrive(*before);
    return std::nullopt;
}

} // namespace zrv
