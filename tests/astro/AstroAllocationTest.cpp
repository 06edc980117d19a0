// After its first sky rebuild the manager allocates nothing when the sky is rebuilt again: the
// star list keeps its storage and the ephemeris code works on the stack. Counted by replacing the
// global allocation functions of this test program (they count only while a test asks them to).
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "enviro/astro/AstroManager.h"
#include "tests/astro/AstroTestHost.h"

// The replacements below pair malloc with free on purpose.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {
bool g_counting = false;
long g_allocations = 0;

void* countedAllocation(std::size_t size) {
    if (g_counting) ++g_allocations;
    return std::malloc(size ? size : 1);
}
}  // namespace

void* operator new(std::size_t size) {
    void* p = countedAllocation(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new[](std::size_t size) {
    void* p = countedAllocation(size);
    if (!p) throw std::bad_alloc();
    return p;
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

class AstroAllocation : public astrotest::AstroHostTest {};

TEST_F(AstroAllocation, RebuildAfterTheFirstAllocatesNothing) {
    writeConfig("Lattidue = 35\nEquinox = 2000\nEpoch = 2000\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
    writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine);
    Astro::AstroManager m;
    ASSERT_TRUE(m.Init());

    auto rebuild = [&m](int hour, double x) {
        m.setDateTime(2040, 7, 14, hour, 0, 0.0f);
        m.setPos(x, 0.0, 0.0);
        m.getSunPos();
        m.getMoonPos();
        m.getMoonPhase();
        m.getMoonAngle();
        m.getMilkyPole();
        m.getMilkyCenter();
        m.needStarsUpdate();
        return m.getStars()->size();
    };
    ASSERT_EQ(rebuild(20, 0.0), 11u);  // the first rebuild sizes the star list

    g_allocations = 0;
    g_counting = true;
    const size_t again = rebuild(23, 2000.0);
    const size_t third = rebuild(2, -3000.0);
    g_counting = false;
    EXPECT_EQ(again, 11u);
    EXPECT_EQ(third, 11u);
    EXPECT_EQ(g_allocations, 0);

    // The counter itself works.
    g_counting = true;
    ::operator delete(::operator new(16));
    g_counting = false;
    EXPECT_EQ(g_allocations, 1);
}

}  // namespace
