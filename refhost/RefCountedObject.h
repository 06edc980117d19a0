#pragma once
// The counted render objects of the reference renderer: colour targets, depth surfaces, depth
// textures, cube targets and plain textures. Each is one RendAPI interface (IRenderTarget,
// IDepthSurface, ICubeTarget or ITexture) on top of the shared state in RefObject: name, kind,
// reference count and pixels.
//
// Lifetime: an object is born with one reference, the renderer's (its name registry). acquire
// adds one, release drops one; when the count reaches 0 the object dies. A dead object frees its
// pixels and is handed to its observer (the render API), which keeps the empty shell until the
// renderer itself goes away, so that a late acquire or release on it is reported as a protocol
// error instead of touching freed memory. An object whose renderer has gone (no observer) deletes
// itself when its count reaches 0.
#include <string>

#include "enviro/host/RenderApi.h"
#include "refhost/RefImage.h"

namespace refhost {

class RefObject;

enum class RefObjectKind { ColorTarget, DepthSurface, DepthTexture, CubeTarget, Texture };

// Told about deaths and misuse of the objects it created.
class RefObjectObserver {
public:
    virtual ~RefObjectObserver() = default;
    // The object's count reached 0; the observer now owns the (pixel-less) shell.
    virtual void onObjectDied(RefObject* object) = 0;
    // acquire or release was called on a dead object.
    virtual void onDeadObjectUsed(RefObject* object, const char* operation) = 0;
};

class RefObject {
public:
    virtual ~RefObject() = default;
    RefObject(const RefObject&) = delete;
    RefObject& operator=(const RefObject&) = delete;

    // The RendAPI face of this object (the pointer the module holds).
    virtual RendAPI::ITexture* texture() = 0;
    // The reference renderer's object behind a module-held pointer, or null for a foreign one.
    static RefObject* from(RendAPI::ITexture* texture);

    const std::string& name() const { return m_name; }
    RefObjectKind kind() const { return m_kind; }
    int count() const { return m_count; }
    bool isDead() const { return m_dead; }
    RefImage& image() { return m_image; }
    const RefImage& image() const { return m_image; }
    void setObserver(RefObjectObserver* observer) { m_observer = observer; }

    void addReference();
    void dropReference();

protected:
    RefObject(const char* name, RefObjectKind kind, const RefImage& image, RefObjectObserver* observer);

private:
    std::string m_name;
    RefObjectKind m_kind;
    RefImage m_image;
    RefObjectObserver* m_observer;
    int m_count = 1;
    bool m_dead = false;
};

// One counted object exposed through the RendAPI interface Interface.
template <class Interface>
class RefCountedObject final : public Interface, public RefObject {
public:
    RefCountedObject(const char* name, RefObjectKind kind, const RefImage& image, RefObjectObserver* observer)
        : RefObject(name, kind, image, observer) {}

    void acquire() override { addReference(); }
    void release() override { dropReference(); }
    int getWidth() const override { return image().width(); }
    int getHeight() const override { return image().height(); }
    int getFormat() const override { return image().format(); }
    const char* getName() const override { return name().c_str(); }
    RendAPI::ITexture* texture() override { return this; }
};

}  // namespace refhost
