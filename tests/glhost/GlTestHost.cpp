#include "GlTestHost.h"

#include "glhost/GlObjects.h"

namespace glhost::test {

int provokedErrors = 0;

namespace {

std::unique_ptr<GlHost> s_host;

class GlHostEnvironment : public ::testing::Environment {
public:
    void TearDown() override {
        if (!s_host) return;
        s_host->uninstall();
        s_host->releaseGlObjects();
        EXPECT_EQ(gl::liveObjectCount(), 0) << "GL objects left at shutdown";
        EXPECT_EQ(s_host->context().errorCount(), provokedErrors)
            << (s_host->context().errorMessages().empty() ? "" : s_host->context().errorMessages()[0]);
        s_host.reset();
    }
};

const auto* const s_environment = ::testing::AddGlobalTestEnvironment(new GlHostEnvironment);

}  // namespace

GlHost& host() {
    if (!s_host) {
        std::string error;
        s_host = GlHost::create(GlHost::Options{}, error);
        if (!s_host) {
            ADD_FAILURE() << error;
            std::abort();
        }
        s_host->install();
    }
    return *s_host;
}

}  // namespace glhost::test
