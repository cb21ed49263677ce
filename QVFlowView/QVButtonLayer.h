#pragma once

// An image button drawn by a layer: image or alternateImage by its state, darkened inside the
// image's own shape while highlighted. It does not track the mouse: its owner highlights it and
// calls performClick on release, which sends the action to the target.

#include "kit/core/Selector.h"
#include "kit/layers/Layer.h"

#include <mutex>

class QVButtonLayer : public kit::Layer {
    KIT_CLASS(QVButtonLayer)
public:
    QVButtonLayer();

    // Stored keys: "highlighted", "enabled", "type", "state"; a change of any redraws the layer.
    static const QSet<QString>& keysAffectingRedisplay();
    bool needsDisplayForKey(const QString& key) const override;

    bool isHighlighted() const { return valueForKey(QStringLiteral("highlighted")).boolValue(); }
    void setHighlighted(bool flag) { setValueForKey(kit::Value(flag), QStringLiteral("highlighted")); }
    bool isEnabled() const { return valueForKey(QStringLiteral("enabled")).boolValue(); }
    void setEnabled(bool flag) { setValueForKey(kit::Value(flag), QStringLiteral("enabled")); }
    std::int64_t state() const { return valueForKey(QStringLiteral("state")).integerValue(); }
    void setState(std::int64_t state) { setValueForKey(kit::Value(state), QStringLiteral("state")); }
    std::uint64_t type() const { return valueForKey(QStringLiteral("type")).unsignedIntegerValue(); }
    void setType(std::uint64_t type) { setValueForKey(kit::Value(std::int64_t(type)), QStringLiteral("type")); }

    kit::Ref<kit::CGImage> image() const;
    void setImage(const kit::Ref<kit::CGImage>& image);
    kit::Ref<kit::CGImage> alternateImage() const;
    void setAlternateImage(const kit::Ref<kit::CGImage>& image);
    kit::Ref<kit::Object> target() const { return target_.lock(); }
    void setTarget(kit::Object* target) { target_ = target; }
    kit::Selector action() const { return action_; }
    void setAction(kit::Selector action) { action_ = action; }

    // The argument (the clicking view) is ignored; sends the action with the button as argument,
    // then clears "highlighted".
    void performClick(kit::Object* sender);

    void drawInContext(kit::CGContext& context) override;
    void copyTo(kit::Object& copy) const override;

private:
    mutable std::mutex imageMutex_;
    kit::Ref<kit::CGImage> image_;
    kit::Ref<kit::CGImage> alternateImage_;
    kit::Weak<kit::Object> target_;
    kit::Selector action_;
};
