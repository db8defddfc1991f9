#include "platform/gfx/region.h"
#include "platform/gfx/stamps.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace vemora::gfx {
namespace {

int32_t Uniform(std::mt19937& rng, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
}

// Rows empty, full and noisy, and noise under the clear bits too, so that copying one shows;
// the anchor near the middle.
Stamp NoisyStamp(std::mt19937& rng, int32_t width, int32_t height) {
    Stamp s{-width / 2, -height / 2, width, height, {}, {}};
    const uint64_t all = width >= 64 ? ~uint64_t{0} : (uint64_t{1} << width) - 1;
    for (int32_t r = 0; r < height; ++r) {
        const uint64_t noise = (uint64_t{rng()} << 32) | rng();
        const int kind = Uniform(rng, 0, 3);
        s.Rows.push_back(kind == 0 ? 0 : kind == 1 ? all : noise & all);
    }
    for (int32_t i = 0; i < width * height; ++i)
        s.Pixels.push_back(rng() & 0xFFFFFFu);
    return s;
}

// New pixels where the rectangle lies within the bitmap.
void Repaint(std::mt19937& rng, Bitmap& b, const Rect& r) {
    for (int32_t y = std::max(r.Top, 0); y < std::min(r.Bottom, b.Height()); ++y)
        for (int32_t x = std::max(r.Left, 0); x < std::min(r.Right, b.Width()); ++x)
            b.Set(x, y, rng() & 0xFFFFFFu);
}

// A copy of the picture; the picture's copies are kept in ascending order of their owners.
struct Copy {
    int32_t Owner = 0;
    int32_t X = 0, Y = 0;
    uint32_t Stamp = 0;
};

bool Paints(const Stamp& s, const Copy& c, int32_t x, int32_t y, Pixel& pixel) {
    const int64_t i = int64_t{x} - c.X - s.Left, r = int64_t{y} - c.Y - s.Top;
    if (i < 0 || r < 0 || i >= s.Width || r >= s.Height ||
        ((s.Rows[static_cast<size_t>(r)] >> i) & 1) == 0)
        return false;
    pixel = s.Pixels[static_cast<size_t>(r * s.Width + i)];
    return true;
}

// The picture drawn the plain way, each copy over the ones before it, with the owner of
// every pixel.
struct Picture {
    Bitmap Image;
    std::vector<int32_t> Owners;
};

Picture DrawPlainly(const Bitmap& background, const Region& clip, const std::vector<Stamp>& stamps,
                    const std::vector<Copy>& copies) {
    const int w = background.Width(), h = background.Height();
    Picture p{background, std::vector<int32_t>(static_cast<size_t>(w * h), kNoOwner)};
    for (const Copy& c : copies) {
        const Stamp& s = stamps[c.Stamp];
        for (int32_t y = std::max(0, c.Y + s.Top); y < std::min(h, c.Y + s.Top + s.Height); ++y)
            for (int32_t x = std::max(0, c.X + s.Left); x < std::min(w, c.X + s.Left + s.Width);
                 ++x)
                if (Pixel pixel; clip.Contains(x, y) && Paints(s, c, x, y, pixel)) {
                    p.Image.Set(x, y, pixel);
                    p.Owners[static_cast<size_t>(y * w + x)] = c.Owner;
                }
    }
    return p;
}

template <class T>
::testing::AssertionResult SameGrid(const T* actual, const T* expected, int w, int h) {
    int wrong = 0;
    std::ostringstream first;
    for (int i = 0; i < w * h; ++i)
        if (actual[i] != expected[i] && wrong++ == 0)
            first << " first at (" << i % w << "," << i / w << "): " << actual[i] << " instead of "
                  << expected[i];
    if (wrong == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " differ," << first.str();
}

// The pictures are this big, with three stamps.
constexpr int kWidth = 240, kHeight = 170;

// The moves from one picture to the next, by owner.
std::vector<StampMove> MovesBetween(const std::vector<Copy>& was, const std::vector<Copy>& is) {
    std::map<int32_t, StampMove> moves;
    for (const Copy& c : was)
        moves[c.Owner] = {c.Owner, true, c.X, c.Y, c.Stamp};
    for (const Copy& c : is) {
        const StampMove m = moves[c.Owner];
        moves[c.Owner] = {c.Owner, m.Was, m.X0, m.Y0, m.Stamp0, true, c.X, c.Y, c.Stamp};
    }
    std::vector<StampMove> out;
    for (const auto& entry : moves)
        out.push_back(entry.second);
    return out;
}

// The next picture: on even frames a scale that changes a little shifts every copy by a
// pixel or a few, as the points of a series move; on odd frames copies stay, nudge, jump
// farther than a row mask, change stamp; on both some vanish and new ones come between
// the others and below the lowest owner.
std::vector<Copy> NextPicture(std::mt19937& rng, const std::vector<Copy>& now, int frame) {
    const int32_t w = kWidth, h = kHeight;
    std::set<int32_t> used;
    std::vector<Copy> next;
    const double scale = 1 + Uniform(rng, -25, 25) / 1000.0;
    for (Copy c : now) {
        used.insert(c.Owner);
        const int what = Uniform(rng, 0, 99);
        if (what < 7)
            continue;
        if (frame % 2 == 0) {
            c.X = w / 2 + static_cast<int32_t>(std::lround((c.X - w / 2) * scale));
        } else if (what < 30) {
            c.X += Uniform(rng, -2, 2);
            c.Y += Uniform(rng, -2, 2);
        } else if (what < 40) {
            c.X = std::clamp(c.X + (Uniform(rng, 0, 1) ? 1 : -1) * Uniform(rng, 65, 200), -60,
                             w + 60);
            c.Y = std::clamp(c.Y + Uniform(rng, -100, 100), -40, h + 40);
        } else if (what < 46) {
            c.Stamp = (c.Stamp + 1) % 3;
        }
        next.push_back(c);
    }
    for (int k = Uniform(rng, 0, 12); k > 0; --k) {
        const int32_t owner = Uniform(rng, 0, 5) == 0 ? Uniform(rng, 0, 3) : Uniform(rng, 0, 1600);
        if (used.insert(owner).second)
            next.push_back({owner, Uniform(rng, -40, w + 40), Uniform(rng, -30, h + 30),
                            static_cast<uint32_t>(Uniform(rng, 0, 2))});
    }
    std::sort(next.begin(), next.end(),
              [](const Copy& a, const Copy& b) { return a.Owner < b.Owner; });
    return next;
}

std::vector<StampPlacement> PlacementsOf(const std::vector<Copy>& copies) {
    std::vector<StampPlacement> out;
    for (const Copy& c : copies)
        out.push_back({c.X, c.Y, c.Stamp, c.Owner});
    return out;
}

struct NamedClip {
    std::string Name;
    Region Clip;
};

std::vector<NamedClip> Clips() {
    const Point chevron[] = {{-20, 10}, {120, 60}, {260, 5}, {200, 190}, {120, 110}, {30, 180}};
    const Rect pieces[] = {{0, 0, 90, 70},
                           {60, 40, 200, 100},
                           {150, 0, 240, 30},
                           {20, 110, 100, 170},
                           {130, 120, 230, 160}};
    return {{"whole bitmap", Region::FromRect({0, 0, kWidth, kHeight})},
            {"rectangle inside", Region::FromRect({31, 17, kWidth - 26, kHeight - 33})},
            {"polygon", Region::FromPolygon(chevron, {0, 0, kWidth, kHeight})},
            {"rectangles", Region::FromRects(pieces)}};
}

// Both ways of storing pixels must move copies the same; the parameter picks one.
class StampMovesTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam() && !StampPainter::WideStoresSupported())
            GTEST_SKIP() << "no masked vector stores on this processor";
    }

    // New pixels under a few rectangles, some reaching out of the bitmap.
    std::vector<Rect> ChangeGround(Bitmap& background) {
        std::vector<Rect> ground;
        for (int k = Uniform(rng, 0, 3); k > 0; --k) {
            const int32_t l = Uniform(rng, -30, kWidth), t = Uniform(rng, -30, kHeight);
            ground.push_back({l, t, l + Uniform(rng, 1, 90), t + Uniform(rng, 1, 60)});
            Repaint(rng, background, ground.back());
        }
        return ground;
    }

    // The picture and its owners as drawn afresh, and the counts kept and counted again as
    // the owners of the picture drawn afresh give them.
    void ExpectPicture(const Region& clip, const std::vector<Copy>& copies,
                       const Bitmap& background, const Bitmap& target,
                       const std::vector<int32_t>& owners, OwnerCounts* counts) {
        const Picture expected = DrawPlainly(background, clip, stamps, copies);
        ASSERT_TRUE(SameGrid(target.Data(), expected.Image.Data(), kWidth, kHeight));
        ASSERT_TRUE(SameGrid(owners.data(), expected.Owners.data(), kWidth, kHeight));
        if (!counts)
            return;
        std::map<int32_t, int32_t> shown;
        for (const int32_t o : expected.Owners)
            shown[o] += o >= 0 ? 1 : 0;
        OwnerCounts recounted;
        recounted.Recount(owners.data(), kWidth, kHeight, clip);
        for (const int32_t o : everOwned) {
            EXPECT_EQ(counts->At(o), shown[o]) << "kept count of owner " << o;
            EXPECT_EQ(recounted.At(o), shown[o]) << "recount of owner " << o;
        }
    }

    std::mt19937 rng{7031};
    std::vector<Stamp> stamps;
    std::set<int32_t> everOwned;
};

TEST_P(StampMovesTest, FramesOfMovesGiveThePictureDrawnAfresh) {
    for (const NamedClip& clip : Clips()) {
        for (const bool groundChanges : {false, true}) {
            SCOPED_TRACE(clip.Name + (groundChanges ? ", background changing" : ""));
            stamps = {NoisyStamp(rng, 9, 9), NoisyStamp(rng, kMaxStampWidth, 13),
                      NoisyStamp(rng, 3, 30)};
            std::vector<Copy> copies;
            for (int32_t i = 0; i < 110; ++i)
                copies.push_back({1000 + 3 * i, Uniform(rng, -40, kWidth + 40),
                                  Uniform(rng, -30, kHeight + 30), static_cast<uint32_t>(i % 3)});
            // A pile on one spot: the copies under the top one show nothing.
            for (int32_t i = 0; i < 12; ++i)
                copies.push_back({1400 + i, 100, 60, 1});
            everOwned.clear();
            for (const Copy& c : copies)
                everOwned.insert(c.Owner);
            Bitmap background(kWidth, kHeight);
            Repaint(rng, background, {0, 0, kWidth, kHeight});
            Bitmap target = background;
            std::vector<int32_t> owners(static_cast<size_t>(kWidth * kHeight), kNoOwner);
            StampPainter(GetParam())
                .Paint(target, clip.Clip, stamps, PlacementsOf(copies), nullptr, &background,
                       owners.data());
            ExpectPicture(clip.Clip, copies, background, target, owners, nullptr);
            OwnerCounts counts; // not known: the first moves count them
            for (int frame = 0; frame < 6 && !HasFatalFailure(); ++frame) {
                SCOPED_TRACE("frame " + std::to_string(frame));
                const std::vector<Copy> next = NextPicture(rng, copies, frame);
                const std::vector<Rect> ground =
                    groundChanges ? ChangeGround(background) : std::vector<Rect>{};
                const StampFinder find = [&](int32_t under, const Rect& box,
                                             std::span<LeftPixel> left) {
                    for (LeftPixel& p : left) {
                        EXPECT_TRUE(box.Contains(p.X, p.Y) && clip.Clip.Contains(p.X, p.Y));
                        for (auto c = next.rbegin(); c != next.rend(); ++c) {
                            if (c->Owner < under &&
                                Paints(stamps[c->Stamp], *c, p.X, p.Y, p.Shown)) {
                                p.Owner = c->Owner;
                                break;
                            }
                        }
                    }
                };
                const Bitmap before = target;
                const Rect aside{-50, -50, -49, -49}; // what was there stays
                std::vector<Rect> changed = {aside};
                MoveStamps(target, owners.data(), counts, clip.Clip, background, stamps,
                           MovesBetween(copies, next), ground, find, changed, GetParam());
                copies = next;
                for (const Copy& c : copies)
                    everOwned.insert(c.Owner);
                ExpectPicture(clip.Clip, copies, background, target, owners, &counts);
                ASSERT_EQ(changed.front(), aside);
                for (int32_t y = 0; y < kHeight; ++y) {
                    for (int32_t x = 0; x < kWidth; ++x) {
                        ASSERT_TRUE(before.At(x, y) == target.At(x, y) ||
                                    std::any_of(changed.begin() + 1, changed.end(),
                                                [&](const Rect& r) { return r.Contains(x, y); }))
                            << "(" << x << "," << y << ") changed outside the rectangles";
                    }
                }
            }
        }
    }
}

// Counting takes only the pixels of the picture, whatever the clip reaches.
TEST(OwnerCounts, CountsThePictureInsideTheClip) {
    std::vector<int32_t> owners(10 * 10, kNoOwner);
    for (int i = 0; i < 30; ++i)
        owners[static_cast<size_t>(i * 3)] = 5 + i % 2;
    OwnerCounts counts;
    counts.Recount(owners.data(), 10, 10, Region::FromRect({-5, 0, 20, 20}));
    EXPECT_EQ(counts.At(5), 15);
    EXPECT_EQ(counts.At(6), 15);
    counts.Recount(owners.data(), 10, 10, Region::FromRect({0, 0, 10, 3}));
    EXPECT_EQ(counts.At(5) + counts.At(6), 10);
}

INSTANTIATE_TEST_SUITE_P(Stores, StampMovesTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "MaskedVector" : "Plain";
                         });

} // namespace
} // namespace vemora::gfx
