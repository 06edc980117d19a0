// Packaged files and the search path behind them.
#include <gtest/gtest.h>

#include <string>

#include "RefTestFiles.h"
#include "enviro/host/CommonServices.h"
#include "refhost/ReferenceHost.h"

TEST(RefFiles, SearchPathTriesTheWorkingDirectoryFirst) {
    reftest::TempDir cwd, root;
    cwd.write("same.txt", "cwd");
    root.write("same.txt", "root");
    root.write("Sub/only.txt", "root");
    refhost::ReferenceHost host(root.path());
    reftest::ScopedCwd in(cwd.path());
    EXPECT_EQ(host.services().resolvePath("same.txt"), "same.txt");
    EXPECT_EQ(host.services().resolvePath("Sub\\only.txt"), root.path() + "/Sub/only.txt");
    EXPECT_EQ(host.services().resolvePath("sub\\only.txt"), "");  // case-sensitive
    EXPECT_EQ(host.services().resolvePath("nothing.txt"), "");
    EXPECT_EQ(host.services().resolvePath(""), "");
    EXPECT_EQ(host.services().resolvePath(nullptr), "");
    EXPECT_EQ(host.services().resolvePath("Sub"), "");  // a directory is not a file
    EXPECT_EQ(host.services().resolvePath(root.file("same.txt").c_str()), root.file("same.txt"));
}

TEST(RefFiles, PackagedFileTellSeekRead) {
    reftest::TempDir dir;
    std::string bytes;
    for (int i = 0; i < 100; ++i) bytes += static_cast<char>(i);
    dir.write("stars/PPMbin.dat", bytes);
    refhost::ReferenceHost host(dir.path());
    host.install();

    CPackageFile* f = PACKMAN->open("stars\\PPMbin.dat");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(host.packages().openFileCount(), 1);
    unsigned char buf[16] = {};
    EXPECT_EQ(f->tell(), 0);
    EXPECT_EQ(f->read(buf, 10, 0), 10u);
    EXPECT_EQ(buf[9], 9);
    EXPECT_EQ(f->tell(), 10);
    EXPECT_EQ(f->seek(-5, 2), 0);
    EXPECT_EQ(f->tell(), 95);
    EXPECT_EQ(f->read(buf, 16, 0), 5u);  // only what is left
    EXPECT_EQ(buf[0], 95);
    EXPECT_EQ(buf[4], 99);
    EXPECT_EQ(f->read(buf, 16, 0), 0u);
    EXPECT_EQ(f->seek(20, 0), 0);
    EXPECT_EQ(f->seek(5, 1), 0);
    EXPECT_EQ(f->read(buf, 1, 0), 1u);
    EXPECT_EQ(buf[0], 25);
    EXPECT_EQ(f->seek(-1, 0), -1);   // before the start
    EXPECT_EQ(f->seek(0, 7), -1);    // unknown origin
    EXPECT_EQ(f->read(nullptr, 4, 0), 0u);
    delete f;
    EXPECT_EQ(host.packages().openFileCount(), 0);

    EXPECT_EQ(PACKMAN->open("stars\\Missing.dat"), nullptr);
    EXPECT_EQ(PACKMAN->open(nullptr), nullptr);
    EXPECT_EQ(host.packages().openCallCount(), 3);
    EXPECT_EQ(host.packages().openFileCount(), 0);
}
