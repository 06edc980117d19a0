// The astronomy manager's two colour-point lists: order, independence and the range rules.
#include <gtest/gtest.h>

#include "enviro/astro/AstroManager.h"

namespace {

using Astro::AstroManager;
using Point = AstroManager::Colorpoint;

Point point(float key) { return Point{key, Math::Vector4f(key, key + 1, key + 2, key + 3)}; }

void expectPoint(const Point& actual, float key) {
    EXPECT_EQ(actual.fKey, key);
    EXPECT_EQ(actual.vColor, point(key).vColor);
}

TEST(AstroManagerColorPoints, ListsKeepOrderAndStayApart) {
    AstroManager m;
    Point p = point(0.5f);
    EXPECT_EQ(m.addPoint(&p, true), 0);  // first point of an empty list
    p = point(0.1f);
    EXPECT_EQ(m.addPoint(&p, true), 1);  // not sorted by key
    p = point(0.9f);
    EXPECT_EQ(m.addPoint(&p, false), 0);
    p = point(0.7f);
    EXPECT_EQ(m.addPoint(&p, true), 2);
    p = point(-1.0f);  // the caller's record is copied, not kept
    EXPECT_EQ(m.addPoint(nullptr, true), -1);

    Point out[3];
    ASSERT_EQ(m.getAllPoints(out, 3, true), 3);
    expectPoint(out[0], 0.5f);
    expectPoint(out[1], 0.1f);
    expectPoint(out[2], 0.7f);
    ASSERT_EQ(m.getAllPoints(out, 3, false), 1);
    expectPoint(out[0], 0.9f);

    // Removing the middle point moves the later one down; the other list is untouched.
    m.delPoint(1, true);
    ASSERT_EQ(m.getAllPoints(out, 3, true), 2);
    expectPoint(out[0], 0.5f);
    expectPoint(out[1], 0.7f);
    ASSERT_EQ(m.getAllPoints(out, 3, false), 1);

    p = point(4.0f);
    m.setPointByNum(1, &p, true);
    Point one = point(9.0f);
    m.getPointByNum(1, &one, true);
    expectPoint(one, 4.0f);
    m.getPointByNum(0, &one, false);
    expectPoint(one, 0.9f);

    // Copies of the manager carry both lists.
    AstroManager copy(m);
    ASSERT_EQ(copy.getAllPoints(out, 3, true), 2);
    expectPoint(out[1], 4.0f);
}

TEST(AstroManagerColorPoints, OutOfRangeAndNullDoNothing) {
    AstroManager m;
    Point out[2] = {point(7.0f), point(7.0f)};
    EXPECT_EQ(m.getAllPoints(out, 0, true), 0);  // empty list
    EXPECT_EQ(m.getAllPoints(nullptr, 0, false), 0);
    m.delPoint(0, true);                         // empty list: nothing to remove
    m.getPointByNum(0, &out[0], true);
    expectPoint(out[0], 7.0f);

    Point p = point(1.0f);
    m.addPoint(&p, false);
    p = point(2.0f);
    m.addPoint(&p, false);
    // A capacity one below the count, or no destination, writes nothing and returns 0.
    EXPECT_EQ(m.getAllPoints(out, 1, false), 0);
    expectPoint(out[0], 7.0f);
    EXPECT_EQ(m.getAllPoints(nullptr, 2, false), 0);
    EXPECT_EQ(m.getAllPoints(out, -5, false), 0);

    for (int bad : {-1, 2, 1000, -2147483647 - 1}) {
        m.delPoint(bad, false);
        p = point(5.0f);
        m.setPointByNum(bad, &p, false);
        m.getPointByNum(bad, &out[1], false);
        expectPoint(out[1], 7.0f);
    }
    m.setPointByNum(0, nullptr, false);
    m.getPointByNum(0, nullptr, false);
    ASSERT_EQ(m.getAllPoints(out, 2, false), 2);
    expectPoint(out[0], 1.0f);
    expectPoint(out[1], 2.0f);
}

}  // namespace
