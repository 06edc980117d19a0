#include "refhost/RefConfigReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "RefTestFiles.h"
#include "enviro/host/CommonServices.h"
#include "refhost/ReferenceHost.h"

using refhost::RefConfigReader;

namespace {

std::unique_ptr<RefConfigReader> run(const std::string& source) { return RefConfigReader::fromSource(source, "test.cfg"); }

bool has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(RefConfigReader, EntriesInFileOrderBlocksAndTypes) {
    auto r = run(R"(
b = 2
a = 1.5
graphics = { reflection = 3, name = "x", on = true, sub = { k = 1 }, [1] = "ignored" }
c = "text"
f = function() end
n = 7.0
huge = 1 << 40
big = 2.0 ^ 40
gone = 1
gone = nil
b = 4
local hidden = 5
)");
    ASSERT_STREQ(r->getError(), "");
    const char* expected[] = {"b", "a", "graphics", "c", "n", "huge", "big"};
    ASSERT_EQ(r->getEntryCount(), 7);
    for (int i = 0; i < 7; ++i) EXPECT_STREQ(r->getEntryName(i), expected[i]) << i;
    EXPECT_EQ(r->getEntryName(7), nullptr);
    EXPECT_EQ(r->getEntryName(-1), nullptr);

    int i = -1;
    float f = -1;
    EXPECT_TRUE(r->getInt("b", &i));
    EXPECT_EQ(i, 4);  // the last value, at the place of the first assignment
    EXPECT_FALSE(r->getInt("a", &i));  // 1.5 is not integral
    EXPECT_TRUE(r->getFloat("a", &f));
    EXPECT_FLOAT_EQ(f, 1.5f);
    EXPECT_TRUE(r->getInt("n", &i));
    EXPECT_EQ(i, 7);
    EXPECT_FALSE(r->getInt("huge", &i));  // outside int
    EXPECT_FALSE(r->getInt("big", &i));
    EXPECT_TRUE(r->getFloat("huge", &f));
    EXPECT_FLOAT_EQ(f, 1099511627776.0f);
    i = 99;
    EXPECT_FALSE(r->getInt("c", &i));  // wrong type leaves out unchanged
    EXPECT_EQ(i, 99);
    EXPECT_FALSE(r->getFloat("c", &f));
    EXPECT_FALSE(r->getInt("graphics", &i));
    EXPECT_FALSE(r->getInt("missing", &i));
    EXPECT_FALSE(r->getInt(nullptr, &i));
    std::string text;
    EXPECT_TRUE(r->getString("c", &text));
    EXPECT_EQ(text, "text");

    EXPECT_FALSE(r->isBlock(0));
    ASSERT_TRUE(r->isBlock(2));
    EXPECT_EQ(r->getBlock(0), nullptr);
    const common::IConfigReader* g = r->getBlock(2);
    ASSERT_NE(g, nullptr);
    ASSERT_EQ(g->getEntryCount(), 4);  // sorted by name; the integer key is ignored
    EXPECT_STREQ(g->getEntryName(0), "name");
    EXPECT_STREQ(g->getEntryName(1), "on");
    EXPECT_STREQ(g->getEntryName(2), "reflection");
    EXPECT_STREQ(g->getEntryName(3), "sub");
    EXPECT_TRUE(g->getInt("reflection", &i));
    EXPECT_EQ(i, 3);
    EXPECT_FALSE(g->getInt("on", &i));  // a boolean is the wrong type
    ASSERT_TRUE(g->isBlock(3));
    EXPECT_TRUE(g->getBlock(3)->getInt("k", &i));
    EXPECT_EQ(i, 1);
}

TEST(RefConfigReader, ErrorsNameFileAndLineAndLeaveNoEntries) {
    auto syntax = run("a = 1\nb = 2\nc = = 3\n");
    EXPECT_EQ(syntax->getEntryCount(), 0);
    EXPECT_TRUE(has(syntax->getError(), "test.cfg:3:")) << syntax->getError();

    auto runtime = run("a = 1\nerror('boom')\n");
    EXPECT_EQ(runtime->getEntryCount(), 0);
    EXPECT_TRUE(has(runtime->getError(), "test.cfg:2:")) << runtime->getError();
    EXPECT_TRUE(has(runtime->getError(), "boom"));

    auto nonString = run("error({})");
    EXPECT_EQ(nonString->getEntryCount(), 0);
    EXPECT_TRUE(has(nonString->getError(), "test.cfg")) << nonString->getError();

    auto binary = run(std::string("\x1bLua\x54\x00", 6));
    EXPECT_EQ(binary->getEntryCount(), 0);
    EXPECT_TRUE(has(binary->getError(), "binary")) << binary->getError();
}

TEST(RefConfigReader, BudgetAndMemoryCapStopRunawayFiles) {
    const auto start = std::chrono::steady_clock::now();
    auto loop = run("x = 1\nwhile true do end\n");
    EXPECT_EQ(loop->getEntryCount(), 0);
    EXPECT_TRUE(has(loop->getError(), "budget")) << loop->getError();
    EXPECT_TRUE(has(loop->getError(), "test.cfg:2:")) << loop->getError();

    // Catching the budget error does not buy more time.
    auto evasive = run("while true do pcall(function() while true do end end) end\n");
    EXPECT_EQ(evasive->getEntryCount(), 0);
    EXPECT_TRUE(has(evasive->getError(), "budget")) << evasive->getError();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));

    auto recursion = run("local function f() return 1 + f() end\nx = f()\n");
    EXPECT_EQ(recursion->getEntryCount(), 0);
    EXPECT_STRNE(recursion->getError(), "");

    auto memory = run("s = string.rep('x', 100000000)\n");
    EXPECT_EQ(memory->getEntryCount(), 0);
    EXPECT_TRUE(has(memory->getError(), "memory")) << memory->getError();

    auto tables = run("t = {}\nfor i = 1, 900000 do t[i] = {i} end\n");
    EXPECT_EQ(tables->getEntryCount(), 0);
    EXPECT_STRNE(tables->getError(), "");
}

// Work that a short chunk can ask for outside the Lua instructions: library loops in C, and the
// reading back of a table or string that is referred to from many places.
TEST(RefConfigReader, WorkOutsideTheInstructionsStaysWithinBudgets) {
    const auto start = std::chrono::steady_clock::now();
    auto loops = run(R"(
empty = string.rep("", 1 << 32)
method = (""):rep(1 << 32, "")
joined = string.rep("ab", 3, "-")
noMove = table.move == nil and 1 or 0
)");
    std::string s;
    ASSERT_TRUE(loops->getString("empty", &s)) << loops->getError();
    EXPECT_EQ(s, "");
    ASSERT_TRUE(loops->getString("method", &s));
    EXPECT_EQ(s, "");
    ASSERT_TRUE(loops->getString("joined", &s));
    EXPECT_EQ(s, "ab-ab-ab");
    int i = 0;
    EXPECT_TRUE(loops->getInt("noMove", &i));
    EXPECT_EQ(i, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // One 100 kB string under 100 names: the copies stop at the 1 MB memory budget.
    RefConfigReader::Limits small;
    small.memoryBytes = 1u << 20;
    auto shared = RefConfigReader::fromSource(
        "s = string.rep('x', 100000)\nt = {}\nfor i = 1, 100 do t['k' .. i] = s end\n", "test.cfg", small);
    ASSERT_EQ(shared->getEntryCount(), 2) << shared->getError();
    const common::IConfigReader* t = shared->getBlock(1);
    ASSERT_NE(t, nullptr);
    size_t copied = 100000;  // s itself
    for (int k = 0; k < t->getEntryCount(); ++k)
        if (static_cast<const RefConfigReader*>(t)->getString(t->getEntryName(k), &s)) copied += s.size();
    EXPECT_LE(copied, small.memoryBytes);
    EXPECT_GT(t->getEntryCount(), 0);

    // One table of 20000 keys under 200 names: reading stops after 2^20 keys looked at.
    auto visits = run("t = {}\nfor i = 1, 20000 do t['f' .. i] = type end\n"
                      "a = {}\nfor i = 1, 200 do a['b' .. i] = t end\n");
    ASSERT_EQ(visits->getEntryCount(), 2) << visits->getError();
    ASSERT_TRUE(visits->isBlock(1));
    EXPECT_LT(visits->getBlock(1)->getEntryCount(), 200);
    EXPECT_GT(visits->getBlock(1)->getEntryCount(), 40);

    // Reading every key of a 60000-key block by name takes time linear in the keys, not quadratic.
    auto wide = run("a = {}\nfor i = 1, 60000 do a['k' .. i] = i end\n");
    ASSERT_EQ(wide->getEntryCount(), 1) << wide->getError();
    const common::IConfigReader* a = wide->getBlock(0);
    ASSERT_EQ(a->getEntryCount(), 60000);
    const auto lookups = std::chrono::steady_clock::now();
    long long sum = 0;
    for (int k = 0; k < a->getEntryCount(); ++k) {
        int v = 0;
        EXPECT_TRUE(a->getInt(a->getEntryName(k), &v));
        sum += v;
    }
    EXPECT_EQ(sum, 60000LL * 60001 / 2);
    EXPECT_LT(std::chrono::steady_clock::now() - lookups, std::chrono::seconds(2));
}

TEST(RefConfigReader, SandboxOffersNoFilesOsOrLoaders) {
    auto r = run(R"(
closed = (io == nil and os == nil and require == nil and dofile == nil and loadfile == nil
          and load == nil and package == nil and debug == nil and setmetatable == nil
          and collectgarbage == nil and rawset == nil and print == nil
          and string.find == nil and ("x").gsub == nil) and 1 or 0
floor = math.floor(2.5)
upper = string.upper("ab")
joined = table.concat({1, 2}, ",")
)");
    int i = 0;
    ASSERT_TRUE(r->getInt("closed", &i)) << r->getError();
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(r->getInt("floor", &i));
    EXPECT_EQ(i, 2);
    std::string s;
    EXPECT_TRUE(r->getString("upper", &s));
    EXPECT_EQ(s, "AB");

    auto exitCall = run("os.exit(1)");
    EXPECT_EQ(exitCall->getEntryCount(), 0);
    EXPECT_STRNE(exitCall->getError(), "");

    // A table that contains itself is read without going round for ever.
    auto cycle = run("t = { v = 1 }\nt.self = t\n");
    ASSERT_EQ(cycle->getEntryCount(), 1);
    ASSERT_TRUE(cycle->isBlock(0));
    EXPECT_EQ(cycle->getBlock(0)->getEntryCount(), 1);  // "self" is not followed
}

// The module's CFGREADER forwards to the installed host's reader.
TEST(RefConfigReader, CfgReaderThroughTheInstalledHost) {
    reftest::TempDir dir;
    dir.write("LuaScripts/Astro.cfg", "Lattidue = 55.75\nEquinox = 2000\n");
    dir.write("startup.cfg", "width = 1024\ngraphics = { reflection = 2 }\n");
    dir.write("broken.cfg", "a = 1\n\nb = {\n");
    refhost::ReferenceHost host(dir.path());
    host.install();

    CFGREADER astro("LuaScripts\\Astro.cfg", true, false);
    EXPECT_EQ(astro.GetLoadedCount(), 2);
    EXPECT_FLOAT_EQ(astro.GetVarFloat("Lattidue", 0.0f), 55.75f);
    EXPECT_FLOAT_EQ(astro.GetVarFloat("Latitude", -1.0f), -1.0f);
    EXPECT_EQ(astro.GetVarInt("Equinox", 0), 2000);
    EXPECT_EQ(astro.GetVarInt("Lattidue", 7), 7);  // not integral: the default
    EXPECT_EQ(host.services().lastConfigError(), "");

    CFGREADER startup("startup.cfg", true, false);
    ASSERT_EQ(startup.GetLoadedCount(), 2);
    EXPECT_NE(startup.GetBlockID(0, "key"), 0);
    EXPECT_EQ(startup.GetBlockID(1, "key"), 0);
    EXPECT_STREQ(startup.GetEntryName(1), "graphics");
    int reflection = -1;
    EXPECT_TRUE(startup.GetBlock(1)->GetVarInt(&reflection, "reflection", 0));
    EXPECT_EQ(reflection, 2);
    EXPECT_FALSE(startup.GetBlock(1)->GetVarInt(&reflection, "quality", 5));
    EXPECT_EQ(reflection, 5);
    EXPECT_EQ(startup.GetBlock(0)->GetLoadedCount(), 0);  // a plain key is no block

    CFGREADER missing("LuaScripts\\Missing.cfg", true, false);
    EXPECT_EQ(missing.GetLoadedCount(), 0);
    EXPECT_TRUE(has(host.services().lastConfigError(), "Missing.cfg"));

    CFGREADER broken("broken.cfg", true, false);
    EXPECT_EQ(broken.GetLoadedCount(), 0);
    EXPECT_EQ(broken.GetVarInt("a", 3), 3);
    EXPECT_TRUE(has(host.services().lastConfigError(), "broken.cfg:4:")) << host.services().lastConfigError();

    host.uninstall();
    CFGREADER without("startup.cfg", true, false);  // no services: no entries, no crash
    EXPECT_EQ(without.GetLoadedCount(), 0);
}
