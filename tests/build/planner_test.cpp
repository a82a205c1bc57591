#include "authoring/build/planner.h"

#include <gtest/gtest.h>

using namespace zrv::build;

namespace {

Item marker(int disk) { return Item{"DISK0" + std::to_string(disk), 8, Role::Marker, -1}; }

// Disk 1's start (marker, SETUP.DAT) and then `rest`.
std::vector<Item> set(std::vector<Item> rest) {
    std::vector<Item> items = {marker(1), {"SETUP.DAT", 10, Role::SetupDat}};
    items.insert(items.end(), rest.begin(), rest.end());
    return items;
}

PlanResult run(const std::vector<Item>& items, const std::string& capacity, std::uint64_t split = 100 * 1024) {
    return plan(items, *Capacity::parse(capacity), split, 99, marker);
}

TEST(Planner, FloppyFormatsAsMformatLaysThemOut) {
    EXPECT_EQ(Capacity::parse("1.44M")->clusters, 2847u);
    EXPECT_EQ(Capacity::parse("1.44M")->clusterSize, 512u);
    EXPECT_EQ(Capacity::parse("1.44M")->rootEntries, 224);
    EXPECT_EQ(Capacity::parse("720K")->clusters, 713u);
    EXPECT_EQ(Capacity::parse("360K")->clusters, 354u);
    EXPECT_EQ(Capacity::parse("1.2M")->clusters, 2371u);
    EXPECT_EQ(Capacity::parse("2.88M")->clusters, 2863u);
    EXPECT_EQ(Capacity::parse("5000")->kind, Capacity::Kind::Bytes);
    EXPECT_FALSE(Capacity::parse("0"));
    EXPECT_FALSE(Capacity::parse("1.5M"));
    EXPECT_FALSE(Capacity::parse("12x"));
}

// Byte-count disks of 100,018 bytes: 100,000 free after marker and SETUP.DAT.
constexpr const char* kDisk = "100018";

TEST(Planner, AFileLargerThanFreeSpaceAndSplitSizeIsSplit) {
    // 150 K with split size 100 K and 40 K free: 40 K here, the rest on the next disks.
    auto r = run(set({{"FILL", 60000 - 1, Role::Runtime}, {"BIG.DAT", 150 * 1024, Role::File, 0}}), kDisk);
    ASSERT_TRUE(r.plan) << r.error->reason;
    const Plan& p = *r.plan;
    EXPECT_EQ(p.spans[3].first, 1);
    EXPECT_EQ(p.spans[3].last, 3);
    EXPECT_EQ(p.disks[0].pieces.back().size, 40001u);
    EXPECT_EQ(p.disks[1].pieces[0].item, 4); // disk 2's marker first
    EXPECT_EQ(p.disks[1].pieces[1].size, 100010u); // the disk filled to its last byte
    EXPECT_EQ(p.disks[2].pieces[1].size, 150u * 1024 - 40001 - 100010);
}

TEST(Planner, AFileNotLargerThanTheSplitSizeMovesWhole) {
    auto r = run(set({{"FILL", 60000 - 1, Role::Runtime}, {"MID.DAT", 90 * 1024, Role::File, 0}}), kDisk);
    ASSERT_TRUE(r.plan);
    EXPECT_EQ(r.plan->spans[3].first, 2); // recorded where it went, not where it was tried
    EXPECT_EQ(r.plan->spans[3].last, 2);
    EXPECT_EQ(r.plan->disks[0].pieces.size(), 3u);
}

TEST(Planner, AnItemFitsOnlyWhenSmallerThanTheFreeSpace) {
    // 40,000 free: a 40,000-byte bitmap goes to disk 2, one of 39,999 stays.
    auto exact = run(set({{"FILL", 60000, Role::Placeholder}, {"A.BM_", 40000, Role::Bitmap, 0}}), kDisk);
    ASSERT_TRUE(exact.plan);
    EXPECT_EQ(exact.plan->spans[3].first, 2);
    auto less = run(set({{"FILL", 60000, Role::Placeholder}, {"A.BM_", 39999, Role::Bitmap, 0}}), kDisk);
    EXPECT_EQ(less.plan->spans[3].first, 1);
}

TEST(Planner, CleanupGoesOnAFurtherDiskWithoutMarkerWhenTheLastIsFull) {
    auto r = run(set({{"FILL", 99990, Role::Runtime}, {"CLEANUP.EXE", 100, Role::Cleanup}}), kDisk);
    ASSERT_TRUE(r.plan);
    EXPECT_EQ(r.plan->cleanupDisk, 2);
    ASSERT_EQ(r.plan->disks.size(), 2u);
    EXPECT_EQ(r.plan->disks[1].pieces.size(), 1u); // no marker
    EXPECT_EQ(r.plan->items.size(), 4u);
}

TEST(Planner, WhatCannotFitIsRefused) {
    // Not larger than the split size and larger than an empty disk: never fits.
    auto r = run(set({{"HUGE.DAT", 100015, Role::File, 0}}), kDisk, 200000);
    ASSERT_TRUE(r.error);
    EXPECT_EQ(r.error->item, 2);
    EXPECT_NE(r.error->reason.find("split size"), std::string::npos);
    EXPECT_TRUE(run(set({{"ZRVX32.EX_", 200000, Role::Runtime}}), kDisk).error);
    EXPECT_TRUE(run(set({{"LOGO.BM_", 200000, Role::Bitmap, 0}}), kDisk).error);
    auto many = plan(set({{"BIG", 1000000, Role::File, 0}}), *Capacity::parse(kDisk), 1000, 3, marker);
    ASSERT_TRUE(many.error);
    EXPECT_NE(many.error->reason.find("more than 3 disks"), std::string::npos);
}

TEST(Planner, FloppiesCountClustersAndRootEntries) {
    // 1.44M: 2,847 clusters of 512 bytes. Each small file takes a whole cluster.
    std::vector<Item> small;
    for (int i = 0; i < 300; ++i)
        small.push_back({"F" + std::to_string(i), 1, Role::File, i});
    auto r = run(set(small), "1.44M");
    ASSERT_TRUE(r.plan);
    // 224 entries: the label, the marker, SETUP.DAT and 221 files on disk 1.
    EXPECT_EQ(r.plan->disks[0].pieces.size(), 223u);
    EXPECT_EQ(r.plan->disks[0].entries, 224);
    EXPECT_EQ(r.plan->disks[0].usedBytes, 223u * 512);
    // A file of 2,845 clusters after marker and SETUP.DAT (2 clusters) is an exact fit: it moves on.
    auto exact = run(set({{"X", 2845u * 512, Role::File, 0}}), "1.44M", 10u * 1024 * 1024);
    ASSERT_TRUE(exact.plan);
    EXPECT_EQ(exact.plan->spans[2].first, 2);
    auto less = run(set({{"X", 2845u * 512 - 1, Role::File, 0}}), "1.44M", 10u * 1024 * 1024);
    EXPECT_EQ(less.plan->spans[2].first, 1);
}

TEST(Planner, UnlimitedIsOneDisk) {
    auto r = run(set({{"A", 5'000'000'000ULL, Role::File, 0}, {"CLEANUP.EXE", 10, Role::Cleanup}}), "unlimited", 1);
    ASSERT_TRUE(r.plan);
    EXPECT_EQ(r.plan->disks.size(), 1u);
    EXPECT_EQ(r.plan->cleanupDisk, 1);
}

} // namespace
