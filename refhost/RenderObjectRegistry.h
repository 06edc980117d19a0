#pragma once
// The name registry of a render API's counted objects, as both hosts keep it: creating a name
// that exists replaces the entry (the registry drops its reference to the old object, which lives
// on while others hold it); every object alive is listed; objects whose count reached 0 are kept
// as empty shells (the graveyard) until the registry goes, so that a late acquire or release on
// them is a reported misuse instead of a touch of freed memory.
// Object: name(), count(), dropReference(), setObserver(observer) (null: it deletes itself at 0).
#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace refhost {

template <class Object>
class RenderObjectRegistry {
public:
    RenderObjectRegistry() = default;
    RenderObjectRegistry(const RenderObjectRegistry&) = delete;
    RenderObjectRegistry& operator=(const RenderObjectRegistry&) = delete;
    ~RenderObjectRegistry() {
        for (Object* shell : m_graveyard) delete shell;
    }

    // A new object, alive; registered under its name unless unnamed is set.
    void add(Object* object, bool named = true) {
        m_live.push_back(object);
        if (!named) return;
        Object*& slot = m_byName[object->name()];
        Object* replaced = slot;
        slot = object;
        if (replaced) replaced->dropReference();
    }
    Object* find(const char* name) const {
        if (!name) return nullptr;
        auto it = m_byName.find(name);
        return it == m_byName.end() ? nullptr : it->second;
    }
    bool isRegistered(const Object* object) const { return find(object->name().c_str()) == object; }
    // The registered object's count (the registry's own reference included), 0 if none.
    int refCount(const char* name) const {
        const Object* o = find(name);
        return o ? o->count() : 0;
    }
    // An object's count reached 0: from the living to the graveyard.
    void died(Object* object) {
        m_live.erase(std::remove(m_live.begin(), m_live.end(), object), m_live.end());
        m_graveyard.push_back(object);
    }
    const std::vector<Object*>& live() const { return m_live; }

    // Names of living objects with references beyond the host's own: the registry's one for a
    // registered object, plus ownReferences(object) more the host holds itself.
    std::vector<std::string> leaked(const std::function<int(const Object*)>& ownReferences) const {
        std::vector<std::string> names;
        for (const Object* object : m_live)
            if (object->count() > (isRegistered(object) ? 1 : 0) + ownReferences(object))
                names.push_back(object->name());
        return names;
    }

    // Drops the registry's references (objects nobody else holds die now) and hands the objects
    // still alive to their holders: they delete themselves at their last release.
    void dropAll() {
        std::map<std::string, Object*, std::less<>> byName;
        byName.swap(m_byName);
        for (auto& entry : byName) entry.second->dropReference();
    }
    void releaseLiving(const std::function<void(Object*)>& beforeRelease) {
        for (Object* object : m_live) {
            beforeRelease(object);
            object->setObserver(nullptr);
        }
    }

private:
    std::map<std::string, Object*, std::less<>> m_byName;  // found by const char* without a copy
    std::vector<Object*> m_live;
    std::vector<Object*> m_graveyard;
};

}  // namespace refhost
