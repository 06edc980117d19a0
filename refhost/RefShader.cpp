#include "refhost/RefShader.h"

namespace refhost {

namespace {
const int kMaxArray = 65536;
}

void RefShader::declareOnly(const std::vector<std::string>& names) {
    m_declaredAll = false;
    m_declared = std::set<std::string, std::less<>>(names.begin(), names.end());
}

void RefShader::declareAll() {
    m_declaredAll = true;
    m_declared.clear();
}

graphics::Shader::Handle RefShader::getParameterByName(Handle parent, const char* name) {
    if (parent != 0 || !name || !*name) return 0;
    if (!m_declaredAll && !m_declared.count(name)) return 0;
    auto it = m_handles.find(name);
    if (it != m_handles.end()) return it->second;
    Parameter p;
    p.name = name;
    m_params.push_back(p);
    Handle h = m_params.size();
    m_handles[name] = h;
    return h;
}

RefShader::Parameter* RefShader::byHandle(Handle h) {
    if (h == 0 || h > m_params.size()) return nullptr;
    return &m_params[h - 1];
}

void RefShader::setVector(Handle h, const Math::Vector4f* v) {
    Parameter* p = byHandle(h);
    if (!p || !v) return;
    p->kind = Kind::Vector;
    p->vectors.assign(1, *v);
    ++p->setCount;
}

void RefShader::setVectorArray(Handle h, const Math::Vector4f* v, int count) {
    Parameter* p = byHandle(h);
    if (!p || !v) return;
    if (count < 0) count = 0;
    if (count > kMaxArray) count = kMaxArray;
    p->kind = Kind::VectorArray;
    p->vectors.assign(v, v + count);
    ++p->setCount;
}

void RefShader::setMatrix(Handle h, const Math::Matrix4f* m) {
    Parameter* p = byHandle(h);
    if (!p || !m) return;
    p->kind = Kind::Matrix;
    p->matrix = *m;
    ++p->setCount;
}

void RefShader::setTexture(Handle h, RendAPI::ITexture* texture) {
    Parameter* p = byHandle(h);
    if (!p) return;
    p->kind = Kind::Texture;
    p->texture = texture;
    const char* n = texture ? texture->getName() : nullptr;
    p->textureName = n ? n : "";
    ++p->setCount;
}

const RefShader::Parameter* RefShader::parameter(const char* name) const {
    if (!name) return nullptr;
    auto it = m_handles.find(name);
    return it == m_handles.end() ? nullptr : &m_params[it->second - 1];
}

bool RefShader::isSet(const char* name) const {
    const Parameter* p = parameter(name);
    return p && p->setCount > 0;
}

Math::Vector4f RefShader::vector(const char* name) const {
    const Parameter* p = parameter(name);
    return p && !p->vectors.empty() ? p->vectors[0] : Math::Vector4f(0, 0, 0, 0);
}

std::vector<Math::Vector4f> RefShader::vectorArray(const char* name) const {
    const Parameter* p = parameter(name);
    return p ? p->vectors : std::vector<Math::Vector4f>();
}

Math::Matrix4f RefShader::matrix(const char* name) const {
    const Parameter* p = parameter(name);
    return p ? p->matrix : Math::Matrix4f::identity();
}

RendAPI::ITexture* RefShader::texture(const char* name) const {
    const Parameter* p = parameter(name);
    return p ? p->texture : nullptr;
}

std::string RefShader::textureName(const char* name) const {
    const Parameter* p = parameter(name);
    return p ? p->textureName : std::string();
}

int RefShader::setCount(const char* name) const {
    const Parameter* p = parameter(name);
    return p ? p->setCount : 0;
}

std::vector<std::string> RefShader::setNames() const {
    std::vector<std::string> names;
    for (const Parameter& p : m_params)
        if (p.setCount > 0) names.push_back(p.name);
    return names;
}

void RefShader::clearValues() {
    for (Parameter& p : m_params) {
        std::string name = p.name;
        p = Parameter();
        p.name = name;
    }
}

}  // namespace refhost
