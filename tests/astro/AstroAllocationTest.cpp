// After its first sky rebuild the manager allocates nothing when the sky is rebuilt again: the
// star list keeps its storage and the ephemeris code works on the stack. And when memory runs out
// in Init, the star list or a copy, nothing is thrown and nothing leaks. Counted by replacing the
// global allocation functions of this test program (they count, and can fail the n-th
// allocation, only while a test asks them to).
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <functional>
#include <new>

#include "enviro/astro/AstroManager.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"

// The replacements below pair malloc with free on purpose, behind a header of their own.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#pragma GCC diagnostic ignored "-Warray-bounds"

namespace {
bool g_counting = false;
long g_allocations = 0;
long g_failAt = 0;  // the allocation with this number fails while counting (0: none)
long g_live = 0;    // allocations made while counting and not yet freed

// Each block carries a header telling whether it was made while counting.
constexpr std::size_t kHeader = alignof(std::max_align_t);

void* countedAllocation(std::size_t size) {
    const bool counted = g_counting;
    if (counted && ++g_allocations == g_failAt) return nullptr;
    char* block = static_cast<char*>(std::malloc(kHeader + (size ? size : 1)));
    if (!block) return nullptr;
    block[0] = counted;
    g_live += counted;
    return block + kHeader;
}

void release(void* p) noexcept {
    if (!p) return;
    char* block = static_cast<char*>(p) - kHeader;
    g_live -= block[0];
    std::free(block);
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
void operator delete(void* p) noexcept { release(p); }
void operator delete[](void* p) noexcept { release(p); }
void operator delete(void* p, std::size_t) noexcept { release(p); }
void operator delete[](void* p, std::size_t) noexcept { release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

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

TEST_F(AstroAllocation, RunningOutOfMemoryThrowsNothingAndLeaksNothing) {
    writeConfig("Lattidue = 35\nEquinox = 2000\nEpoch = 2000\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
    writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine);
    Astro::AstroManager source;
    ASSERT_TRUE(source.Init());  // also writes the star cache
    source.setPos(0.0, 0.0, 0.0);
    const size_t stars = source.getStars()->size();

    // Each step, with allocation k failed; m is initialised and placed (its star list not yet
    // built) before it.
    // A step either works in full or leaves the documented failure: an uninitialised manager
    // without stars, or an empty star list that the next call rebuilds.
    const struct {
        const char* name;
        std::function<void(Astro::AstroManager& m)> run;
    } steps[] = {
        {"Init", [](Astro::AstroManager& m) { m = Astro::AstroManager(); m.Init(); m.setPos(0.0, 0.0, 0.0); }},
        {"getStars", [](Astro::AstroManager& m) { m.getStars(); }},
        {"copy", [&source](Astro::AstroManager& m) { m.~AstroManager(); new (&m) Astro::AstroManager(source); }},
        {"assignment", [&source](Astro::AstroManager& m) { m = source; }},
    };
    for (const auto& step : steps) {
        for (long k = 1;; ++k) {
            SCOPED_TRACE(testing::Message() << step.name << ", allocation " << k << " fails");
            g_live = 0;
            long made;
            {
                Astro::AstroManager m;
                ASSERT_TRUE(m.Init());
                m.setPos(1000.0, 0.0, 0.0);
                g_allocations = 0;
                g_failAt = k;
                g_counting = true;
                EXPECT_NO_THROW(step.run(m));
                g_counting = false;
                made = g_allocations;
                const size_t listed = m.isInitialised() ? m.getStars()->size() : 0;
                EXPECT_TRUE(listed == stars || (!m.isInitialised() && listed == 0)) << listed;
                if (m.isInitialised()) {
                    m.setPos(5000.0, 0.0, 0.0);  // rebuilt from the manager's own star records
                    EXPECT_EQ(m.getStars()->size(), stars);
                } else {
                    EXPECT_EQ(Astro::AstroManagerProbe::starRecordCount(m), 0u);
                    EXPECT_EQ(Astro::AstroManagerProbe::lightBitmap(m).pData, nullptr);
                }
            }
            EXPECT_EQ(g_live, 0);
            if (made < k) break;  // this run failed no allocation: every one has been tried
        }
    }
}

}  // namespace
