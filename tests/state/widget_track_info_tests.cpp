#include "state/widget_track_info.hpp"

#include <gtest/gtest.h>

#include <unordered_set>

namespace sonaris::state {
namespace {

TEST(WidgetTrackInfoTest, ComparesByCanonicalEquivalenceAndHashesAlike) {
    const struct {
        WidgetTrackInfo a;
        WidgetTrackInfo b;
        bool equal;
    } cases[] = {
        {{"t", "a", "3:00", "p"}, {"t", "a", "3:00", "p"}, true},
        {{"t", "a", "3:00", "p"}, {"t", "a", "3:00", "q"}, false},
        {{"t", "a", "3:00", "p"}, {"t", "a", "3:01", "p"}, false},
        {{"T", "a", "3:00", "p"}, {"t", "a", "3:00", "p"}, false},
        // Composed and decomposed "é".
        {{"caf\u00e9", "", "", ""}, {"cafe\u0301", "", "", ""}, true},
        {{"Запись", "", "", ""}, {"Запись", "", "", ""}, true},
        {{"Й", "", "", ""}, {"И\u0306", "", "", ""}, true},
        // The Kelvin sign is canonically "K": equivalence reaches across the ASCII boundary.
        {{"\u212a", "", "", ""}, {"K", "", "", ""}, true},
        // Compatibility forms are not canonical ones.
        {{"\ufb01", "", "", ""}, {"fi", "", "", ""}, false},
        // Text moved from one field to the next makes a different row.
        {{"ab", "c", "", ""}, {"a", "bc", "", ""}, false},
        {{"\xff\xfe", "", "", ""}, {"\xff\xfe", "", "", ""}, true},
        {{"\xff\xfe", "", "", ""}, {"\xff\xfd", "", "", ""}, false},
    };
    const std::hash<WidgetTrackInfo> hash;
    for (const auto& c : cases) {
        EXPECT_EQ(c.a == c.b, c.equal) << c.a.title << " / " << c.b.title;
        EXPECT_EQ(c.b == c.a, c.equal) << c.a.title << " / " << c.b.title;
        if (c.equal) {
            EXPECT_EQ(hash(c.a), hash(c.b)) << c.a.title;
        }
    }
}

TEST(WidgetTrackInfoTest, CountsEquivalentRowsOnceInAHashSet) {
    const std::unordered_set<WidgetTrackInfo> rows = {
        {"caf\u00e9", "x", "1", "a"},
        {"cafe\u0301", "x", "1", "a"},
        {"cafe", "x", "1", "a"},
    };
    EXPECT_EQ(rows.size(), 2u);
}

}  // namespace
}  // namespace sonaris::state
