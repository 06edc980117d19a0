#pragma once
// A private copy of the bundled data folder as the working directory, with the reference host
// installed on it, for tests that run whole frames through the frame driver. The star cache is
// built into the copy on the first start-up and reused by later ones.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "refhost/ReferenceHost.h"

namespace soak_test {

namespace fs = std::filesystem;

class ScratchData {
public:
    ScratchData() {
        const fs::path source = fs::path(__FILE__).parent_path().parent_path().parent_path() / "data";
        m_dir = fs::temp_directory_path() / ("enviro_soak_" + std::to_string(getpid()));
        std::error_code error;
        fs::remove_all(m_dir, error);
        fs::copy(source, m_dir, fs::copy_options::recursive, error);
        m_ok = !error && fs::exists(m_dir / "PPM.dat");
        // The bundled catalogue is read-only in the source tree; the copy need not be.
        fs::permissions(m_dir / "PPM.dat", fs::perms::owner_write, fs::perm_options::add, error);
        m_previous = fs::current_path();
        fs::current_path(m_dir, error);
        m_ok = m_ok && !error;
    }
    ~ScratchData() {
        std::error_code ignored;
        fs::current_path(m_previous, ignored);
        fs::remove_all(m_dir, ignored);
    }
    bool ok() const { return m_ok; }

private:
    fs::path m_dir;
    fs::path m_previous;
    bool m_ok = false;
};

// The data copy (once per test program) and an installed host (once per test).
class FrameTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_data = new ScratchData(); }
    static void TearDownTestSuite() {
        delete s_data;
        s_data = nullptr;
    }
    void SetUp() override {
        ASSERT_TRUE(s_data && s_data->ok()) << "could not copy the data folder";
        host.install();
    }

    refhost::ReferenceHost host{""};
    static inline ScratchData* s_data = nullptr;
};

}  // namespace soak_test
