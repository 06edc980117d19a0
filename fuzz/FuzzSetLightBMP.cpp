// The light bitmap handed over by the host: SetLightBMP with a record of any width, height and
// byte size (it always describes memory that exists, filled from the input), over a light
// bitmap of any size loaded from a file, followed by what reads the bitmap: applyLighting twice
// at a date, place and tick count from the input, and the colour-point lists. Without overcast
// the ambient colour stays in 0..2 and the light colour in 0..4, alpha 0.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "enviro/Enviro.h"
#include "enviro/astro/AstroManager.h"
#include "enviro/effector/EffectorMan.h"
#include "fuzz/FuzzAstroHost.h"

namespace {

using Astro::AstroManager;

constexpr int kMaxSide = 64;  // light bitmaps of the input: 1..64 pixels a side

// A 24-bit bottom-up BMP file, pixels from the input (zeros once it runs out).
std::vector<uint8_t> bmpFile(int width, int height, FuzzedDataProvider& in) {
    const int rowBytes = (width * 3 + 3) & ~3;
    const int pixelBytes = rowBytes * height;
    std::vector<uint8_t> file(54, 0);
    auto put32 = [&file](int at, int v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    file[0] = 'B';
    file[1] = 'M';
    put32(2, 54 + pixelBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    file[26] = 1;
    file[28] = 24;
    std::vector<uint8_t> pixels = in.ConsumeBytes<uint8_t>(pixelBytes);
    pixels.resize(pixelBytes, 0);
    file.insert(file.end(), pixels.begin(), pixels.end());
    return file;
}

// Byte size of the bundled light bitmap, which Init loads.
int bundledLightBitmapSize(refhost::ReferenceHost& host) {
    BITMAP_ bitmap{nullptr, 0, 0, 0};
    host.services().loadBitmap24(&bitmap, "graphics\\sky\\light.bmp");
    const int size = bitmap.nSize;
    host.services().freeBitmap(&bitmap);
    return size;
}

void requireColor(const Math::Vector<4, float>& c, float most) {
    for (float v : {c.x, c.y, c.z}) fuzz::require(v >= 0.0f && v <= most);
    fuzz::require(c.w == 0.0f);
}

void editColorPoints(AstroManager& manager, FuzzedDataProvider& in) {
    AstroManager::Colorpoint points[8];
    for (int op = 0; op < 16 && in.remaining_bytes() > 0; ++op) {
        const bool list = in.ConsumeBool();
        const int index = in.ConsumeIntegralInRange(-2, 8);
        AstroManager::Colorpoint point{in.ConsumeFloatingPoint<float>(),
                                       Math::Vector<4, float>(in.ConsumeFloatingPoint<float>(), 0.5f, 0.25f, 1.0f)};
        switch (in.ConsumeIntegralInRange(0, 4)) {
            case 0: fuzz::require(manager.addPoint(&point, list) >= 0); break;
            case 1: manager.delPoint(index, list); break;
            case 2: fuzz::require(manager.getAllPoints(points, std::max(index, 0), list) <= 8); break;
            case 3: manager.setPointByNum(index, &point, list); break;
            default: manager.getPointByNum(index, &points[0], list); break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    refhost::ReferenceHost& host = fuzz::astroHost();
    static const int bundledSize = bundledLightBitmapSize(host);
    static const bool started = (createEnviro(), true);
    (void)started;
    FuzzedDataProvider in(data, size);

    AstroManager manager;
    fuzz::require(manager.Init());
    int lightSize = bundledSize;
    if (in.ConsumeBool()) {
        const int width = in.ConsumeIntegralInRange(1, kMaxSide);
        const int height = in.ConsumeIntegralInRange(1, kMaxSide);
        const std::vector<uint8_t> file = bmpFile(width, height, in);
        const std::string path = fuzz::scratchDir() + "/light.bmp";
        fuzz::writeFile(path, file.data(), file.size());
        manager.SetLightBMP(path.c_str());
        lightSize = 3 * width * height;
    }

    BITMAP_ record{nullptr, in.ConsumeIntegral<int>(), in.ConsumeIntegral<int>(), 0};
    record.nSize = in.ConsumeBool() ? lightSize : in.ConsumeIntegralInRange(-16, 3 * kMaxSide * kMaxSide + 16);
    std::vector<unsigned char> pixels = in.ConsumeBytes<unsigned char>(std::max(record.nSize, 0));
    pixels.resize(std::max(record.nSize, 0), 0x80);
    unsigned char spare = 0;
    record.pData = !pixels.empty() ? pixels.data() : (in.ConsumeBool() ? &spare : nullptr);
    manager.SetLightBMP(&record);

    host.os().setTicks(in.ConsumeIntegral<uint32_t>());
    manager.setDateTime(in.ConsumeIntegralInRange(1600, 2400), in.ConsumeIntegralInRange(1, 12),
                        in.ConsumeIntegralInRange(1, 31), in.ConsumeIntegralInRange(0, 23),
                        in.ConsumeIntegralInRange(0, 59), in.ConsumeFloatingPointInRange(0.0f, 60.0f));
    manager.setPos(in.ConsumeFloatingPointInRange(-2.0e7, 2.0e7), in.ConsumeFloatingPointInRange(0.0, 1.0e4),
                   in.ConsumeFloatingPointInRange(-2.0e7, 2.0e7));
    manager.applyLighting(0.0f);
    host.os().advance(in.ConsumeIntegralInRange<uint32_t>(0, 240000));
    manager.applyLighting(0.0f);
    requireColor(manager.getAmbientColor(), 2.0f);
    requireColor(manager.getLightColor(), 4.0f);
    effector::effectorMan->flush(effector::EFFECTOR_LIGHT, 0);

    editColorPoints(manager, in);
    return 0;
}
