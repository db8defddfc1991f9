#include "platform/numeric/exceptions.h"
#include "series/chart_series.h"
#include "series/value_list.h"

#include <cmath>
#include <gtest/gtest.h>
#include <memory>
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

} // namespace
} // namespace vemora
