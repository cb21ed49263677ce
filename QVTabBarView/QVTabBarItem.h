#pragma once

// What a tab's button shows, when a tab view item's identifier is a model object: implement
// the getters you have (register them as properties for key-value coding, and list each getter
// with `c.optionalOperations`), so the button binds to them.

#include "kit/core/Object.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Image.h"

#include <QString>

class QVTabBarItem {
public:
    virtual ~QVTabBarItem() = default;
    virtual QString title() const { return {}; }
    virtual void setTitle(const QString&) { }
    virtual kit::Ref<kit::Image> icon() const { return nullptr; }
    virtual void setIcon(kit::Ref<kit::Image>) { }
    virtual kit::Ref<kit::Image> largeImage() const { return nullptr; }
    virtual void setLargeImage(kit::Ref<kit::Image>) { }
    virtual std::int64_t objectCount() const { return 0; }
    virtual void setObjectCount(std::int64_t) { }
    virtual kit::Ref<kit::Color> objectCountColor() const { return nullptr; }
    virtual void setObjectCountColor(kit::Ref<kit::Color>) { }
    virtual bool isProcessing() const { return false; }
    virtual void setIsProcessing(bool) { }
    virtual bool isEdited() const { return false; }
    virtual void setIsEdited(bool) { }
    virtual bool hasCloseButton() const { return false; }
    virtual void setHasCloseButton(bool) { }
};
