// Forwarders from the common-services calls the module makes to the host's installed services.
#include "enviro/host/CommonServices.h"

#include <cstring>
#include <new>

namespace common {
ICommonServices* pCommonServices = nullptr;
}

CPackageManager* PACKMAN = nullptr;

CFGREADER::CFGREADER(const char* path, bool, bool) {
    if (common::pCommonServices && path) {
        m_pReader = common::pCommonServices->openConfig(path);
        m_bOwned = true;
    }
}

CFGREADER::CFGREADER(const common::IConfigReader* block) : m_pReader(block), m_bOwned(false) {}

CFGREADER::~CFGREADER() {
    delete[] m_pBlocks;
    if (m_bOwned) delete m_pReader;
}

int CFGREADER::GetLoadedCount() const { return m_pReader ? m_pReader->getEntryCount() : 0; }

int CFGREADER::GetVarInt(const char* name, int def) const {
    int v = def;
    if (m_pReader && name && m_pReader->getInt(name, &v)) return v;
    return def;
}

float CFGREADER::GetVarFloat(const char* name, float def) const {
    float v = def;
    if (m_pReader && name && m_pReader->getFloat(name, &v)) return v;
    return def;
}

char CFGREADER::GetBlockID(int index, const char* kind) const {
    if (!m_pReader || index < 0 || index >= m_pReader->getEntryCount()) return 0;
    if (kind && std::strcmp(kind, "key") == 0) return m_pReader->isBlock(index) ? 0 : 1;
    return m_pReader->isBlock(index) ? 1 : 0;
}

const char* CFGREADER::GetEntryName(int index) const {
    const char* n = m_pReader ? m_pReader->getEntryName(index) : nullptr;
    return n ? n : "";
}

const CFGREADER* CFGREADER::GetBlock(int index) const {
    static const CFGREADER empty(static_cast<const common::IConfigReader*>(nullptr));
    if (!m_pReader || index < 0 || index >= m_pReader->getEntryCount()) return &empty;
    if (!m_pBlocks) {
        m_nBlocks = m_pReader->getEntryCount();
        m_pBlocks = new (std::nothrow) CFGREADER[m_nBlocks];
        if (!m_pBlocks) return &empty;
    }
    CFGREADER& b = m_pBlocks[index];
    if (!b.m_pReader) b.m_pReader = m_pReader->getBlock(index);
    return &b;
}

bool CFGREADER::GetVarInt(int* out, const char* name, int def) const {
    int v = def;
    bool found = m_pReader && name && m_pReader->getInt(name, &v);
    if (out) *out = found ? v : def;
    return found;
}

bool LoadBitmap24(BITMAP_* bitmap, const char* path) {
    if (!bitmap) return false;
    if (!common::pCommonServices || !path) {
        *bitmap = BITMAP_{nullptr, 0, 0, 0};
        return false;
    }
    return common::pCommonServices->loadBitmap24(bitmap, path);
}

void FreeBitmap(BITMAP_* bitmap) {
    if (!bitmap) return;
    if (common::pCommonServices) {
        common::pCommonServices->freeBitmap(bitmap);
        return;
    }
    *bitmap = BITMAP_{nullptr, 0, 0, 0};
}

void GetTexel(const BITMAP_* bitmap, int x, int y, float* r, float* g, float* b) {
    float lr = 0, lg = 0, lb = 0;
    if (common::pCommonServices && bitmap) common::pCommonServices->getTexel(bitmap, x, y, &lr, &lg, &lb);
    if (r) *r = lr;
    if (g) *g = lg;
    if (b) *b = lb;
}

void GetTexel(const BITMAP_* bitmap, float x, float y, float* r, float* g, float* b) {
    float lr = 0, lg = 0, lb = 0;
    if (common::pCommonServices && bitmap) common::pCommonServices->getTexel(bitmap, x, y, &lr, &lg, &lb);
    if (r) *r = lr;
    if (g) *g = lg;
    if (b) *b = lb;
}
