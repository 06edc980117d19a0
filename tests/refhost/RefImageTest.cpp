#include "refhost/RefImage.h"

#include <gtest/gtest.h>

#include <cmath>

using refhost::RefImage;

namespace {

Math::Vector4f roundTrip(int format, const Math::Vector4f& v) {
    RefImage image(format, 1, 1, 1);
    image.write(0, 0, 0, v);
    return image.read(0, 0, 0);
}

}  // namespace

// Each format keeps what its bits can hold: the read-back value is the nearest step.
TEST(RefImage, FormatsKeepTheirPrecision) {
    const Math::Vector4f v(0.3f, 0.6f, 0.9f, 0.4f);
    Math::Vector4f p = roundTrip(21, v);
    EXPECT_FLOAT_EQ(p.x, 77.0f / 255);  // 0.3 * 255 = 76.5 rounds up
    EXPECT_FLOAT_EQ(p.y, 153.0f / 255);
    EXPECT_FLOAT_EQ(p.w, 102.0f / 255);
    EXPECT_FLOAT_EQ(roundTrip(22, v).w, 1.0f);  // X8: no alpha stored

    p = roundTrip(23, v);  // 5-6-5
    EXPECT_FLOAT_EQ(p.x, 9.0f / 31);
    EXPECT_FLOAT_EQ(p.y, 38.0f / 63);
    EXPECT_FLOAT_EQ(p.z, 28.0f / 31);
    EXPECT_FLOAT_EQ(p.w, 1.0f);

    p = roundTrip(31, v);  // 10-10-10-2
    EXPECT_FLOAT_EQ(p.x, 307.0f / 1023);
    EXPECT_FLOAT_EQ(p.w, 1.0f / 3);

    EXPECT_FLOAT_EQ(roundTrip(80, Math::Vector4f(0.3f, 0, 0, 0)).x, 19661.0f / 65535);
    EXPECT_NEAR(roundTrip(77, Math::Vector4f(0.3f, 0, 0, 0)).x, 0.3f, 0.6f / 16777215);

    // Float formats keep values outside 0..1 exactly, in the channels they have.
    const Math::Vector4f big(100000.0f, -2.5f, 7.0f, 3.0f);
    EXPECT_EQ(roundTrip(111, big), Math::Vector4f(100000.0f, 1, 1, 1));
    EXPECT_EQ(roundTrip(112, big), Math::Vector4f(100000.0f, -2.5f, 1, 1));
    EXPECT_EQ(roundTrip(114, big), Math::Vector4f(100000.0f, 1, 1, 1));
    EXPECT_EQ(roundTrip(116, big), big);

    // Normalised channels clamp; NaN becomes 0.
    p = roundTrip(21, Math::Vector4f(-1.0f, 2.0f, std::nanf(""), 1.0f));
    EXPECT_EQ(p, Math::Vector4f(0, 1, 0, 1));
}

TEST(RefImage, UnwrittenImagesReadZeroAndOutOfRangeIsSafe) {
    RefImage image(21, 3, 2, 6);
    EXPECT_FALSE(image.isAllocated());
    EXPECT_EQ(image.read(2, 1, 5), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(RefImage(22, 1, 1, 1).read(0, 0), Math::Vector4f(0, 0, 0, 1));
    image.write(3, 0, 0, Math::Vector4f(1, 1, 1, 1));   // x out of range
    image.write(0, 0, 6, Math::Vector4f(1, 1, 1, 1));   // face out of range
    image.fill(-5, -5, -1, 10, 0, Math::Vector4f(1, 1, 1, 1));  // entirely left of the image
    EXPECT_FALSE(image.isAllocated());
    EXPECT_EQ(image.read(-1, 0), Math::Vector4f(0, 0, 0, 0));

    RefImage bad(42, 4, 4, 1);
    EXPECT_FALSE(bad.isValid());
    bad.write(0, 0, 0, Math::Vector4f(1, 1, 1, 1));
    EXPECT_EQ(bad.read(0, 0), Math::Vector4f(0, 0, 0, 0));
    EXPECT_EQ(RefImage::channelCount(23), 3);
    EXPECT_EQ(RefImage::channelCount(112), 2);
    EXPECT_EQ(RefImage::channelCount(80), 1);
}
