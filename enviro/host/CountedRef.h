#pragma once
// Holding counted render objects by raw pointer: the holder acquires when it stores or copies a
// pointer and releases when it replaces or drops it.

namespace RendAPI {

// Makes held hold object: acquire first (object may be what held already holds), then release
// the old one. Null objects are allowed on both sides.
template <class T>
void holdCounted(T*& held, T* object) {
    if (object) object->acquire();
    if (held) held->release();
    held = object;
}

// Releases what held holds and holds nothing.
template <class T>
void dropCounted(T*& held) {
    if (held) held->release();
    held = nullptr;
}

}  // namespace RendAPI
