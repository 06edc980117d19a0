// The manager's lifecycle: Init with its configuration, light bitmap and catalogue, failures and
// retries, copies, destruction.
#include <gtest/gtest.h>

#include <cmath>

#include "enviro/astro/AstroManager.h"
#include "enviro/astro/CatalogFrame.h"
#include "tests/astro/AstroManagerProbe.h"
#include "tests/astro/AstroTestHost.h"

namespace {

using Astro::AstroManager;
using Astro::AstroManagerProbe;

constexpr double kPi = 3.141592653589793;

class AstroManagerLifecycle : public astrotest::AstroHostTest {};

TEST_F(AstroManagerLifecycle, MissingOrEmptyConfigurationFailsAndInitMayBeRetried) {
    writeCatalogue(astrotest::kSiriusLine);
    AstroManager m;
    EXPECT_FALSE(m.Init());  // no configuration file at all
    EXPECT_FALSE(m.isInitialised());
    EXPECT_FALSE(exists("PPMbin.dat"));  // nothing was built
    EXPECT_EQ(m_host.packages().openFileCount(), 0);

    writeConfig("-- nothing here\n");
    EXPECT_FALSE(m.Init());  // a file without entries
    writeConfig("Lattidue = \n");
    EXPECT_FALSE(m.Init());  // a syntax error
    EXPECT_FALSE(m.isInitialised());

    writeConfig("Lattidue = 55.75\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
    EXPECT_TRUE(m.Init());
    EXPECT_TRUE(m.isInitialised());
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 1u);
    EXPECT_EQ(m_host.packages().openFileCount(), 0);  // the cache was closed after loading

    // A second Init changes nothing, even with another configuration.
    writeConfig("Lattidue = 10\n");
    EXPECT_TRUE(m.Init());
    EXPECT_NEAR(AstroManagerProbe::baseLatitude(m), 55.75 * kPi / 180.0, 1e-6);
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 1u);
    // Right after Init nothing is dirty: the first setPos builds the frame.
    EXPECT_EQ(AstroManagerProbe::dirtyCount(m), 0);
    EXPECT_EQ(m.getSunPos(), (Math::Vector<3, float>(0, 0, 0)));
    m.setPos(0, 0, 0);
    EXPECT_EQ(AstroManagerProbe::dirtyCount(m), 18);
}

TEST_F(AstroManagerLifecycle, KeysAreReadExactlyAsSpelledAndTyped) {
    writeConfig(
        "Lattidue = 55.75\nLongtidue = -3.5\nTimezone = 3\nEpoch = 1991.25\nEquinox = 1950\n"
        "Latitude = 10\nLongitude = 20\n");
    AstroManager m;
    ASSERT_TRUE(m.Init());
    EXPECT_NEAR(AstroManagerProbe::baseLatitude(m), 0.97302, 1e-5);
    EXPECT_NEAR(AstroManagerProbe::baseLongitude(m), -3.5 * kPi / 180.0, 1e-7);
    EXPECT_EQ(AstroManagerProbe::timezone(m), 3.0f);
    EXPECT_NEAR(Astro::g_dEpochT, -0.0875, 1e-9);
    EXPECT_NEAR(Astro::g_dEquinoxT, -0.5, 1e-9);

    // The usual spellings are not the keys; values of the wrong type count as absent.
    writeConfig("Latitude = 10\nLongitude = 20\nLongtidue = 'east'\nTimezone = 2.5\nEpoch = true\n");
    AstroManager other;
    ASSERT_TRUE(other.Init());
    EXPECT_EQ(AstroManagerProbe::baseLatitude(other), 0.0);
    EXPECT_EQ(AstroManagerProbe::baseLongitude(other), 0.0);
    EXPECT_EQ(AstroManagerProbe::timezone(other), 0.0f);
    EXPECT_NEAR(Astro::g_dEpochT, -20.0, 1e-12);  // year 0 by default
    // So do numbers that are not finite (1e300 is one once narrowed to float).
    writeConfig("Lattidue = 0/0\nLongtidue = 1e300\nEpoch = 1/0\nEquinox = -1/0\n");
    AstroManager third;
    ASSERT_TRUE(third.Init());
    EXPECT_EQ(AstroManagerProbe::baseLatitude(third), 0.0);
    EXPECT_EQ(AstroManagerProbe::baseLongitude(third), 0.0);
    EXPECT_NEAR(Astro::g_dEpochT, -20.0, 1e-12);
    EXPECT_NEAR(Astro::g_dEquinoxT, -20.0, 1e-12);
    // The time zone is stored only: the instant is local time minus one hour either way.
    m.setDateTime(2000, 1, 1, 13, 0, 0.0f);
    other.setDateTime(2000, 1, 1, 13, 0, 0.0f);
    EXPECT_EQ(AstroManagerProbe::mjd(m), AstroManagerProbe::mjd(other));
}

TEST_F(AstroManagerLifecycle, LightBitmapIsOptional) {
    writeConfig("Lattidue = 1\n");
    {
        AstroManager m;
        EXPECT_TRUE(m.Init());  // no bitmap: no error
        EXPECT_EQ(AstroManagerProbe::lightBitmap(m).pData, nullptr);
    }
    writeLightBitmap(8, 4, 10, 20, 30);
    AstroManager m;
    ASSERT_TRUE(m.Init());
    const BITMAP_& bmp = AstroManagerProbe::lightBitmap(m);
    ASSERT_NE(bmp.pData, nullptr);
    EXPECT_EQ(bmp.nWidth, 8);
    EXPECT_EQ(bmp.nHeight, 4);
    EXPECT_EQ(bmp.pData[1], 20);
}

TEST_F(AstroManagerLifecycle, CatalogueCacheIsBuiltOnceThenReused) {
    writeConfig("MinStarsMagnitude = -2\nMaxStarsMagnitude = 1\n");
    writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine + astrotest::kPolarisLine);
    {
        AstroManager m;
        ASSERT_TRUE(m.Init());
        EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 2u);  // Polaris is fainter than 1
        const Astro::StarRecord* sirius = AstroManagerProbe::starRecord(m, 0);
        EXPECT_EQ(sirius->pOwner, &m);
        EXPECT_NEAR(sirius->dMagnitude, -1.44, 1e-12);
        EXPECT_NEAR(sirius->dRA, (6 + 45 / 60.0 + 8.92 / 3600.0) * 15 * kPi / 180, 1e-12);
    }
    EXPECT_TRUE(exists("PPMbin.dat"));
    std::filesystem::remove(std::filesystem::path(m_dir) / "PPM.dat");
    writeConfig("MinStarsMagnitude = -2\nMaxStarsMagnitude = 9\n");  // ignored: the cache exists
    AstroManager m;
    ASSERT_TRUE(m.Init());
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 2u);
}

TEST_F(AstroManagerLifecycle, MissingTextCatalogueGivesAnEmptySky) {
    writeConfig("MaxStarsMagnitude = 9\n");
    AstroManager m;
    ASSERT_TRUE(m.Init());
    EXPECT_TRUE(exists("PPMbin.dat"));
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 0u);
    m.setDateTime(2010, 1, 1, 0, 0, 0.0f);
    m.setPos(0, 0, 0);
    EXPECT_EQ(m.getStars()->size(), 8u);  // the planets only
}

TEST_F(AstroManagerLifecycle, DefaultMagnitudeBoundsKeepOnlyMagnitudeZero) {
    std::string zero = astrotest::kVegaLine;
    zero.replace(zero.find(" 0.03 "), 6, " 0.00 ");
    writeCatalogue(std::string(astrotest::kSiriusLine) + zero + astrotest::kVegaLine);
    writeConfig("Lattidue = 5\n");
    AstroManager m;
    ASSERT_TRUE(m.Init());
    ASSERT_EQ(AstroManagerProbe::starRecordCount(m), 1u);
    EXPECT_EQ(AstroManagerProbe::starRecord(m, 0)->dMagnitude, 0.0);
}

TEST_F(AstroManagerLifecycle, NoPackageManagerMeansNoCatalogue) {
    writeConfig("Lattidue = 5\n");
    writeCatalogue(astrotest::kSiriusLine);
    CPackageManager* installed = PACKMAN;
    PACKMAN = nullptr;
    AstroManager m;
    EXPECT_FALSE(m.Init());  // the cache is built but cannot be opened
    PACKMAN = installed;
    EXPECT_TRUE(m.Init());
    EXPECT_EQ(AstroManagerProbe::starRecordCount(m), 0u);  // built with the default bounds 0..0
}

TEST_F(AstroManagerLifecycle, CopiesOwnTheirOwnResources) {
    writeConfig("Lattidue = 20\nMinStarsMagnitude = -2\nMaxStarsMagnitude = 7\n");
    writeCatalogue(std::string(astrotest::kSiriusLine) + astrotest::kVegaLine);
    writeLightBitmap(4, 4, 1, 2, 3);
    AstroManager* source = new AstroManager;
    ASSERT_TRUE(source->Init());
    source->setDateTime(2030, 5, 5, 5, 5, 5.0f);
    source->setPos(0, 0, 0);
    source->ComputeSunlight(0.0, 0);
    const std::vector<Astro::STARDESC> expected = *source->getStars();

    AstroManager copy(*source);
    AstroManager assigned;
    assigned = *source;
    assigned = assigned;  // self-assignment keeps everything
    delete source;        // the copies do not depend on it

    for (AstroManager* m : {&copy, &assigned}) {
        EXPECT_TRUE(m->isInitialised());
        ASSERT_EQ(AstroManagerProbe::starRecordCount(*m), 2u);
        EXPECT_EQ(AstroManagerProbe::starRecord(*m, 1)->pOwner, m);
        EXPECT_EQ(AstroManagerProbe::lightBitmap(*m).nWidth, 4);
        EXPECT_NEAR(m->getSunSpectrum()[0], 1.655, 1e-12);
        ASSERT_EQ(m->getStars()->size(), expected.size());
        m->setDateTime(2030, 5, 5, 9, 0, 0.0f);
        m->setPos(0, 0, 0);
        EXPECT_NE((*m->getStars())[0].vPos, expected[0].vPos);  // rebuilt from its own records
        m->ComputeAttenuatedSunlight(0.5, 3);
        EXPECT_LT(m->getSunSpectrum()[40], 1.655 * 2);
    }
}

}  // namespace
