#include "enviro/sky/Sky.h"

namespace enviro {

Sky::Sky()
    : m_bInitialized(false),
      m_fHostFloat0(400000.0f),
      m_fHostFloat1(300000.0f),
      m_nHostInt0(60),
      m_nHostInt1(60),
      m_uHostWord0(0),
      m_uHostWord1(0),
      m_fHostFloat2(2.0f),
      m_vHostVector(0.0f, 0.0f, 0.0f, 0.0f),
      m_aSkyTable{},
      m_shCoeffs{},
      m_pSamples2D(nullptr),
      m_pSamplesSphere(nullptr),
      m_pSkyClient(nullptr),
      m_pCirrusClient(nullptr),
      m_aPerezY{},
      m_aPerezCx{},
      m_aPerezCy{},
      m_fNormCx(0.0f),
      m_fNormCy(0.0f),
      m_fLumAngleScale(0.0f),
      m_fNormLum(0.0f) {
    fillTable();
}

Sky::Sky(const Sky& other) = default;

Sky& Sky::operator=(const Sky& other) = default;

Sky::~Sky() {}

void Sky::fillTable() {
    for (int r = 0; r < kTableRows; ++r) {
        m_aSkyTable[r][0] = float(80 - 5 * r);
        for (int c = 1; c < kTableColumns; ++c) m_aSkyTable[r][c] = 1.0f;
    }
}

}  // namespace enviro
