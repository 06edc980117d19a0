#pragma once
// The clear-sky model: colour and luminance of the daylight sky in any direction.
#include "enviro/EnviroApi.h"

namespace enviro {

class ENVIRO_API Sky {
public:
    Sky();
    Sky(const Sky& other);
    Sky& operator=(const Sky& other);
    virtual ~Sky();

protected:
    bool m_bInitialized;
};

// The one sky of the process, created when the module is attached.
ENVIRO_API extern Sky* sky;

}  // namespace enviro
