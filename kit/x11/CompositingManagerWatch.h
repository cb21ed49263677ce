#pragma once

// Whether a compositing manager runs on the X server: it owns the selection "_NET_WM_CM_S<n>" of
// the screen. The watch follows the owner through XFixes selection events on Qt's own connection,
// so a manager that starts or quits later is seen at once.

#include <functional>
#include <memory>

namespace kit {

class CompositingManagerWatch {
public:
    // `changed` runs on the main thread with the new answer each time it changes. nullptr when the
    // kit does not run on the xcb platform or the server lacks XFixes.
    static std::unique_ptr<CompositingManagerWatch> make(std::function<void(bool running)> changed);

    virtual ~CompositingManagerWatch() = default;
    virtual bool isRunning() const = 0;
};

} // namespace kit
