#include "series/blocked_array.h"

#include <algorithm>
#include <cstdint>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <vector>

namespace vemora {
namespace {

// Everything the array holds, read back chunk by chunk; the chunks must follow each other
// without a gap and without an empty one.
template <class Array> std::vector<int> Chunked(const Array& array, int32_t first, int32_t last) {
    std::vector<int> out;
    int32_t expected = first;
    array.ForEachChunk(first, last, [&](int32_t at, std::span<const int> chunk) {
        EXPECT_EQ(at, expected);
        EXPECT_FALSE(chunk.empty());
        out.insert(out.end(), chunk.begin(), chunk.end());
        expected = at + static_cast<int32_t>(chunk.size());
    });
    return out;
}

template <class Array> std::vector<int> Indexed(const Array& array) {
    std::vector<int> out;
    for (int32_t i = 0; i < array.Size(); ++i)
        out.push_back(array[i]);
    return out;
}

// Random insertions, erasures, swaps, writes and reads against a plain vector, in small
// blocks so that splits and merges happen all the time.
template <int32_t Block> void RunAgainstVector(uint32_t seed) {
    std::mt19937 random(seed);
    const auto below = [&](int32_t n) { return static_cast<int32_t>(random() % uint32_t(n)); };
    TBlockedArray<int, Block> array;
    std::vector<int> want;
    for (int step = 0; step < 4000; ++step) {
        const auto n = static_cast<int32_t>(want.size());
        const int32_t what = below(n < 30 ? 6 : 10);
        const int value = below(1000);
        // Every change counts in the version, which never goes back.
        const uint64_t version = array.Version();
        const bool reads = what == 5 && n > 0;
        if (what < 3) {
            // Favour the ends, where input in order goes.
            const int32_t at = below(3) == 0 ? n : below(n + 1);
            array.Insert(at, value);
            want.insert(want.begin() + at, value);
        } else if (what == 3 && n > 0) {
            const int32_t a = below(n), b = below(n);
            array.Swap(a, b);
            std::swap(want[size_t(a)], want[size_t(b)]);
        } else if (what == 4 && n > 0) {
            const int32_t at = below(n);
            array[at] = value;
            want[size_t(at)] = value;
        } else if (what == 5 && n > 0) {
            // Reads hopping around, then a run of neighbours.
            const int32_t at = below(n);
            ASSERT_EQ(array[at], want[size_t(at)]);
            for (int32_t i = at; i < std::min(n, at + 2 * Block + 1); ++i)
                ASSERT_EQ(std::as_const(array)[i], want[size_t(i)]) << "index " << i;
            // The run of elements that ends there, from its block's start.
            const std::span<const int> back = array.ChunkEndingAt(at);
            ASSERT_FALSE(back.empty());
            ASSERT_LE(back.size(), size_t(Block));
            ASSERT_TRUE(std::equal(back.begin(), back.end(),
                                   want.begin() + (at + 1 - static_cast<int32_t>(back.size()))));
            // Written through a chunk: read back, and counted.
            const std::span<int> run = array.MutableChunkAt(at);
            ASSERT_FALSE(run.empty());
            run[0] = value;
            want[size_t(at)] = value;
        } else if (n > 0) {
            const int32_t at = below(4) == 0 ? 0 : below(n);
            array.Erase(at);
            want.erase(want.begin() + at);
        }
        ASSERT_EQ(array.Size(), static_cast<int32_t>(want.size()));
        if (reads || array.Size() != n || ((what == 3 || what == 4) && n > 0)) {
            ASSERT_GT(array.Version(), version) << "step " << step;
        }
        if (step % 50 == 0 && !want.empty()) {
            ASSERT_EQ(Indexed(array), want) << "step " << step;
            const int32_t first = below(array.Size());
            const int32_t last = first + below(array.Size() - first);
            ASSERT_EQ(Chunked(array, first, last),
                      std::vector<int>(want.begin() + first, want.begin() + last + 1));
        }
    }
    ASSERT_EQ(Chunked(array, 0, array.Size() - 1), want);
    while (!want.empty()) {
        array.Erase(array.Size() - 1);
        want.pop_back();
    }
    EXPECT_EQ(array.BlockCount(), 0);
}

TEST(BlockedArray, RandomChangesMatchAVector) {
    for (uint32_t seed = 1; seed <= 3; ++seed) {
        SCOPED_TRACE(seed);
        RunAgainstVector<4>(seed);
        RunAgainstVector<8>(seed);
        RunAgainstVector<64>(seed);
    }
}

TEST(BlockedArray, InputInOrderFillsEveryBlock) {
    TBlockedArray<int, 8> array;
    for (int i = 0; i < 8 * 5 + 3; ++i)
        array.PushBack(i);
    EXPECT_EQ(array.BlockCount(), 6);
    std::vector<size_t> sizes;
    array.ForEachChunk(0, array.Size() - 1,
                       [&](int32_t, std::span<const int> chunk) { sizes.push_back(chunk.size()); });
    EXPECT_EQ(sizes, (std::vector<size_t>{8, 8, 8, 8, 8, 3}));
    // A chunk starts at the index asked for and runs to the end of its block.
    EXPECT_EQ(array.ChunkAt(13).size(), 3u);
    EXPECT_EQ(array.ChunkAt(13).front(), 13);
    // An insertion into a full block halves it.
    array.Insert(10, -1);
    EXPECT_EQ(array.BlockCount(), 7);
    EXPECT_EQ(array[10], -1);
    EXPECT_EQ(array[11], 10);
    EXPECT_EQ(array.ChunkAt(8).size(), 5u);
    EXPECT_EQ(array.ChunkAt(13).size(), 4u);
    EXPECT_EQ(array.ChunkAt(13).front(), 12);
}

TEST(BlockedArray, ErasuresJoinSmallBlocksAndClearGivesEverythingBack) {
    TBlockedArray<int, 8> array;
    for (int i = 0; i < 9; ++i)
        array.PushBack(i); // blocks of 8 and 1
    array.Insert(4, 100);  // halves the full block: 5, 4, 1
    ASSERT_EQ(array.BlockCount(), 3);
    array.Erase(5); // 5, 3, 1
    array.Erase(0);
    array.Erase(0);
    array.Erase(0);
    EXPECT_EQ(array.BlockCount(), 3); // 2, 3, 1: a quarter of a block is not small yet
    array.Erase(0);                   // 1 and 3 fill half a block: they join
    EXPECT_EQ(array.BlockCount(), 2);
    EXPECT_EQ(Indexed(array), (std::vector<int>{100, 5, 6, 7, 8}));
    array.Erase(4); // an empty block goes
    EXPECT_EQ(array.BlockCount(), 1);
    array.Clear();
    EXPECT_EQ(array.Size(), 0);
    EXPECT_EQ(array.BlockCount(), 0);
    array.Insert(0, 7);
    EXPECT_EQ(Indexed(array), (std::vector<int>{7}));
}

TEST(BlockedArray, CopiesAndMovesReadTheirOwnElements) {
    TBlockedArray<int, 4> a;
    for (int i = 0; i < 20; ++i)
        a.PushBack(i);
    EXPECT_EQ(a[9], 9); // remembers a block of a
    TBlockedArray<int, 4> copy(a);
    a[9] = -9;
    a.Erase(0);
    EXPECT_EQ(copy[9], 9);
    EXPECT_EQ(Chunked(copy, 0, 19), Indexed(copy));
    TBlockedArray<int, 4> moved(std::move(copy));
    EXPECT_EQ(moved.Size(), 20);
    EXPECT_EQ(moved[9], 9);
    EXPECT_EQ(copy.Size(), 0);
    copy.PushBack(5); // a moved-from array is empty and usable
    EXPECT_EQ(Indexed(copy), (std::vector<int>{5}));
    EXPECT_EQ(moved[10], 10);
    moved = a; // remembered a block of its own before
    EXPECT_EQ(moved[8], -9);
    EXPECT_EQ(Indexed(moved), Indexed(a));
    moved = TBlockedArray<int, 4>();
    EXPECT_EQ(moved.BlockCount(), 0);
}

TEST(BlockedArray, MoveOnlyElements) {
    std::mt19937 random(7);
    TBlockedArray<std::unique_ptr<int>, 4> array;
    std::vector<int> want; // -1 for an empty pointer
    for (int step = 0; step < 600; ++step) {
        const auto n = static_cast<int32_t>(want.size());
        const auto at = static_cast<int32_t>(random() % uint32_t(n + 1));
        if (random() % 3 != 0 || n == 0) {
            const int v = step % 5 == 0 ? -1 : step;
            array.Insert(at, v < 0 ? nullptr : std::make_unique<int>(v));
            want.insert(want.begin() + at, v);
        } else if (random() % 2 == 0) {
            const auto other = static_cast<int32_t>(random() % uint32_t(n));
            array.Swap(at % n, other);
            std::swap(want[size_t(at % n)], want[size_t(other)]);
        } else {
            array.Erase(at % n);
            want.erase(want.begin() + at % n);
        }
    }
    ASSERT_EQ(array.Size(), static_cast<int32_t>(want.size()));
    for (int32_t i = 0; i < array.Size(); ++i)
        EXPECT_EQ(array[i] ? *array[i] : -1, want[size_t(i)]) << "index " << i;
}

TEST(BlockedArray, AssignFillsWholeBlocksOfOneValue) {
    TBlockedArray<int, 8> array;
    for (int i = 0; i < 5; ++i)
        array.Insert(0, i);
    for (const int32_t count : {0, 1, 8, 9, 100, 3}) {
        const uint64_t version = array.Version();
        array.Assign(count, count + 7);
        EXPECT_GT(array.Version(), version);
        ASSERT_EQ(array.Size(), count);
        EXPECT_EQ(Indexed(array), std::vector<int>(size_t(count), count + 7));
        EXPECT_EQ(array.BlockCount(), (count + 7) / 8);
    }
}

TEST(BlockedArray, PartitionPointMatchesTheStandardOne) {
    std::mt19937 random(11);
    for (int round = 0; round < 40; ++round) {
        TBlockedArray<int, 8> array;
        std::vector<int> want;
        const int count = static_cast<int>(random() % 100);
        for (int i = 0; i < count; ++i) {
            // Few distinct values, so that runs of equal ones cross blocks.
            const int v = static_cast<int>(random() % 12);
            const auto at = std::upper_bound(want.begin(), want.end(), v) - want.begin();
            array.Insert(static_cast<int32_t>(at), v);
            want.insert(want.begin() + at, v);
        }
        for (int bound = -1; bound <= 13; ++bound) {
            const auto below = [bound](int v) { return v < bound; };
            const auto notAbove = [bound](int v) { return v <= bound; };
            EXPECT_EQ(array.PartitionPoint(below),
                      std::partition_point(want.begin(), want.end(), below) - want.begin());
            EXPECT_EQ(array.PartitionPoint(notAbove),
                      std::partition_point(want.begin(), want.end(), notAbove) - want.begin());
        }
    }
}

} // namespace
} // namespace vemora
