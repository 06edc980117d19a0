#pragma once
// The reference renderer's shader clients: one object per client name ("SysLightRender",
// "SysPostEffect", "Bkgr", "SysBackCube", "SkySphere", "Cirrus"), each recording every operation
// the module calls, with its arguments and the targets and viewport in force at the time.
//
// Operations with a simple, well-defined effect perform it on the images of the render API:
// - "Bkgr" keeps its colour (default (1, 1, 1, 1)) and mode (default ""); drawRect fills the
//   rectangle of the colour target in slot 0 (the current face of a cube target) with the colour,
//   in target texels, ignoring the viewport; right = -1 stands for the target's width and
//   bottom = -1 for its height. In mode "x" (the blending pre-fill) the colour is blended over the
//   texels with its fourth component as weight: t = c * a + t * (1 - a); in every other mode it
//   replaces them. The texture argument is recorded only.
// - "SysPostEffect" clearTarget fills the whole target (face 0) with the colour.
// Every other operation is recorded only. Queries (getColor, getMode, getClientName) are not
// recorded.
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "enviro/host/RenderClients.h"

namespace refhost {

class RefRenderApi;

// One recorded client operation.
struct ClientCall {
    std::string client;                // "Bkgr"
    std::string op;                    // operation name: "setColor", "drawRect", "draw", ...
    std::vector<double> numbers;       // numeric arguments in order: vectors expanded, matrices as
                                       // 16 values row by row; a null vector or matrix gives NaNs
                                       // of its size
    std::vector<std::string> objects;  // names of the render objects passed, in order ("" for null)
    std::vector<std::string> targets;  // names of the colour targets in force, slots 0..2 ("" none)
    RendAPI::Viewport viewport;        // viewport in force when called
    int face = -1;                     // cube face in force (setCubeFace), or -1
    std::vector<std::string> texts;    // string arguments (the Bkgr mode)

    // Light-record operations (renderLightRecords, renderShadowRecords) record the count first,
    // then kLightNumbers numbers per light in the order of the LIGHTDESC fields: dwLightId, type,
    // flags, vPos (3), vColor (4), vDir (4), fAttenK, fMaxRadius, fConeAngle, fConeEdge,
    // nShadowMatrix, nShadowSlot. renderShadowRecords then adds, for each light whose
    // nShadowMatrix indexes the light-matrix table, that entry's mViewProj (16 numbers).
    static constexpr int kLightNumbers = 20;
    static constexpr int kLightPos = 3;    // offset of vPos within one light's numbers
    static constexpr int kLightColor = 6;  // offset of vColor
    // Index in numbers of field offset of light i.
    static int lightIndex(int i, int offset) { return 1 + i * kLightNumbers + offset; }
};

class RefRenderClients final : public renderBase::IRenderClientMan {
public:
    explicit RefRenderClients(RefRenderApi& renderApi);
    ~RefRenderClients() override;
    RefRenderClients(const RefRenderClients&) = delete;
    RefRenderClients& operator=(const RefRenderClients&) = delete;

    // The client of that name; null for an unknown name or one made missing.
    renderBase::IRenderClient* getClient(const char* name) override;

    const std::vector<ClientCall>& calls() const { return m_calls; }
    void clearCalls() { m_calls.clear(); }
    std::vector<ClientCall> callsOf(const std::string& client, const std::string& op) const;
    // Makes getClient(name) return null (or the client again).
    void setClientMissing(const std::string& name, bool missing);
    // Long runs (benchmarks) switch recording off; effects still happen.
    void setRecording(bool on) { m_recording = on; }
    bool isRecording() const { return m_recording; }
    // Stands in for a client's per-texel work in tests: called with every recorded call while its
    // operation is still in progress (its targets and viewport in force), so it can write the
    // images. Only while recording; an empty function removes it.
    void setCallHook(std::function<void(const ClientCall&)> hook) { m_hook = std::move(hook); }

    renderBase::IBkgr& bkgr();

    // Used by the clients: a call record with the targets and viewport in force filled in, and
    // its storing.
    ClientCall beginCall(const char* client, const char* op) const;
    void record(ClientCall&& call);
    RefRenderApi& renderApi() { return m_api; }

private:
    RefRenderApi& m_api;
    std::map<std::string, std::unique_ptr<renderBase::IRenderClient>, std::less<>> m_clients;
    std::set<std::string, std::less<>> m_missing;
    std::vector<ClientCall> m_calls;
    bool m_recording = true;
    std::function<void(const ClientCall&)> m_hook;
};

}  // namespace refhost
