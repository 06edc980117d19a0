// After its first sky rebuild the manager allocates nothing when the sky is rebuilt again; copies
// own what they hold; when memory runs out in Init, the star list or a copy, nothing is thrown and
// nothing leaks. Counted by replacing the global operator new and delete of this test program:
// while a test counts, they count the blocks made and still live, and can fail the n-th one.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <new>

#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"

// The replacements pair malloc with free on purpose, behind a header of their own.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#pragma GCC diagnostic ignored "-Warray-bounds"

namespace {
bool g_counting = false;
long g_allocations = 0, g_failAt = 0, g_live = 0;  // g_failAt: the allocation that fails (0: none)
constexpr std::size_t kHeader = alignof(std::max_align_t);  // a header marks the counted blocks

void* allocate(std::size_t size) {
    if (g_counting && ++g_allocations == g_failAt) return nullptr;
    char* block = static_cast<char*>(std::malloc(kHeader + size));
    if (block) g_live += (block[0] = g_counting);
    return block ? block + kHeader : nullptr;
}
void release(void* p) noexcept {
    if (!p) return;
    g_live -= *(static_cast<char*>(p) - kHeader);
    std::free(static_cast<char*>(p) - kHeader);
}
}  // namespace

// Every form is replaced: a sanitizer's runtime supplies the array and nothrow forms itself, so
// none may be left to come down to the plain ones. None is inlined into this file's other code:
// under valgrind, which puts its own allocator in their place, every call must reach it.
[[gnu::noinline]] void* operator new(std::size_t size) {
    void* p = allocate(size);
    return p ? p : throw std::bad_alloc();
}
[[gnu::noinline]] void* operator new[](std::size_t size) { return operator new(size); }
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
[[gnu::noinline]] void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return allocate(size); }
[[gnu::noinline]] void operator delete(void* p) noexcept { release(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { release(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { release(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { release(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { release(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p); }

namespace {

class AstroAllocation : public astrotest::AstroHostTest {
protected:
    void SetUp() override {
        AstroHostTest::SetUp();
        writeConfig("Lattidue = 35\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
        writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine);
        writeLightBitmap(4, 4, 1, 2, 3);
    }
};

TEST_F(AstroAllocation, RebuildAfterTheFirstAllocatesNothing) {
    ASSERT_TRUE(m.Init());
    auto rebuild = [this](int hour, double x) {
        m.setDateTime(2040, 7, 14, hour, 0, 0.0f);
        m.setPos(x, 0.0, 0.0);
        m.getSunPos(), m.getMoonPos(), m.getMoonPhase(), m.getMoonAngle(), m.getMilkyPole(), m.getMilkyCenter();
        return m.needStarsUpdate() ? m.getStars()->size() : 0;
    };
    ASSERT_EQ(rebuild(20, 0.0), 11u);  // the first rebuild sizes the star list
    g_allocations = 0, g_counting = true;
    const size_t again = rebuild(23, 2000.0), third = rebuild(2, -3000.0);
    ::operator delete(::operator new(16));  // the counter itself counts
    g_counting = false;
    EXPECT_TRUE(again == 11u && third == 11u);
    EXPECT_EQ(g_allocations, 1);
}

TEST_F(AstroAllocation, RunningOutOfMemoryThrowsNothingAndLeaksNothing) {
    ASSERT_TRUE(m.Init());  // the source of the copies; also writes the star cache
    m.setPos(0.0, 0.0, 0.0);
    // Each step, with allocation k failed, on a manager initialised and placed before it (its star
    // list not yet built), either works in full or leaves the documented failure: a manager not
    // initialised and without stars, or an empty star list that the next call rebuilds.
    const struct { const char* name; std::function<void(Astro::AstroManager& target)> run; } steps[] = {
        {"Init", [](Astro::AstroManager& t) { t = Astro::AstroManager(), t.Init(), t.setPos(0.0, 0.0, 0.0); }},
        {"getStars", [](Astro::AstroManager& t) { t.getStars(); }},
        {"copy", [this](Astro::AstroManager& t) { t.~AstroManager(), new (&t) Astro::AstroManager(m); }},
        {"assignment", [this](Astro::AstroManager& t) { t = m; }},
        {"self-assignment", [](Astro::AstroManager& t) { t = *&t; }},
    };
    for (const auto& step : steps)
        for (long k = 1, made = 1; made >= k - 1; ++k) {  // until a run fails none: all have been tried
            SCOPED_TRACE(testing::Message() << step.name << ", allocation " << k << " fails");
            g_live = 0;
            {
                Astro::AstroManager target;
                ASSERT_TRUE(target.Init());
                target.setPos(1000.0, 0.0, 0.0);
                g_allocations = 0, g_failAt = k, g_counting = true;
                EXPECT_NO_THROW(step.run(target));
                g_counting = false, made = g_allocations;
                const bool ready = target.isInitialised();
                EXPECT_EQ(target.getStars()->size(), ready ? 11u : 0u);  // an empty list is rebuilt at the next call
                target.setPos(5000.0, 0.0, 0.0);  // rebuilt from the manager's own star records
                EXPECT_EQ(target.getStars()->size(), ready ? 11u : 0u);
                // A copy owns its own records and (when no allocation failed) its own bitmap.
                EXPECT_EQ(Astro::AstroManagerProbe::starRecordCount(target), ready ? 3u : 0u);
                EXPECT_TRUE(ready ? made >= k || Astro::AstroManagerProbe::lightBitmap(target).pData
                                  : !Astro::AstroManagerProbe::lightBitmap(target).pData);
            }
            EXPECT_EQ(g_live, 0);
        }
}

}  // namespace
