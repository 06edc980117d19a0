#pragma once
// A private copy of the bundled data folder as the working directory (once per test program),
// with the reference host installed on it (once per test), for tests that run whole frames
// through the frame driver. The star cache is built into the copy on the first start-up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "refhost/ReferenceHost.h"

namespace soak_test {

namespace fs = std::filesystem;

class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = fs::temp_directory_path() / ("enviro_soak_" + std::to_string(getpid()));
        s_previous = fs::current_path();
        std::error_code error;
        fs::remove_all(s_dir, error);
        fs::copy(fs::path(__FILE__).parent_path().parent_path().parent_path() / "data", s_dir, fs::copy_options::recursive, error);
        // The bundled catalogue is read-only in the source tree; the copy need not be.
        if (!error) fs::permissions(s_dir / "PPM.dat", fs::perms::owner_write, fs::perm_options::add, error);
        if (!error) fs::current_path(s_dir, error);
        s_ok = !error;
    }
    static void TearDownTestSuite() {
        std::error_code ignored;
        fs::current_path(s_previous, ignored);
        fs::remove_all(s_dir, ignored);
    }
    void SetUp() override {
        ASSERT_TRUE(s_ok) << "could not copy the data folder";
        host.install();
    }

    refhost::ReferenceHost host{""};
    static inline fs::path s_dir, s_previous;
    static inline bool s_ok = false;
};

}  // namespace soak_test
