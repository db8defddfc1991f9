// A sequence kept in blocks of at most MaxBlock elements, with a directory of the index
// each block starts at. Inserting or erasing moves the elements of one block and shifts the
// directory entries after it, instead of moving every later element: a series that takes
// its points in random X order inserts in the middle all the time.
#pragma once

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <iterator>
#include <span>
#include <type_traits>
#include <utility>
#include <vector>

namespace vemora {

// 512 by measure: 40000 points added in random X order cost the same with 256 and more
// with 128 or 1024 (more directory to shift, or more of a block to move); in X order and in
// memory bigger blocks did slightly better.
template <class T, int32_t MaxBlock = 512> class TBlockedArray {
    static_assert(MaxBlock >= 4 && MaxBlock % 2 == 0);
    static_assert(!std::is_same_v<T, bool>, "blocks are std::vector, which packs bool");

public:
    TBlockedArray() = default;
    // A copy or a move starts with no block remembered: the one remembered points into the
    // storage of the array it came from.
    TBlockedArray(const TBlockedArray& other)
        : blocks_(other.blocks_), starts_(other.starts_), size_(other.size_) {}
    TBlockedArray(TBlockedArray&& other) noexcept
        : blocks_(std::move(other.blocks_)), starts_(std::move(other.starts_)),
          size_(std::exchange(other.size_, 0)) {
        other.Clear();
    }
    TBlockedArray& operator=(TBlockedArray other) noexcept {
        blocks_.swap(other.blocks_);
        starts_.swap(other.starts_);
        std::swap(size_, other.size_);
        Forget();
        ++version_;
        return *this;
    }
    ~TBlockedArray() = default;

    int32_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // Counts the changes: every call that may change an element or the size adds to it,
    // writable access included, so that a reader can tell whether anything changed since
    // it last looked without being told.
    uint64_t Version() const { return version_; }
    int32_t BlockCount() const { return static_cast<int32_t>(blocks_.size()); }

    // Reads are O(1) while they stay in the block of the previous look-up or move on to the
    // next one; elsewhere they search the directory. The look-up is remembered even by a
    // const read, so one array must not be read from two threads at once.
    const T& operator[](int32_t index) const {
        const int32_t offset = Find(index);
        return hitData_[offset];
    }
    T& operator[](int32_t index) {
        const int32_t offset = Find(index);
        ++version_;
        return hitData_[offset];
    }

    // The elements from index to the end of its block.
    std::span<const T> ChunkAt(int32_t index) const {
        const int32_t offset = Find(index);
        return {hitData_ + offset, static_cast<size_t>(hitEnd_ - index)};
    }

    // The contiguous run of elements that ends at index, from the start of its block.
    std::span<const T> ChunkEndingAt(int32_t index) const {
        const int32_t offset = Find(index);
        return {hitData_, static_cast<size_t>(offset + 1)};
    }

    // Calls f(firstIndex, span) for consecutive chunks covering [first, last].
    template <class F> void ForEachChunk(int32_t first, int32_t last, F f) const {
        for (int32_t i = first; i <= last;) {
            std::span<const T> chunk = ChunkAt(i);
            if (static_cast<int32_t>(chunk.size()) > last - i + 1)
                chunk = chunk.first(static_cast<size_t>(last - i + 1));
            f(i, chunk);
            i += static_cast<int32_t>(chunk.size());
        }
    }

    // The first index whose element fails pred, for a pred that holds on a prefix of the
    // array and nowhere after it (as std::partition_point).
    template <class Pred> int32_t PartitionPoint(Pred pred) const {
        const size_t b = FirstFailing(blocks_.data(), blocks_.size(),
                                      [&](const Block& block) { return pred(block.back()); });
        if (b == blocks_.size())
            return size_;
        // An insertion at the point found comes next, as a rule.
        Remember(static_cast<int32_t>(b));
        const Block& block = blocks_[b];
        return starts_[b] + static_cast<int32_t>(FirstFailing(block.data(), block.size(), pred));
    }

    void Insert(int32_t index, T value) {
        assert(index >= 0 && index <= size_);
        if (blocks_.empty()) {
            NewBlock(0, 0);
        } else if (index == size_ && blocks_.back().size() == kMax) {
            // Input in order fills each block to the brim before it starts the next.
            NewBlock(blocks_.size(), size_);
        }
        size_t b = index == size_ ? blocks_.size() - 1 : static_cast<size_t>(BlockIndex(index));
        if (blocks_[b].size() == kMax) {
            Split(b);
            if (index > starts_[b + 1])
                ++b;
        }
        Block& block = blocks_[b];
        MakeRoom(block, b + 1 == blocks_.size());
        block.insert(block.begin() + (index - starts_[b]), std::move(value));
        ShiftStarts(b + 1, 1);
        ++size_;
        ++version_;
        Remember(static_cast<int32_t>(b));
    }

    void PushBack(T value) { Insert(size_, std::move(value)); }

    void Erase(int32_t index) {
        assert(index >= 0 && index < size_);
        const auto b = static_cast<size_t>(BlockIndex(index));
        Block& block = blocks_[b];
        block.erase(block.begin() + (index - starts_[b]));
        ShiftStarts(b + 1, -1);
        --size_;
        ++version_;
        if (block.empty()) {
            blocks_.erase(blocks_.begin() + static_cast<ptrdiff_t>(b));
            starts_.erase(starts_.begin() + static_cast<ptrdiff_t>(b));
            Forget();
        } else if (block.size() < kMax / 4 && MergeSmall(b)) {
            Forget();
        } else {
            Remember(static_cast<int32_t>(b));
        }
    }

    void Swap(int32_t i, int32_t j) {
        using std::swap;
        T& a = (*this)[i];
        swap(a, (*this)[j]);
    }

    void Fill(const T& value) {
        for (Block& block : blocks_)
            std::fill(block.begin(), block.end(), value);
        ++version_;
    }

    // The elements from index to the end of its block, to be written.
    std::span<T> MutableChunkAt(int32_t index) {
        const int32_t offset = Find(index);
        ++version_;
        return {hitData_ + offset, static_cast<size_t>(hitEnd_ - index)};
    }

    // Empties the array and gives its memory back.
    void Clear() {
        std::vector<Block>().swap(blocks_);
        std::vector<int32_t>().swap(starts_);
        size_ = 0;
        ++version_;
        Forget();
    }

    // Makes the array `count` copies of the value, in full blocks.
    void Assign(int32_t count, const T& value) {
        Clear();
        for (int32_t start = 0; start < count; start += MaxBlock) {
            NewBlock(blocks_.size(), start);
            blocks_.back().assign(static_cast<size_t>(std::min(count - start, MaxBlock)), value);
        }
        size_ = std::max(count, 0);
    }

    // Room in the directory for this many elements in full blocks; the blocks themselves
    // grow as they fill.
    void Reserve(int32_t count) {
        const auto blocks = static_cast<size_t>(std::max(count, 0) / MaxBlock + 1);
        blocks_.reserve(blocks);
        starts_.reserve(blocks);
    }

private:
    using Block = std::vector<T>;
    static constexpr size_t kMax = MaxBlock;
    // A block inside the array grows by this much at a time, so that the many blocks a
    // random order leaves part full waste little; the last block, which takes input in
    // order, doubles.
    static constexpr size_t kStep = std::max<size_t>(kMax / 16, 4);
    static constexpr size_t kFirst = std::min<size_t>(16, kMax);

    // std::partition_point over n elements from first, halving without branches on pred:
    // the places looked for come in no order that a branch predictor could learn.
    template <class E, class Pred> static size_t FirstFailing(const E* first, size_t n, Pred pred) {
        if (n == 0)
            return 0;
        const E* base = first;
        while (n > 1) {
            const size_t half = n / 2;
            base = pred(base[half - 1]) ? base + half : base;
            n -= half;
        }
        return static_cast<size_t>(base - first) + (pred(*base) ? 1 : 0);
    }

    // The offset of index in its block, with that block remembered.
    int32_t Find(int32_t index) const {
        assert(index >= 0 && index < size_);
        if (static_cast<uint32_t>(index - hitFirst_) >= static_cast<uint32_t>(hitEnd_ - hitFirst_))
            Seek(index);
        return index - hitFirst_;
    }

    int32_t BlockIndex(int32_t index) const {
        Find(index);
        return hitBlock_;
    }

    void Seek(int32_t index) const {
        const auto count = static_cast<int32_t>(blocks_.size());
        int32_t b = hitBlock_ + 1;
        if (b >= count || index < starts_[b] || index >= BlockEnd(b)) {
            // The last block starting at or before index, halving without branches as above.
            const int32_t* base = starts_.data();
            for (size_t n = starts_.size(); n > 1;) {
                const size_t half = n / 2;
                base = base[half] <= index ? base + half : base;
                n -= half;
            }
            b = static_cast<int32_t>(base - starts_.data());
        }
        Remember(b);
    }

    // The next read near a change is likely: after one, the changed block stays at hand.
    void Remember(int32_t b) const {
        hitBlock_ = b;
        hitFirst_ = starts_[b];
        hitEnd_ = BlockEnd(b);
        hitData_ = const_cast<T*>(blocks_[b].data());
    }

    int32_t BlockEnd(int32_t b) const {
        return starts_[b] + static_cast<int32_t>(blocks_[b].size());
    }

    // After blocks came or went the remembered one may have moved: the next read searches.
    void Forget() const {
        hitFirst_ = hitEnd_ = 0;
        hitBlock_ = -1;
        hitData_ = nullptr;
    }

    void NewBlock(size_t at, int32_t start) {
        blocks_.insert(blocks_.begin() + static_cast<ptrdiff_t>(at), Block());
        starts_.insert(starts_.begin() + static_cast<ptrdiff_t>(at), start);
    }

    static void MakeRoom(Block& block, bool last) {
        if (block.size() < block.capacity())
            return;
        const size_t grown = last ? std::max(block.capacity() * 2, kFirst) : block.size() + kStep;
        block.reserve(std::min(grown, kMax));
    }

    // A block with just its elements and room for kStep more.
    static Block Compact(Block& from, size_t first, size_t last) {
        Block to;
        to.reserve(last - first + kStep);
        std::move(from.begin() + static_cast<ptrdiff_t>(first),
                  from.begin() + static_cast<ptrdiff_t>(last), std::back_inserter(to));
        return to;
    }

    // Halves a full block into it and a new one after it.
    void Split(size_t b) {
        Block upper = Compact(blocks_[b], kMax / 2, kMax);
        blocks_[b] = Compact(blocks_[b], 0, kMax / 2);
        NewBlock(b + 1, starts_[b] + static_cast<int32_t>(kMax / 2));
        blocks_[b + 1] = std::move(upper);
    }

    // Joins a block that erasures left small to a neighbour, while the two fill at most half
    // a block, so that many erasures do not leave many tiny blocks.
    bool MergeSmall(size_t b) {
        const auto fits = [&](size_t other) {
            return blocks_[b].size() + blocks_[other].size() <= kMax / 2;
        };
        size_t into;
        if (b + 1 < blocks_.size() && fits(b + 1))
            into = b;
        else if (b > 0 && fits(b - 1))
            into = b - 1;
        else
            return false;
        Block& head = blocks_[into];
        Block& tail = blocks_[into + 1];
        Block joined;
        joined.reserve(head.size() + tail.size() + kStep);
        std::move(head.begin(), head.end(), std::back_inserter(joined));
        std::move(tail.begin(), tail.end(), std::back_inserter(joined));
        head = std::move(joined);
        blocks_.erase(blocks_.begin() + static_cast<ptrdiff_t>(into + 1));
        starts_.erase(starts_.begin() + static_cast<ptrdiff_t>(into + 1));
        return true;
    }

    void ShiftStarts(size_t from, int32_t by) {
        for (size_t b = from; b < starts_.size(); ++b)
            starts_[b] += by;
    }

    std::vector<Block> blocks_;
    std::vector<int32_t> starts_;
    int32_t size_ = 0;
    uint64_t version_ = 0;
    mutable int32_t hitBlock_ = -1;
    mutable int32_t hitFirst_ = 0;
    mutable int32_t hitEnd_ = 0;
    mutable T* hitData_ = nullptr;
};

} // namespace vemora
