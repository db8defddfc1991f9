#include "platform/numeric/exceptions.h"
#include "platform/numeric/extended.h"
#include "series/chart_series.h"
#include "series/value_list.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace vemora {
namespace {

std::vector<double> Values(const TChartValueList& list) {
    std::vector<double> v;
    for (int32_t i = 0; i < list.ValueCount(); ++i) {
        v.push_back(list.ValueAt(i));
    }
    return v;
}

std::unique_ptr<TChartValueList> MakeList(TChartListOrder order, std::vector<double> values) {
    auto list = std::make_unique<TChartValueList>(nullptr, "T");
    list->SetOrder(order);
    for (double v : values) {
        list->InsertAt(list->ValueCount(), v);
    }
    return list;
}

TEST(ValueList, AscendingInsertionIsStableAndOrdered) {
    TChartValueList list(nullptr, "X");
    list.SetOrder(TChartListOrder::loAscending);
    EXPECT_EQ(list.InsertInOrder(1), 0);
    EXPECT_EQ(list.InsertInOrder(2), 1);
    EXPECT_EQ(list.InsertInOrder(3), 2);
    EXPECT_EQ(list.InsertInOrder(2), 2); // after the existing 2
    EXPECT_EQ(list.InsertInOrder(0), 0);
    EXPECT_EQ(list.InsertInOrder(5), 5);
    EXPECT_EQ(list.InsertInOrder(-1), 0);
    EXPECT_EQ(Values(list), (std::vector<double>{-1, 0, 1, 2, 2, 3, 5}));
}

TEST(ValueList, DescendingAndUnorderedInsertion) {
    TChartValueList down(nullptr, "D");
    down.SetOrder(TChartListOrder::loDescending);
    for (double v : {3.0, 2.0, 1.0}) {
        down.InsertInOrder(v);
    }
    EXPECT_EQ(down.InsertInOrder(2), 2);
    EXPECT_EQ(down.InsertInOrder(4), 0);
    EXPECT_EQ(down.InsertInOrder(0), 5);
    EXPECT_EQ(Values(down), (std::vector<double>{4, 3, 2, 2, 1, 0}));

    TChartValueList none(nullptr, "N");
    for (double v : {3.0, 1.0, 2.0}) {
        none.InsertInOrder(v);
    }
    EXPECT_EQ(Values(none), (std::vector<double>{3, 1, 2}));
}

TEST(ValueList, InsertionComparesStoredValuesNotMultiplied) {
    TChartValueList list(nullptr, "X");
    list.SetOrder(TChartListOrder::loAscending);
    list.SetMultiplier(-1);
    list.InsertInOrder(1);
    list.InsertInOrder(2);
    EXPECT_EQ(list.InsertInOrder(1.5), 1);
    EXPECT_EQ(Values(list), (std::vector<double>{-1, -1.5, -2}));
}

TEST(ValueList, StatisticsWithMultiplier) {
    auto owned = MakeList(TChartListOrder::loNone, {-3, 5, 1});
    TChartValueList& list = *owned;
    list.SetMultiplier(2);
    EXPECT_EQ(Values(list), (std::vector<double>{-6, 10, 2}));
    EXPECT_EQ(list.Lowest(), -6);
    EXPECT_EQ(list.Highest(), 10);
    EXPECT_EQ(list.Sum(), 6);
    EXPECT_EQ(list.SumAbs(), 18);
    EXPECT_FALSE(list.StatsDirty());
    list.SetMultiplier(2);
    EXPECT_FALSE(list.StatsDirty());
    list.SetMultiplier(1);
    EXPECT_TRUE(list.StatsDirty());
    EXPECT_EQ(list.Highest(), 5);
}

TEST(ValueList, StatisticsAreLazyAndFollowEveryChange) {
    auto owned = MakeList(TChartListOrder::loNone, {4, 7});
    TChartValueList& list = *owned;
    EXPECT_EQ(list.Highest(), 7);
    list.InsertAt(0, 9);
    EXPECT_TRUE(list.StatsDirty());
    EXPECT_EQ(list.Highest(), 9);
    list.SetValueAt(1, -20);
    EXPECT_EQ(list.Lowest(), -20);
    list.DeleteAt(1);
    EXPECT_EQ(list.Lowest(), 7);
    list.ClearAll();
    EXPECT_EQ(list.ValueCount(), 0);
    EXPECT_TRUE(list.StatsDirty());
    EXPECT_EQ(list.Lowest(), 0);
    EXPECT_EQ(list.Highest(), 0);
    EXPECT_EQ(list.Sum(), 0);
    EXPECT_EQ(list.SumAbs(), 0);
}

TEST(ValueList, FirstValueSeedsBothExtremes) {
    // Lowest and Highest start from the first value, so a descending run still finds the
    // highest at index 0.
    auto owned = MakeList(TChartListOrder::loNone, {5, 4, 3});
    TChartValueList& list = *owned;
    EXPECT_EQ(list.Highest(), 5);
    EXPECT_EQ(list.Lowest(), 3);
}

TEST(ValueList, InfiniteValuesDoNotBreakTheStatistics) {
    auto owned = MakeList(TChartListOrder::loNone, {1, INFINITY, -2});
    TChartValueList& list = *owned;
    EXPECT_EQ(list.Highest(), INFINITY);
    EXPECT_EQ(list.Lowest(), -2);
    EXPECT_EQ(list.Sum(), INFINITY);
}

TEST(ValueList, IndexErrors) {
    auto owned = MakeList(TChartListOrder::loNone, {1, 2});
    TChartValueList& list = *owned;
    EXPECT_THROW(list.ValueAt(2), EListError);
    EXPECT_THROW(list.ValueAt(-1), EListError);
    EXPECT_THROW(list.SetValueAt(5, 0), EListError);
    EXPECT_THROW(list.DeleteAt(2), EListError);
    EXPECT_THROW(list.InsertAt(3, 0), EListError);
    EXPECT_NO_THROW(list.InsertAt(2, 0));
    try {
        list.ValueAt(7);
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (7)");
    }
    TChartValueList empty(nullptr, "E");
    try {
        empty.LastValue();
        ADD_FAILURE();
    } catch (const EListError& e) {
        EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
    }
}

TEST(ValueList, IndexOfRotateAndCopySettings) {
    auto owned = MakeList(TChartListOrder::loNone, {1, 2, 2, 3});
    TChartValueList& list = *owned;
    EXPECT_EQ(list.IndexOfValue(2), 1);
    EXPECT_EQ(list.IndexOfValue(4), -1);
    list.RotateFirstToLast();
    EXPECT_EQ(Values(list), (std::vector<double>{2, 2, 3, 1}));
    EXPECT_EQ(list.LastValue(), 1);

    TChartValueList other(nullptr, "Other");
    other.SetOrder(TChartListOrder::loDescending);
    other.SetDateTime(true);
    other.SetMultiplier(3);
    other.SetValueSource("field");
    list.CopySettingsFrom(&other);
    EXPECT_EQ(list.Name(), "T");
    EXPECT_EQ(list.Order(), TChartListOrder::loDescending);
    EXPECT_TRUE(list.DateTime());
    EXPECT_EQ(list.Multiplier(), 3);
    EXPECT_EQ(list.ValueSource(), "field");
    EXPECT_EQ(list.ValueCount(), 4);
    EXPECT_EQ(list.Highest(), 9);
    list.CopySettingsFrom(nullptr);
    EXPECT_EQ(list.Multiplier(), 3);
}

// The statistics a rescan of the values (read through ValueAt) gives, written from their
// rules: the first value seeds both plain extremes, so a NaN there stays and a NaN
// elsewhere is ignored; of equal extremes the first by index counts, which tells -0 from
// +0; the sums add in index order, each partial sum stored as a double.
struct Stats {
    double lowest = 0;
    double highest = 0;
    double finiteLowest = 0;
    double finiteHighest = 0;
    bool hasFinite = false;
    double sum = 0;
    double sumAbs = 0;
};

Stats Rescan(const std::vector<double>& values) {
    Stats s;
    if (values.empty()) {
        return s;
    }
    std::vector<double> comparable;
    std::vector<double> finite;
    std::copy_if(values.begin(), values.end(), std::back_inserter(comparable),
                 [](double v) { return !std::isnan(v); });
    std::copy_if(values.begin(), values.end(), std::back_inserter(finite),
                 [](double v) { return std::isfinite(v); });
    // min_element and max_element return the first of equal elements.
    if (std::isnan(values[0])) {
        s.lowest = s.highest = values[0];
    } else {
        s.lowest = *std::min_element(comparable.begin(), comparable.end());
        s.highest = *std::max_element(comparable.begin(), comparable.end());
    }
    if (!finite.empty()) {
        s.hasFinite = true;
        s.finiteLowest = *std::min_element(finite.begin(), finite.end());
        s.finiteHighest = *std::max_element(finite.begin(), finite.end());
    }
    s.sum = values[0];
    s.sumAbs = std::fabs(values[0]);
    for (size_t i = 1; i < values.size(); ++i) {
        s.sum = static_cast<double>(static_cast<Extended>(s.sum) + values[i]);
        s.sumAbs = static_cast<double>(static_cast<Extended>(s.sumAbs) + std::fabs(values[i]));
    }
    return s;
}

std::string Describe(const std::vector<double>& values) {
    std::ostringstream out;
    out.precision(17);
    for (double v : values) {
        out << v << ' ';
    }
    return out.str();
}

enum class Asked { everything, extremes, sums };

// Compares bit for bit, so a zero of the wrong sign or another NaN fails. Asking for only some
// leaves the rest cached as it is, which the next step then builds on.
testing::AssertionResult MatchesRescan(TChartValueList& list, Asked asked = Asked::everything) {
    const Stats want = Rescan(Values(list));
    std::ostringstream diff;
    const auto check = [&](const char* name, double got, double expected) {
        if (std::bit_cast<uint64_t>(got) != std::bit_cast<uint64_t>(expected)) {
            diff << name << ": got " << got << " (0x" << std::hex << std::bit_cast<uint64_t>(got)
                 << "), rescan gives " << expected << " (0x" << std::bit_cast<uint64_t>(expected)
                 << std::dec << "); ";
        }
    };
    if (asked != Asked::sums) {
        check("Lowest", list.Lowest(), want.lowest);
        check("Highest", list.Highest(), want.highest);
        check("FiniteLowest", list.FiniteLowest(), want.finiteLowest);
        check("FiniteHighest", list.FiniteHighest(), want.finiteHighest);
        if (list.HasFiniteValues() != want.hasFinite) {
            diff << "HasFiniteValues differs; ";
        }
    }
    if (asked != Asked::extremes) {
        check("Sum", list.Sum(), want.sum);
        check("SumAbs", list.SumAbs(), want.sumAbs);
    }
    if (diff.str().empty()) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure() << diff.str() << "values: " << Describe(Values(list));
}

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();
const double kOtherNaN = std::bit_cast<double>(uint64_t{0x7ff8000000000123});
const double kNegativeNaN = std::bit_cast<double>(uint64_t{0xfff8000000000456});

TEST(ValueListStatistics, InsertionsAtTheEdgesMatchARescan) {
    struct Case {
        std::vector<double> before;
        int32_t index;
        double value;
        double multiplier;
    };
    const std::vector<Case> cases = {
        // Zeros of both signs: the one with the smaller index wins.
        {{0.0}, 0, -0.0, 1},
        {{0.0}, 1, -0.0, 1},
        {{-0.0, 1}, 0, 0.0, 1},
        {{0.0, 1}, 1, -0.0, 1},
        {{1, 0.0}, 1, -0.0, 1},
        {{-1, 0.0, 2}, 2, -0.0, 1},
        {{0.0, 0.0}, 1, -0.0, 1},
        {{-0.0, -0.0}, 1, 0.0, 1},
        {{-0.0, 3, -0.0}, 2, -0.0, 1},
        // Read through a negative multiplier, a stored +0 is -0.
        {{0.0, 3}, 2, -0.0, -1},
        {{-0.0, 3}, 2, 0.0, -1},
        {{-0.0, 3}, 0, 0.0, -1},
        // A NaN counts only as the first value.
        {{kNaN, 1, 2}, 0, 5, 1},
        {{kNaN, 1, 2}, 1, 5, 1},
        {{kNaN, 1, 2}, 3, -5, 1},
        {{kNaN}, 0, kOtherNaN, 1},
        {{kNaN}, 1, kOtherNaN, 1},
        {{1, 2}, 0, kNaN, 1},
        {{1, 2}, 1, kNegativeNaN, 1},
        {{1, 2}, 2, kNaN, 1},
        {{}, 0, kOtherNaN, 1},
        {{}, 0, -0.0, 1},
        // Infinities bound the plain extremes only.
        {{kInf, -kInf}, 1, 3, 1},
        {{kInf}, 0, -kInf, 1},
        {{kInf, 2}, 2, 2, 1},
        {{kNaN, kInf}, 1, -0.0, 1},
        {{-kInf, 0.0}, 0, -0.0, 1},
        {{-kInf, 0.0}, 1, -0.0, 1},
        {{-kInf, 0.0}, 2, -0.0, 1},
        // The sums keep their order of addition: 1 + 2^53 rounds away, 2^53 + 1 + 1 not.
        {{9007199254740992.0, 1}, 2, 1, 1},
        {{9007199254740992.0, 1}, 1, 1, 1},
        {{1, 1}, 0, 9007199254740992.0, 1},
        {{0.1, 0.2}, 1, 0.3, 0.1},
    };
    for (const Case& c : cases) {
        TChartValueList list(nullptr, "E");
        list.SetMultiplier(c.multiplier);
        for (double v : c.before) {
            list.InsertAt(list.ValueCount(), v);
        }
        ASSERT_TRUE(MatchesRescan(list));
        list.InsertAt(c.index, c.value);
        EXPECT_TRUE(MatchesRescan(list)) << "inserted at " << c.index;
    }
}

TEST(ValueListStatistics, AppendingKeepsEveryStatisticFresh) {
    TChartValueList list(nullptr, "A");
    ASSERT_TRUE(MatchesRescan(list));
    for (double v : {3.0, 0.0, -0.0, kNaN, -kInf, 1e-300, -2.0, 7.0, kInf, 7.0}) {
        list.InsertAt(list.ValueCount(), v);
        EXPECT_FALSE(list.StatsDirty()) << "after appending " << v;
        EXPECT_TRUE(MatchesRescan(list));
    }
    // Anywhere but the end the sums must wait for a rescan of the new order.
    list.InsertAt(4, 0.5);
    EXPECT_TRUE(list.StatsDirty());
    EXPECT_TRUE(MatchesRescan(list));
    EXPECT_FALSE(list.StatsDirty());
}

// Random insertions of values chosen to collide: zeros of both signs, duplicates, and,
// when asked, infinities and NaNs of several payloads. Values of one sign only keep a zero
// at an extreme, where its sign matters. After each step a random subset of the statistics
// is asked, so that every mix of fresh and stale caches is built on.
struct RandomRun {
    TChartListOrder order;
    double multiplier;
    bool withNonFinite;
    int sign; // 0 for both signs
    uint32_t seed;
};

void RunRandomInsertions(const RandomRun& run) {
    std::mt19937 random(run.seed);
    const auto below = [&](uint32_t n) { return static_cast<int32_t>(random() % n); };
    const auto pick = [&]() -> double {
        switch (below(run.withNonFinite ? 9 : 6)) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
            return below(7) - 3; // duplicates
        case 3:
        case 4:
            // Magnitudes far apart, so that the sums depend on their order of addition.
            return std::ldexp(std::uniform_real_distribution<double>(-1, 1)(random),
                              below(121) - 60);
        case 5:
            return below(2) == 0 ? 5e-324 : -5e-324;
        case 6:
            return below(2) == 0 ? kInf : -kInf;
        case 7:
            return kNaN;
        default:
            return below(2) == 0 ? kOtherNaN : kNegativeNaN;
        }
    };
    TChartValueList list(nullptr, "R");
    list.SetOrder(run.order);
    list.SetMultiplier(run.multiplier);
    for (int step = 0; step < 700; ++step) {
        double v = pick();
        if (run.sign != 0 && v != 0 && !std::isnan(v)) {
            v = std::copysign(v, run.sign);
        }
        const int32_t count = list.ValueCount();
        const int32_t what = below(40);
        if (what < 20) {
            list.InsertInOrder(v);
        } else if (what < 30) {
            list.InsertAt(below(static_cast<uint32_t>(count) + 1), v);
        } else if (what < 35) {
            list.InsertAt(0, v);
        } else if (what < 39) {
            list.InsertAt(count, v);
        } else if (count > 1) {
            // Now and then a change that is not an insertion.
            switch (below(4)) {
            case 0:
                list.SetValueAt(below(count), v);
                break;
            case 1:
                list.DeleteAt(below(count));
                break;
            case 2:
                list.RotateFirstToLast();
                break;
            default:
                list.SwapValues(below(count), below(count));
                break;
            }
        }
        const int32_t ask = below(4);
        if (ask < 3) {
            ASSERT_TRUE(MatchesRescan(list, static_cast<Asked>(ask))) << "step " << step;
        }
    }
    ASSERT_TRUE(MatchesRescan(list));
}

TEST(ValueListStatistics, RandomInsertionsMatchARescanBitForBit) {
    uint32_t seed = 1;
    for (TChartListOrder order :
         {TChartListOrder::loAscending, TChartListOrder::loNone, TChartListOrder::loDescending}) {
        for (double multiplier : {1.0, -1.0, 0.1}) {
            for (bool withNonFinite : {false, true}) {
                for (int sign : {0, 1, -1}) {
                    for (int repeat = 0; repeat < 2; ++repeat) {
                        SCOPED_TRACE(testing::Message()
                                     << "order " << static_cast<int>(order) << ", multiplier "
                                     << multiplier << ", non-finite " << withNonFinite << ", sign "
                                     << sign << ", seed " << seed);
                        RunRandomInsertions({order, multiplier, withNonFinite, sign, seed++});
                        if (HasFatalFailure()) {
                            return;
                        }
                    }
                }
            }
        }
    }
}

TEST(ValueListOrder, IsOrderedFollowsEveryChange) {
    TChartValueList list(nullptr, "O");
    EXPECT_FALSE(list.IsOrdered()); // loNone never is
    list.SetOrder(TChartListOrder::loAscending);
    EXPECT_TRUE(list.IsOrdered());
    list.InsertAt(0, kNaN);
    EXPECT_FALSE(list.IsOrdered()); // a NaN alone has no neighbour to break with
    list.SetValueAt(0, 2);
    EXPECT_TRUE(list.IsOrdered());
    // Equal values, zeros of both signs and infinities keep an order.
    for (double v : {2.0, 3.0, kInf}) {
        list.InsertAt(list.ValueCount(), v);
    }
    list.InsertAt(0, -0.0);
    list.InsertAt(1, 0.0);
    list.InsertAt(2, -0.0);
    list.InsertAt(0, -kInf);
    EXPECT_TRUE(list.IsOrdered());
    list.SetOrder(TChartListOrder::loDescending);
    EXPECT_FALSE(list.IsOrdered());
    list.SetOrder(TChartListOrder::loAscending);
    EXPECT_TRUE(list.IsOrdered());
    // One value out of place, then put back in several ways.
    list.SetValueAt(3, 5);
    EXPECT_FALSE(list.IsOrdered());
    list.SetValueAt(3, 0.0);
    EXPECT_TRUE(list.IsOrdered());
    list.SwapValues(1, 5);
    EXPECT_FALSE(list.IsOrdered());
    list.SwapValues(5, 1);
    EXPECT_TRUE(list.IsOrdered());
    list.SwapValues(6, 5);
    EXPECT_FALSE(list.IsOrdered());
    list.SwapValues(5, 6);
    EXPECT_TRUE(list.IsOrdered());
    list.InsertAt(4, kNaN);
    EXPECT_FALSE(list.IsOrdered());
    list.DeleteAt(4);
    EXPECT_TRUE(list.IsOrdered());
    list.RotateFirstToLast(); // -inf goes last
    EXPECT_FALSE(list.IsOrdered());
    list.DeleteAt(list.ValueCount() - 1);
    EXPECT_TRUE(list.IsOrdered());
    list.SetMultiplier(-1); // the stored values count
    EXPECT_TRUE(list.IsOrdered());
    list.ClearAll();
    EXPECT_TRUE(list.IsOrdered());

    TChartValueList other(nullptr, "D");
    other.SetOrder(TChartListOrder::loDescending);
    other.InsertAt(0, 1);
    other.InsertAt(0, 2);
    EXPECT_TRUE(other.IsOrdered());
    list.InsertAt(0, 1);
    list.InsertAt(0, 2);
    EXPECT_FALSE(list.IsOrdered());
    list.CopySettingsFrom(&other);
    EXPECT_TRUE(list.IsOrdered());
}

TEST(ValueListOrder, NonFiniteCountCountsStoredValues) {
    auto owned = MakeList(TChartListOrder::loNone, {1, kInf, kNaN});
    TChartValueList& list = *owned;
    EXPECT_EQ(list.NonFiniteCount(), 2);
    list.InsertAt(3, -kInf); // an append keeps the statistics fresh
    EXPECT_FALSE(list.StatsDirty());
    EXPECT_EQ(list.NonFiniteCount(), 3);
    list.InsertAt(0, kOtherNaN);
    EXPECT_EQ(list.NonFiniteCount(), 4);
    list.SetValueAt(2, 1e308); // for the infinity
    EXPECT_EQ(list.NonFiniteCount(), 3);
    // A finite value that the multiplier takes beyond a double is still a finite one.
    list.SetMultiplier(10);
    EXPECT_EQ(list.ValueAt(2), kInf);
    EXPECT_EQ(list.NonFiniteCount(), 3);
    list.DeleteAt(0);
    EXPECT_EQ(list.NonFiniteCount(), 2);
    list.ClearAll();
    EXPECT_EQ(list.NonFiniteCount(), 0);
}

TEST(ValueListOrder, StoredChunksCoverTheValuesInOrder) {
    TChartValueList list(nullptr, "C");
    list.SetMultiplier(3);
    std::vector<double> stored;
    for (int i = 0; i < 2000; ++i) {
        const auto at = static_cast<int32_t>((i * 7919) % (i + 1));
        list.InsertAt(at, i);
        stored.insert(stored.begin() + at, i);
    }
    std::vector<double> read;
    int32_t next = 5;
    list.ForEachStoredChunk(5, 1990, [&](int32_t first, std::span<const double> values) {
        EXPECT_EQ(first, next);
        next = first + static_cast<int32_t>(values.size());
        read.insert(read.end(), values.begin(), values.end());
    });
    EXPECT_EQ(read, std::vector<double>(stored.begin() + 5, stored.begin() + 1991));
    const std::span<const double> chunk = list.StoredChunkAt(1000);
    ASSERT_FALSE(chunk.empty());
    EXPECT_EQ(chunk.front(), stored[1000]);
    EXPECT_EQ(chunk.back(), stored[999 + chunk.size()]);
}

// The insertion index as a backward walk from the end finds it, on the stored values.
int32_t WalkedInsertIndex(const std::vector<double>& stored, TChartListOrder order, double v) {
    const auto n = static_cast<int32_t>(stored.size());
    const bool ascending = order == TChartListOrder::loAscending;
    if (order == TChartListOrder::loNone || n == 0 ||
        (ascending ? stored.back() <= v : stored.back() >= v)) {
        return n;
    }
    int32_t i = n - 1;
    while (i >= 0 && (ascending ? stored[size_t(i)] > v : stored[size_t(i)] < v)) {
        --i;
    }
    return i + 1;
}

bool KeepsOrder(const std::vector<double>& stored, TChartListOrder order) {
    if (order == TChartListOrder::loNone ||
        std::any_of(stored.begin(), stored.end(), [](double v) { return std::isnan(v); })) {
        return false;
    }
    for (size_t i = 1; i < stored.size(); ++i) {
        if (order == TChartListOrder::loAscending ? !(stored[i - 1] <= stored[i])
                                                  : !(stored[i - 1] >= stored[i])) {
            return false;
        }
    }
    return true;
}

struct OrderRun {
    TChartListOrder order;
    bool withNonFinite;
    bool breaking; // changes that may leave the list out of order
    double multiplier;
    uint32_t seed;
};

// Long enough lists that the values span many blocks; a copy of the stored values follows
// every change.
void RunOrderedInsertions(const OrderRun& run) {
    std::mt19937 random(run.seed);
    const auto below = [&](uint32_t n) { return static_cast<int32_t>(random() % n); };
    const auto pick = [&]() -> double {
        switch (below(run.withNonFinite ? 10 : 7)) {
        case 0:
            return 0.0;
        case 1:
            return -0.0;
        case 2:
        case 3:
            return below(41) - 20; // many duplicates
        case 4:
        case 5:
        case 6:
            return std::uniform_real_distribution<double>(-30, 30)(random);
        case 7:
            return kInf;
        case 8:
            return -kInf;
        default:
            return below(2) == 0 ? kNaN : kNegativeNaN;
        }
    };
    TChartValueList list(nullptr, "R");
    list.SetOrder(run.order);
    list.SetMultiplier(run.multiplier);
    std::vector<double> stored;
    for (int step = 0; step < 6000; ++step) {
        const auto n = static_cast<int32_t>(stored.size());
        const int32_t what = below(100);
        const double v = pick();
        if (what < 85 || n < 2) {
            const int32_t want = WalkedInsertIndex(stored, run.order, v);
            ASSERT_EQ(list.InsertInOrder(v), want)
                << "step " << step << ", value " << v << ", ordered " << list.IsOrdered();
            stored.insert(stored.begin() + want, v);
        } else if (what < 90) {
            const int32_t at = below(uint32_t(n));
            list.DeleteAt(at);
            stored.erase(stored.begin() + at);
        } else if (!run.breaking) {
            continue;
        } else if (what < 94) {
            const int32_t at = below(uint32_t(n));
            list.SetValueAt(at, v);
            stored[size_t(at)] = v;
        } else if (what < 97) {
            // Neighbours share a pair, which a swap must count once.
            const int32_t a = below(uint32_t(n));
            const int32_t b = below(2) == 0 ? below(uint32_t(n)) : (a + 1) % n;
            list.SwapValues(a, b);
            std::swap(stored[size_t(a)], stored[size_t(b)]);
        } else if (what < 99) {
            list.RotateFirstToLast();
            std::rotate(stored.begin(), stored.begin() + 1, stored.end());
        } else {
            const int32_t at = below(uint32_t(n) + 1);
            list.InsertAt(at, v);
            stored.insert(stored.begin() + at, v);
        }
        if (run.breaking && run.order != TChartListOrder::loNone && step % 500 == 499) {
            // Back in order by changing values one by one: each of those changes must be
            // counted right for the list to know it is ordered again.
            const auto set = [&](size_t at, double value) {
                list.SetValueAt(static_cast<int32_t>(at), value);
                stored[at] = value;
            };
            for (size_t i = 0; i < stored.size(); ++i) {
                if (std::isnan(stored[i])) {
                    set(i, i > 0 && !std::isnan(stored[i - 1]) ? stored[i - 1] : 0.0);
                }
            }
            for (size_t i = 1; i < stored.size(); ++i) {
                if (!KeepsOrder({stored[i - 1], stored[i]}, run.order)) {
                    set(i, stored[i - 1]);
                }
            }
            ASSERT_TRUE(list.IsOrdered()) << "step " << step;
        }
        if (step % 7 == 0) {
            ASSERT_EQ(list.IsOrdered(), KeepsOrder(stored, run.order)) << "step " << step;
        }
        if (step % 101 == 0) {
            const auto nonFinite = std::count_if(stored.begin(), stored.end(),
                                                 [](double x) { return !std::isfinite(x); });
            ASSERT_EQ(list.NonFiniteCount(), nonFinite) << "step " << step;
        }
    }
    ASSERT_EQ(list.ValueCount(), static_cast<int32_t>(stored.size()));
    for (int32_t i = 0; i < list.ValueCount(); ++i) {
        const double got = list.ValueAt(i) / run.multiplier;
        ASSERT_TRUE(got == stored[size_t(i)] || (std::isnan(got) && std::isnan(stored[size_t(i)])))
            << "index " << i;
    }
}

TEST(ValueListOrder, InsertInOrderAnswersAsTheBackwardWalk) {
    uint32_t seed = 100;
    for (TChartListOrder order :
         {TChartListOrder::loAscending, TChartListOrder::loDescending, TChartListOrder::loNone}) {
        for (bool withNonFinite : {false, true}) {
            for (bool breaking : {false, true}) {
                for (double multiplier : {1.0, -2.0}) {
                    SCOPED_TRACE(testing::Message()
                                 << "order " << static_cast<int>(order) << ", non-finite "
                                 << withNonFinite << ", breaking " << breaking << ", multiplier "
                                 << multiplier << ", seed " << seed);
                    RunOrderedInsertions({order, withNonFinite, breaking, multiplier, seed++});
                    if (HasFatalFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace vemora
