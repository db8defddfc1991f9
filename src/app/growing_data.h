// Data that is still being written: its bytes come in pieces, and the points are those an
// ordinary reading of its complete lines gives (the same counting of lines, the same
// pairing of numbers, the same failures with their places), the newest ones kept.
#pragma once

#include "app/plotrun.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <string>
#include <vector>

namespace vemora {

class TChartSeries;

class TGrowingData {
public:
    // Numbers read but not yet paired into points kept (lines of more than two numbers leave
    // some, and a line whose end has not come holds all of its own) beyond `mostNumbers`
    // are a failure.
    static constexpr size_t kMostNumbers = size_t{1} << 26;
    explicit TGrowingData(int32_t keep = kMaxDataPoints, size_t mostNumbers = kMostNumbers);

    // Takes the next bytes. Complete lines count at once; a partial last line waits for its
    // line end. Throws the failure an ordinary reading of the complete lines would give, with
    // its place; the data then takes nothing more.
    void Feed(const uint8_t* data, size_t size);
    // The data has ended: a partial last line counts as well.
    void Finish();
    // Nothing more is read: the data ended, or it held an end-of-data character.
    bool Ended() const { return ended_; }

    // The points the data gives so far, and the first of them kept: points before First are
    // gone, and those from Settled on may still change as more numbers come.
    int64_t Count() const { return tokenLines_ + (blankAfter_ ? 1 : 0); }
    int64_t First() const { return Count() > keep_ ? Count() - keep_ : 0; }
    int64_t Settled() const;
    // Point i, First() <= i < Count().
    TDataRow Point(int64_t i) const;
    // The points kept, oldest first.
    std::vector<TDataRow> Points() const;

private:
    // The number being read ends; the line being read ends (`any`: it held a character).
    void EndToken();
    void EndLine(bool any);
    // Throws a failure the data has come to, if any.
    void Check();
    double Number(int64_t index) const;

    int64_t keep_;
    size_t mostNumbers_;
    bool ended_ = false;
    // The line being read, counted from 1, and its bytes so far; the number being read in it
    // and its column; the numbers it has given, which count once its line end comes, and the
    // first of them that does not read.
    int64_t line_ = 1;
    int64_t column_ = 0;
    std::string token_;
    int64_t tokenColumn_ = 0;
    std::vector<double> pending_;
    int64_t pendingBad_ = -1;
    std::exception_ptr pendingFailure_;
    // Lines holding a number, and whether something follows the last of them: blank text
    // after the last number's line counts as one more line.
    int64_t tokenLines_ = 0;
    bool blankAfter_ = false;
    // The numbers, in reading order; the ones of points gone are dropped.
    int64_t tokens_ = 0;
    int64_t valuesBase_ = 0;
    std::deque<double> values_;
    // The first number that does not read (-1: none yet) and its failure, raised once the
    // pairing reaches it; a failure of a line's first number is raised at once.
    int64_t badToken_ = -1;
    std::exception_ptr badFailure_;
    std::exception_ptr lineFailure_;
};

// Keeps a series showing the points of growing data: the oldest leave as new ones come, and
// points that may have changed are taken anew, so that the series holds what an ordinary
// run of the same points would leave, in the same order.
class TGrowingSeries {
public:
    // The series was cleared and shows nothing of the data.
    void Reset();
    // The series shows the data's kept points now (a run has just added them).
    void Shown(const TGrowingData& data);
    // Brings the series up to the data; returns whether it changed.
    bool Update(const TGrowingData& data, TChartSeries& series);

private:
    // Removes one point equal to `point`: the oldest of its X, or the newest.
    static void Remove(TChartSeries& series, const TDataRow& point, bool oldest);

    int64_t first_ = 0;
    int64_t settled_ = 0;
    std::deque<TDataRow> shown_;
};

} // namespace vemora
