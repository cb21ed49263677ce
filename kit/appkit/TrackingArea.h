#pragma once

// A region of a view that reports the pointer entering, leaving and moving to its owner. The
// rectangle is fixed in the view's coordinates until the area is added again; the owner is any
// object that implements MouseTrackingTarget, held weakly.

#include "kit/core/Class.h"
#include "kit/core/Geometry.h"
#include "kit/core/Object.h"

#include <cstdint>

namespace kit {

class View;

enum : std::uint64_t {
    TrackingMouseEnteredAndExited = 0x01,
    TrackingMouseMoved = 0x02,
    TrackingCursorUpdate = 0x04,
    TrackingActiveWhenFirstResponder = 0x10,
    TrackingActiveInKeyWindow = 0x20,
    TrackingActiveInActiveApp = 0x40,
    TrackingActiveAlways = 0x80,
    TrackingAssumeInside = 0x100,
    TrackingInVisibleRect = 0x200,
    TrackingEnabledDuringMouseDrag = 0x400,
};

class TrackingArea : public Object {
    KIT_CLASS(TrackingArea)

    TrackingArea(Rect rect, std::uint64_t options, Object* owner, const void* userInfo = nullptr)
        : rect_(rect)
        , options_(options)
        , owner_(owner)
        , userInfo_(userInfo)
    { }

    Rect rect() const { return rect_; }
    std::uint64_t options() const { return options_; }
    Ref<Object> owner() const { return owner_.lock(); }
    const void* userInfo() const { return userInfo_; }
    Ref<View> view() const { return view_.lock(); }

    // The tag of an area made by addTrackingRectOwnerUserDataAssumeInside, else 0.
    std::int64_t trackingNumber() const { return tag_; }

private:
    friend class View;
    friend class Window;
    Rect rect_;
    std::uint64_t options_;
    Weak<Object> owner_;
    const void* userInfo_;
    Weak<View> view_;
    std::int64_t tag_ = 0;
    bool inside_ = false;
};

} // namespace kit
