#include "world/flatmap.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

template <typename Key>
void ExpectSame(const std::map<Key, int>& expected, const FlatMap<Key, int>& actual) {
    ASSERT_EQ(expected.size(), actual.size());
    ASSERT_EQ(expected.empty(), actual.empty());
    auto e = expected.begin();
    for (const auto& [key, value] : actual) {
        EXPECT_EQ(e->first, key);
        EXPECT_EQ(e->second, value);
        ++e;
    }
}

// Random lookups, insertions, writes and clears on both maps: the same contents in the same
// (key) order after every step, and the same answers to find, count and at.
TEST(FlatMapTest, BehavesAsAnOrderedMapUnderRandomUse) {
    // Names as in a perception ("F1L", "10", "G2R"), so that "10" sorts before "2".
    const std::vector<std::string> names = {"F1L", "F2L", "F1R", "F2R", "G1L", "G2L", "G1R",
                                            "G2R", "1",   "2",   "10",  "11",  "9",   ""};
    std::mt19937 random(7);
    std::map<std::string, int> expected;
    FlatMap<std::string, int> actual;
    for (int step = 0; step < 3000; ++step) {
        const std::string& key = names[random() % names.size()];
        switch (random() % 8) {
            case 0:
                if (random() % 10 == 0) expected.clear(), actual.clear();
                break;
            case 1:  // a read that inserts a zero entry
                EXPECT_EQ(expected[key], actual[key]);
                break;
            case 2: {
                const bool present = expected.count(key) == 1;
                EXPECT_EQ(expected.count(key), actual.count(key));
                const auto& constActual = actual;
                ASSERT_EQ(present, constActual.find(key) != constActual.end());
                if (present) {
                    EXPECT_EQ(expected.at(key), constActual.at(key));
                    EXPECT_EQ(key, actual.find(key)->first);
                } else {
                    EXPECT_THROW(constActual.at(key), std::out_of_range);
                }
                break;
            }
            default:
                expected[key] += step;
                actual[key] += step;
        }
        ExpectSame(expected, actual);
    }
}

TEST(FlatMapTest, ACopyIsIndependentOfItsOriginal) {
    FlatMap<int, int> original;
    for (int key : {5, 3, 9}) original[key] = key * 10;
    FlatMap<int, int> copy = original;
    copy[3] = -1;
    copy[4] = 40;
    ExpectSame<int>({{3, 30}, {5, 50}, {9, 90}}, original);
    ExpectSame<int>({{3, -1}, {4, 40}, {5, 50}, {9, 90}}, copy);
    original.clear();
    EXPECT_EQ(4u, copy.size());
}

}  // namespace
