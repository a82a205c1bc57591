#include "authoring/build/planner.h"

#include <charconv>
#include <limits>

namespace zrv::build {

std::optional<Capacity> Capacity::parse(std::string_view text) {
    struct Format {
        const char* name;
        std::uint64_t clusterSize, clusters;
        int rootEntries;
    };
    // As mformat lays the formats out: data clusters after the boot sector, both
    // FATs and the root directory.
    static const Format kFormats[] = {
        {"360K", 1024, 354, 112}, {"720K", 1024, 713, 112}, {"1.2M", 512, 2371, 224},
        {"1.44M", 512, 2847, 224}, {"2.88M", 1024, 2863, 240},
    };
    for (const Format& f : kFormats)
        if (text == f.name)
            return Capacity{Kind::Floppy, f.name, f.clusterSize, f.clusters, f.rootEntries};
    if (text == "unlimited")
        return Capacity{Kind::Unlimited, "unlimited", 1, 0, 0};
    std::uint64_t bytes = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), bytes);
    if (ec != std::errc() || end != text.data() + text.size() || bytes == 0)
        return std::nullopt;
    return Capacity{Kind::Bytes, std::string(text), 1, bytes, 0};
}

namespace {

class Filler {
public:
    Filler(const Capacity& c, Plan& plan, int maxDisks, const std::function<Item(int)>& markerOf)
        : m_c(c), m_plan(plan), m_maxDisks(maxDisks), m_markerOf(markerOf) {}

    std::uint64_t free() const {
        if (m_c.kind == Capacity::Kind::Unlimited)
            return std::numeric_limits<std::uint64_t>::max();
        const Disk& d = m_plan.disks.back();
        if (m_c.rootEntries && d.entries >= m_c.rootEntries)
            return 0;
        const std::uint64_t usedClusters = d.usedBytes / m_c.clusterSize;
        return usedClusters >= m_c.clusters ? 0 : (m_c.clusters - usedClusters) * m_c.clusterSize;
    }
    // What a fresh disk with its marker leaves.
    std::uint64_t emptyFree(bool marker) const {
        if (m_c.kind == Capacity::Kind::Unlimited)
            return std::numeric_limits<std::uint64_t>::max();
        const std::uint64_t used = marker ? rounded(m_markerOf(2).size) : 0;
        return m_c.clusters * m_c.clusterSize - used;
    }
    void take(int item, std::uint64_t size) {
        Disk& d = m_plan.disks.back();
        d.pieces.push_back({item, size});
        d.usedBytes += rounded(size);
        ++d.entries;
        auto& span = m_plan.spans[item];
        const int disk = static_cast<int>(m_plan.disks.size());
        if (!span.first)
            span.first = disk;
        span.last = disk;
    }
    // A new disk, with its marker unless it only carries CLEANUP.EXE.
    bool next(bool marker, PlanError& error) {
        if (static_cast<int>(m_plan.disks.size()) >= m_maxDisks) {
            error.reason = "the set needs more than " + std::to_string(m_maxDisks) + " disks";
            return false;
        }
        m_plan.disks.emplace_back();
        // A floppy's volume label takes a root entry.
        m_plan.disks.back().entries = m_c.kind == Capacity::Kind::Floppy ? 1 : 0;
        if (marker) {
            m_plan.items.push_back(m_markerOf(static_cast<int>(m_plan.disks.size())));
            m_plan.spans.emplace_back();
            take(static_cast<int>(m_plan.items.size()) - 1, m_plan.items.back().size);
        }
        return true;
    }

private:
    std::uint64_t rounded(std::uint64_t size) const {
        if (m_c.kind != Capacity::Kind::Floppy)
            return size;
        return (size + m_c.clusterSize - 1) / m_c.clusterSize * m_c.clusterSize;
    }

    const Capacity& m_c;
    Plan& m_plan;
    int m_maxDisks;
    const std::function<Item(int)>& m_markerOf;
};

std::string kb(std::uint64_t bytes) { return std::to_string(bytes) + " bytes"; }

} // namespace

PlanResult plan(const std::vector<Item>& items, const Capacity& capacity, std::uint64_t splitSize, int maxDisks,
                const std::function<Item(int)>& markerOf) {
    PlanResult result;
    Plan p;
    p.items = items;
    p.spans.assign(items.size(), {});
    Filler fill(capacity, p, maxDisks, markerOf);
    PlanError error;
    auto fail = [&](int item, std::string reason) {
        result.error = PlanError{item, std::move(reason)};
        return result;
    };
    p.disks.emplace_back();
    p.disks.back().entries = capacity.kind == Capacity::Kind::Floppy ? 1 : 0;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const Item& item = items[i];
        const std::uint64_t size = item.size;
        switch (item.role) {
        case Role::Marker:
        case Role::SetupDat:
        case Role::Runtime:
        case Role::Placeholder:
            // Everything the start needs is on disk 1.
            if (p.disks.size() != 1 || size >= fill.free())
                return fail(i, item.name + " (" + kb(size) + ") does not fit on disk 1 with the files before it (a " +
                                   capacity.name + " disk)");
            fill.take(i, size);
            break;
        case Role::Cleanup:
            if (size >= fill.free()) {
                if (size >= fill.emptyFree(false))
                    return fail(i, item.name + " (" + kb(size) + ") fits no " + capacity.name + " disk");
                if (!fill.next(false, error))
                    return fail(i, error.reason);
            }
            fill.take(i, size);
            p.cleanupDisk = static_cast<int>(p.disks.size());
            break;
        case Role::Bitmap:
        case Role::File:
        case Role::Extra: {
            const bool splittable = item.role != Role::Bitmap;
            if (size < fill.free()) {
                fill.take(i, size);
                break;
            }
            if (splittable && size > splitSize) {
                std::uint64_t left = size;
                while (left) {
                    if (fill.free() == 0 && !fill.next(true, error))
                        return fail(i, error.reason);
                    const std::uint64_t piece = std::min(left, fill.free());
                    if (piece == 0)
                        return fail(i, item.name + " does not fit an empty " + capacity.name + " disk");
                    fill.take(i, piece);
                    left -= piece;
                    if (left && !fill.next(true, error))
                        return fail(i, error.reason);
                }
                break;
            }
            // Not split: it goes whole onto the next disk, if it fits an empty one.
            if (size >= fill.emptyFree(true))
                return fail(i, item.name + " (" + kb(size) + ") fits no " + capacity.name + " disk and is not larger than the split size (" +
                                   kb(splitSize) + ")");
            if (!fill.next(true, error))
                return fail(i, error.reason);
            fill.take(i, size);
            break;
        }
        }
    }
    result.plan = std::move(p);
    return result;
}

} // namespace zrv::build
