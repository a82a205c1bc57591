// Where every item of a disk set goes: a pure function of the items' sizes in
// fill order and the capacity of a disk.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zrv::build {

// What one disk holds: bytes in clusters of a size, and root directory
// entries (a floppy format); exact bytes (a byte count); or no limit.
struct Capacity {
    enum class Kind { Floppy, Bytes, Unlimited };
    Kind kind = Kind::Unlimited;
    std::string name;              // "1.44M", "720K", ..., the byte count, "unlimited"
    std::uint64_t clusterSize = 1; // bytes
    std::uint64_t clusters = 0;    // data clusters, or bytes for a byte count
    int rootEntries = 0;           // 0: no limit

    // "360K", "720K", "1.2M", "1.44M", "2.88M", a number of bytes, "unlimited".
    static std::optional<Capacity> parse(std::string_view text);
    // The format's sectors per track, heads and sectors, for writing images.
    std::uint64_t totalBytes() const { return clusterSize * clusters; }
};

enum class Role { Marker, SetupDat, Runtime, Placeholder, Bitmap, File, Cleanup, Extra };

struct Item {
    std::string name; // the name on the disk
    std::uint64_t size = 0;
    Role role = Role::File;
    int index = -1; // the bitmap's or file entry's index
};

struct Piece {
    int item = 0; // index into the items
    std::uint64_t size = 0;
};

struct Disk {
    std::vector<Piece> pieces;
    std::uint64_t usedBytes = 0; // in whole clusters
    int entries = 0;
};

struct Plan {
    std::vector<Item> items; // the given ones, then the markers of disks 2, 3, ...
    std::vector<Disk> disks;
    struct Span {
        int first = 0; // 0: not on the set
        int last = 0;
    };
    std::vector<Span> spans; // per item
    int cleanupDisk = 0;
};

struct PlanError {
    int item = -1; // the item at fault, if any
    std::string reason;
};

struct PlanResult {
    std::optional<Plan> plan;
    std::optional<PlanError> error;
};

// Places the items in their order: everything up to the placeholder on disk 1;
// then each item on the current disk when its size is smaller than the free
// space, else on the next disk (each disk after the first begins with its
// marker, `markerOf(disk)`); a file larger than the free space and the split
// size is split over as many disks as it needs; CLEANUP.EXE goes on a further
// disk without a marker when the last has no room.
PlanResult plan(const std::vector<Item>& items, const Capacity& capacity, std::uint64_t splitSize, int maxDisks,
                const std::function<Item(int disk)>& markerOf);

} // namespace zrv::build
