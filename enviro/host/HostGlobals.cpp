// The host-seam globals the module defines and a host sets (null until then).
#include "enviro/host/Camera.h"
#include "enviro/host/RenderClients.h"
#include "enviro/host/TextureCache.h"

namespace renderBase {
IRenderClientMan* pRenderClientMan = nullptr;
}

namespace cam {
CameraManager* cameraManager = nullptr;
}

CAsyncCache* g_pTexCache = nullptr;
