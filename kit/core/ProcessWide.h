#pragma once

// A function-local static that is never destroyed. Process-wide services (the file manager, the
// notification centre, pasteboards, defaults, the bus) are used from other statics' destructors,
// which run at exit in an order no file controls; a service built inside one of these is still
// there for them. The value lives in static storage, so what it points to stays reachable and the
// leak checker does not count it.
//     static ProcessWide<Ref<FileManager>> manager(make<FileManager>());
//     return manager->get();

#include <new>
#include <utility>

namespace kit {

template <class T> class ProcessWide {
public:
    template <class... Args>
    explicit ProcessWide(Args&&... args)
    {
        ::new (static_cast<void*>(storage_)) T(std::forward<Args>(args)...);
    }
    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;
    // Nothing to do: the value stays for the rest of the process.
    ~ProcessWide() = default;

    T& get() { return *std::launder(reinterpret_cast<T*>(storage_)); }
    T& operator*() { return get(); }
    T* operator->() { return &get(); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

} // namespace kit
