#pragma once

// "Released at the end of the current event": kit::autorelease keeps a reference in the innermost
// pool of the calling thread until that pool drains. The run loop wraps each event, timer firing
// and queued call in a pool; other threads make their own. Autoreleasing with no pool on the
// thread is an assertion failure.

#include "kit/core/Object.h"

namespace kit {

class AutoreleasePool {
public:
    AutoreleasePool();
    ~AutoreleasePool();
    AutoreleasePool(const AutoreleasePool&) = delete;
    AutoreleasePool& operator=(const AutoreleasePool&) = delete;

    // Releases what this pool holds now; the pool stays in place.
    void drain();

    static void addObject(Ref<Object> object);
    // Pools on the calling thread.
    static int depth();
};

template <class T> Ref<T> autorelease(const Ref<T>& object)
{
    AutoreleasePool::addObject(object);
    return object;
}

} // namespace kit
