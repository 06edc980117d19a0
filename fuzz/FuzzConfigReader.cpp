// The reference host's configuration reader: the bytes are the Lua source of a configuration
// file, run in the sandbox under its instruction and memory budgets. Every entry is then read
// back, through the reader itself and through CFGREADER as the module reads its files (a common
// services object that hands the input to the reader stands in for the file system). The budgets
// are a quarter of the defaults, for more runs a second; what they guard is the same.
#include <memory>
#include <string>

#include "enviro/host/CommonServices.h"
#include "fuzz/FuzzSupport.h"
#include "refhost/RefConfigReader.h"

namespace {

constexpr int kMaxDepth = 16;  // the reader's nesting limit of blocks

refhost::RefConfigReader::Limits fuzzLimits() {
    refhost::RefConfigReader::Limits limits;
    limits.instructions /= 4;
    limits.memoryBytes /= 4;
    return limits;
}

class SourceServices final : public common::ICommonServices {
public:
    common::IConfigReader* openConfig(const char*) override {
        return refhost::RefConfigReader::fromSource(source, "fuzz.cfg", fuzzLimits()).release();
    }
    bool loadBitmap24(BITMAP_* bitmap, const char*) override {
        *bitmap = BITMAP_{nullptr, 0, 0, 0};
        return false;
    }
    void freeBitmap(BITMAP_*) override {}
    void getTexel(const BITMAP_*, int, int, float*, float*, float*) override {}
    void getTexel(const BITMAP_*, float, float, float*, float*, float*) override {}

    std::string source;
};

void readEntries(const refhost::RefConfigReader& reader, int depth) {
    fuzz::require(depth <= kMaxDepth);
    const int count = reader.getEntryCount();
    for (int i = 0; i < count; ++i) {
        const char* name = reader.getEntryName(i);
        fuzz::require(name != nullptr);
        int integer = 0;
        float number = 0.0f;
        std::string text;
        reader.getInt(name, &integer);
        reader.getFloat(name, &number);
        reader.getString(name, &text);
        const common::IConfigReader* block = reader.getBlock(i);
        fuzz::require(reader.isBlock(i) == (block != nullptr));
        if (block) readEntries(static_cast<const refhost::RefConfigReader&>(*block), depth + 1);
    }
    fuzz::require(reader.getEntryName(count) == nullptr && !reader.isBlock(-1));
}

void readEntries(const CFGREADER& reader, int depth) {
    fuzz::require(depth <= kMaxDepth);
    for (int i = 0; i < reader.GetLoadedCount(); ++i) {
        const char* name = reader.GetEntryName(i);
        int integer = 0;
        reader.GetVarInt(name, 0);
        reader.GetVarFloat(name, 0.0f);
        reader.GetVarInt(&integer, name, 0);
        const CFGREADER* block = reader.GetBlock(i);
        fuzz::require(block != nullptr);
        if (!reader.GetBlockID(i, "key")) readEntries(*block, depth + 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static SourceServices services;
    services.source.assign(reinterpret_cast<const char*>(data), size);

    std::unique_ptr<refhost::RefConfigReader> reader =
        refhost::RefConfigReader::fromSource(services.source, "fuzz.cfg", fuzzLimits());
    readEntries(*reader, 0);
    fuzz::require(reader->getEntryCount() == 0 || *reader->getError() == '\0');

    common::pCommonServices = &services;
    CFGREADER config("LuaScripts\\Astro.cfg", true, false);
    readEntries(config, 0);
    common::pCommonServices = nullptr;
    return 0;
}
