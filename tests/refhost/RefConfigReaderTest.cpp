// The reference host's configuration reader: its entries, its errors and the budgets that stop
// runaway files, and the module's CFGREADER on top of it.
#include "refhost/RefConfigReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "RefTestFiles.h"
#include "refhost/ReferenceHost.h"

using refhost::RefConfigReader;

namespace {

std::unique_ptr<RefConfigReader> run(const std::string& source, const RefConfigReader::Limits& limits = {}) {
    return RefConfigReader::fromSource(source, "test.cfg", limits);
}

}  // namespace

TEST(RefConfigReader, EntriesInFileOrderWithBlocksAndTypes) {
    auto r = run("b = 2\na = 1.5\ng = { r = 3, name = 'x', on = true, sub = { k = 1 }, [1] = 'ignored' }\n"
                 "f = function() end\nhuge = 1 << 40\ngone = 1\ngone = nil\nb = 4\nlocal hidden = 5\n"
                 "t = { v = 1 }\nt.self = t\n");  // a table that contains itself is not followed
    std::string names;
    for (int k = 0; k < r->getEntryCount(); ++k) names += r->getEntryName(k) + std::string(" ");
    EXPECT_EQ(names, "b a g huge t ") << r->getError();
    int i = 99;
    float f = 0;
    EXPECT_TRUE(r->getInt("b", &i) && i == 4);  // the last value, at the place of the first assignment
    EXPECT_FALSE(r->getInt("a", &i) || r->getInt("huge", &i) || r->getInt("g", &i) || r->getInt("missing", &i));
    EXPECT_TRUE(i == 4 && r->getFloat("a", &f) && f == 1.5f);  // a failed read leaves the value alone
    const common::IConfigReader* g = r->getBlock(2);
    ASSERT_TRUE(g && r->isBlock(2) && !r->isBlock(0) && g->getEntryCount() == 4);  // the integer key is ignored
    EXPECT_STREQ(g->getEntryName(3), "sub");  // sorted by name
    EXPECT_FALSE(g->getInt("on", &i));  // a boolean is the wrong type
    EXPECT_TRUE(g->getBlock(3)->getInt("k", &i) && i == 1);
    EXPECT_EQ(r->getBlock(4)->getEntryCount(), 1);
}

TEST(RefConfigReader, ErrorsAndBudgetsLeaveNoEntries) {
    RefConfigReader::Limits small;
    small.memoryBytes = 1u << 20;
    const struct { const char* source; const char* error; } cases[] = {
        {"a = 1\nb = 2\nc = = 3\n", "test.cfg:3:"},  // syntax
        {"a = 1\nerror('boom')\n", "test.cfg:2: boom"},
        {"error({})", "test.cfg"},
        {"\x1bLua", "binary"},  // no precompiled chunks
        {"x = 1\nwhile true do end\n", "test.cfg:2: instruction budget"},
        {"while true do pcall(function() while true do end end) end\n", "budget"},  // catching it buys no time
        {"local function f() return 1 + f() end\nx = f()\n", ""},
        {"s = string.rep('x', 100000000)\n", "memory"},
        {"t = {}\nfor i = 1, 900000 do t[i] = {i} end\n", ""},
        {"x = os.exit(1)", "os"},  // the sandbox offers no files, OS, loaders or debug library
        {"x = io.open('f')", "io"}, {"x = require('x')", "require"}, {"x = load('y = 1')", "load"},
        {"x = ('x'):gsub('x', 'y')", "gsub"}, {"x = debug.getinfo(1)", "debug"},
    };
    const auto start = std::chrono::steady_clock::now();
    for (const auto& c : cases) {
        auto r = run(c.source);
        EXPECT_EQ(r->getEntryCount(), 0) << c.source;
        EXPECT_STRNE(r->getError(), "") << c.source;
        EXPECT_NE(std::string(r->getError()).find(c.error), std::string::npos) << c.source << ": " << r->getError();
    }
    // Work outside the instructions: library loops in C, and reading back what many names share.
    auto loops = run("e = string.rep('', 1 << 32)\nm = (''):rep(1 << 32, '')\nj = string.rep('ab', 3, '-')\n");
    std::string s;
    EXPECT_TRUE(loops->getString("j", &s) && s == "ab-ab-ab") << loops->getError();
    auto shared = run("s = string.rep('x', 100000)\nt = {}\nfor i = 1, 100 do t['k' .. i] = s end\n", small);
    ASSERT_EQ(shared->getEntryCount(), 2) << shared->getError();
    const common::IConfigReader* t = shared->getBlock(1);
    size_t copied = 100000;  // s itself; the copies stop at the 1 MB memory budget
    for (int k = 0; k < t->getEntryCount(); ++k)
        if (static_cast<const RefConfigReader*>(t)->getString(t->getEntryName(k), &s)) copied += s.size();
    EXPECT_LE(copied, small.memoryBytes);
    auto visits = run("t = {}\nfor i = 1, 20000 do t['f' .. i] = type end\na = {}\nfor i = 1, 200 do a['b' .. i] = t end\n");
    EXPECT_LT(visits->getBlock(1)->getEntryCount(), 200);  // reading stops after 2^20 keys looked at
    EXPECT_GT(visits->getBlock(1)->getEntryCount(), 40);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
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
    EXPECT_FLOAT_EQ(astro.GetVarFloat("Lattidue", 0.0f), 55.75f);
    EXPECT_FLOAT_EQ(astro.GetVarFloat("Latitude", -1.0f), -1.0f);
    EXPECT_EQ(astro.GetVarInt("Equinox", 0), 2000);
    EXPECT_EQ(astro.GetVarInt("Lattidue", 7), 7);  // not integral: the default
    CFGREADER startup("startup.cfg", true, false);
    ASSERT_EQ(startup.GetLoadedCount(), 2);
    EXPECT_NE(startup.GetBlockID(0, "key"), 0);  // a plain key
    EXPECT_EQ(startup.GetBlockID(1, "key"), 0);  // a block
    int reflection = -1;
    EXPECT_TRUE(startup.GetBlock(1)->GetVarInt(&reflection, "reflection", 0) && reflection == 2);
    EXPECT_FALSE(startup.GetBlock(1)->GetVarInt(&reflection, "quality", 5));
    EXPECT_EQ(reflection, 5);
    EXPECT_EQ(host.services().lastConfigError(), "");
    EXPECT_EQ(CFGREADER("LuaScripts\\Missing.cfg", true, false).GetLoadedCount(), 0);
    EXPECT_NE(host.services().lastConfigError().find("Missing.cfg"), std::string::npos);
    CFGREADER broken("broken.cfg", true, false);
    EXPECT_EQ(broken.GetVarInt("a", 3), 3);
    EXPECT_NE(host.services().lastConfigError().find("broken.cfg:4:"), std::string::npos) << host.services().lastConfigError();
    host.uninstall();
    EXPECT_EQ(CFGREADER("startup.cfg", true, false).GetLoadedCount(), 0);  // no services: no entries, no crash
}
