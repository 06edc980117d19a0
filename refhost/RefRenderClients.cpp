// The reference renderer's shader clients: recording, plus the simple fills of "Bkgr" and
// "SysPostEffect".
#include "refhost/RefRenderClients.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "enviro/lighting/LightDesc.h"
#include "enviro/lighting/LightMatrixData.h"
#include "enviro/lighting/LightSource.h"
#include "refhost/RefRenderApi.h"

namespace refhost {

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();

std::string nameOf(RendAPI::ITexture* object) {
    const char* n = object ? object->getName() : nullptr;
    return n ? n : "";
}

// Builds one ClientCall argument by argument and stores it when it goes out of scope.
class Recorder {
public:
    // While the owner does not record, nothing is built (a benchmark or allocation test counts
    // only the module's work).
    Recorder(RefRenderClients& owner, const char* client, const char* op)
        : m_owner(owner), m_on(owner.isRecording()), m_call(m_on ? owner.beginCall(client, op) : ClientCall{}) {}
    ~Recorder() {
        if (m_on) m_owner.record(std::move(m_call));
    }
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    Recorder& num(double v) {
        if (m_on) m_call.numbers.push_back(v);
        return *this;
    }
    Recorder& vec(const Math::Vector2f* v) {
        num(v ? v->x : kNaN);
        return num(v ? v->y : kNaN);
    }
    Recorder& vec(const Math::Vector3f* v) {
        for (int i = 0; i < 3; ++i) num(v ? (*v)[i] : kNaN);
        return *this;
    }
    Recorder& vec(const Math::Vector4f* v) {
        for (int i = 0; i < 4; ++i) num(v ? (*v)[i] : kNaN);
        return *this;
    }
    Recorder& mat(const Math::Matrix4f* m) {
        for (int r = 0; r < 4; ++r)
            for (int c = 0; c < 4; ++c) num(m ? m->m[r][c] : kNaN);
        return *this;
    }
    Recorder& obj(RendAPI::ITexture* object) {
        if (m_on) m_call.objects.push_back(nameOf(object));
        return *this;
    }
    Recorder& text(const char* s) {
        if (m_on) m_call.texts.push_back(s ? s : "");
        return *this;
    }
    Recorder& light(const effector::LIGHTDESC& l) {
        num(l.dwLightId).num(l.type).num(l.flags).vec(&l.vPos).vec(&l.vColor).vec(&l.vDir);
        return num(l.fAttenK).num(l.fMaxRadius).num(l.fConeAngle).num(l.fConeEdge).num(l.nShadowMatrix).num(
            l.nShadowSlot);
    }
    Recorder& lights(const effector::LIGHTDESC* lights, int count) {
        num(count);
        if (lights)
            for (int i = 0; i < count; ++i) light(lights[i]);
        return *this;
    }

private:
    RefRenderClients& m_owner;
    bool m_on;
    ClientCall m_call;
};

// Base of the six clients: the registered name and the way back to the recorder.
template <class Interface>
class ClientBase : public Interface {
public:
    explicit ClientBase(RefRenderClients& owner) : m_owner(owner) {}
    const char* getClientName() const override { return Interface::kName; }

protected:
    Recorder call(const char* op) { return Recorder(m_owner, Interface::kName, op); }
    RefRenderApi& api() { return m_owner.renderApi(); }
    RefRenderClients& m_owner;
};

class SysLightRender final : public ClientBase<renderBase::ISysLightRender> {
public:
    using ClientBase::ClientBase;
    void renderLightRecords(const effector::LIGHTDESC* lights, int count) override {
        call("renderLightRecords").lights(lights, count);
    }
    void renderShadowRecords(const effector::LIGHTDESC* lights, int count,
                             const effector::TLightMatrixData* matrices) override {
        Recorder r = call("renderShadowRecords");
        r.lights(lights, count);
        if (!lights || !matrices) return;
        for (int i = 0; i < count; ++i) {
            int m = lights[i].nShadowMatrix;
            if (m >= 0 && m < effector::LightSource::kMaxLightMatrices) r.mat(&matrices[m].mViewProj);
        }
    }
    void renderOcclusion(RendAPI::ITexture* lightRecords, int first, int count, float invAspect,
                         const Math::Vector2f* params) override {
        call("renderOcclusion").obj(lightRecords).num(first).num(count).num(invAspect).vec(params);
    }
    void renderDepthRange(int samples, RendAPI::ITexture* depth, const Math::Vector4f* rect) override {
        call("renderDepthRange").num(samples).obj(depth).vec(rect);
    }
    void renderListLayer(int lightCount, RendAPI::ITexture* occlusion, RendAPI::ITexture* depthRange,
                         RendAPI::ITexture* list, const Math::Vector4f* prevLayer) override {
        call("renderListLayer").num(lightCount).obj(occlusion).obj(depthRange).obj(list).vec(prevLayer);
    }
    void finishList(RendAPI::ITexture* temp) override { call("finishList").obj(temp); }
};

class SysPostEffect final : public ClientBase<renderBase::ISysPostEffect> {
public:
    using ClientBase::ClientBase;
    void clearTarget(RendAPI::ITexture* target, const Math::Vector4f* color) override {
        call("clearTarget").obj(target).vec(color);
        RefImage* image = RefRenderApi::imageOf(target);
        if (image && color) image->fill(0, 0, image->width(), image->height(), 0, *color);
    }
    void detectEdges(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                     RendAPI::ITexture* edges, const Math::Vector4f* dstRect, float threshold, float scale) override {
        call("detectEdges").obj(normals).obj(depth).obj(edges).vec(srcRect).vec(dstRect).num(threshold).num(scale);
    }
    void combine(RendAPI::ITexture* src, const Math::Vector4f* srcRect, RendAPI::ITexture* dst,
                 const Math::Vector4f* dstRect, const Math::Vector4f* channelMask, int mode) override {
        call("combine").obj(src).obj(dst).vec(srcRect).vec(dstRect).vec(channelMask).num(mode);
    }
    void computeSSAO(RendAPI::ITexture* normals, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                     RendAPI::ITexture* out, const Math::Vector4f* outRect, int samples, float radius) override {
        call("computeSSAO").obj(normals).obj(depth).obj(out).vec(srcRect).vec(outRect).num(samples).num(radius);
    }
    void depthGuidedFilter(RendAPI::ITexture* src, RendAPI::ITexture* depth, const Math::Vector4f* srcRect,
                           RendAPI::ITexture* out, const Math::Vector4f* outRect) override {
        call("depthGuidedFilter").obj(src).obj(depth).obj(out).vec(srcRect).vec(outRect);
    }
    void copyBack(RendAPI::ITexture* src, RendAPI::ITexture* dst, const Math::Vector4f* rect, float scale,
                  int arg0, int arg1) override {
        call("copyBack").obj(src).obj(dst).vec(rect).num(scale).num(arg0).num(arg1);
    }
};

class Bkgr final : public ClientBase<renderBase::IBkgr> {
public:
    using ClientBase::ClientBase;
    void setColor(const Math::Vector4f* color) override {
        call("setColor").vec(color);
        if (color) m_color = *color;
    }
    Math::Vector4f getColor() override { return m_color; }
    void setMode(const char* mode) override {
        call("setMode").text(mode);
        m_mode = mode ? mode : "";
    }
    const char* getMode() override { return m_mode.c_str(); }
    void drawRect(int left, int top, int right, int bottom, RendAPI::ITexture* texture) override {
        call("drawRect").num(left).num(top).num(right).num(bottom).obj(texture);
        RefImage* image = RefRenderApi::imageOf(api().currentTarget(0));
        if (!image) return;
        if (right == -1) right = image->width();
        if (bottom == -1) bottom = image->height();
        if (m_mode == "x")
            blend(*image, left, top, right, bottom);
        else
            image->fill(left, top, right, bottom, api().currentFace(), m_color);
    }

private:
    void blend(RefImage& image, int left, int top, int right, int bottom) {
        const int face = api().currentFace();
        const float a = m_color.w;
        for (int y = std::max(top, 0); y < std::min(bottom, image.height()); ++y)
            for (int x = std::max(left, 0); x < std::min(right, image.width()); ++x)
                image.write(x, y, face, m_color * a + image.read(x, y, face) * (1.0f - a));
    }

    Math::Vector4f m_color{1, 1, 1, 1};
    std::string m_mode;
};

class SysBackCube final : public ClientBase<renderBase::ISysBackCube> {
public:
    using ClientBase::ClientBase;
    void drawCube(RendAPI::ITexture* cube, const Math::Vector4f* weight, const Math::Matrix4f* world,
                  int mode) override {
        call("drawCube").obj(cube).vec(weight).mat(world).num(mode);
    }
};

class SkySphere final : public ClientBase<renderBase::ISkySphere> {
public:
    using ClientBase::ClientBase;
    void draw(int mode) override { call("draw").num(mode); }
};

class Cirrus final : public ClientBase<renderBase::ICirrus> {
public:
    using ClientBase::ClientBase;
    void draw(int mode) override { call("draw").num(mode); }
};

template <class Client>
void add(std::map<std::string, std::unique_ptr<renderBase::IRenderClient>, std::less<>>& clients, RefRenderClients& owner) {
    clients[Client::kName] = std::make_unique<Client>(owner);
}

}  // namespace

RefRenderClients::RefRenderClients(RefRenderApi& renderApi) : m_api(renderApi) {
    add<SysLightRender>(m_clients, *this);
    add<SysPostEffect>(m_clients, *this);
    add<Bkgr>(m_clients, *this);
    add<SysBackCube>(m_clients, *this);
    add<SkySphere>(m_clients, *this);
    add<Cirrus>(m_clients, *this);
}

RefRenderClients::~RefRenderClients() = default;

renderBase::IRenderClient* RefRenderClients::getClient(const char* name) {
    if (!name || m_missing.count(name)) return nullptr;
    auto it = m_clients.find(name);
    return it == m_clients.end() ? nullptr : it->second.get();
}

std::vector<ClientCall> RefRenderClients::callsOf(const std::string& client, const std::string& op) const {
    std::vector<ClientCall> out;
    for (const ClientCall& c : m_calls)
        if (c.client == client && c.op == op) out.push_back(c);
    return out;
}

void RefRenderClients::setClientMissing(const std::string& name, bool missing) {
    if (missing)
        m_missing.insert(name);
    else
        m_missing.erase(name);
}

renderBase::IBkgr& RefRenderClients::bkgr() {
    return *static_cast<renderBase::IBkgr*>(m_clients.at(renderBase::IBkgr::kName).get());
}

ClientCall RefRenderClients::beginCall(const char* client, const char* op) const {
    ClientCall call;
    call.client = client;
    call.op = op;
    for (int slot = 0; slot < 3; ++slot) call.targets.push_back(nameOf(m_api.currentTarget(slot)));
    call.viewport = m_api.viewport();
    call.face = m_api.cubeFace();
    return call;
}

void RefRenderClients::record(ClientCall&& call) {
    if (!m_recording) return;
    if (m_hook) m_hook(call);
    m_calls.push_back(std::move(call));
}

}  // namespace refhost
