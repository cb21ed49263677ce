#pragma once

// What the preference window asks of a pane. The first seven operations are required; the rest are
// optional: a pane class that implements one registers it (`c.optionalOperations({...})`) and the
// window asks respondsToSelector before every call.

#include "kit/appkit/View.h"
#include "kit/core/Geometry.h"
#include "kit/graphics/Image.h"

namespace kit {
class Bundle;
}

// Optional pane operations, shared by panes and by the pane objects of plug-in bundles.
class JVLPrefPaneOptionalOperations {
public:
    virtual ~JVLPrefPaneOptionalOperations() = default;
    virtual void loadMainView() { }
    virtual void willSelect() { }
    virtual void didSelect() { }
    virtual void willUnselect() { }
    virtual void didUnselect() { }
    virtual bool shouldResize() { return false; }
    virtual kit::Size minSize() { return {}; }
    virtual kit::Size maxSize() { return {}; }
    virtual kit::Size standardSize() { return {}; }
    virtual void panelDidBecomeMain() { }
    virtual QString categoryDisplayName() { return {}; }
};

class JVLPrefPaneProtocol : public JVLPrefPaneOptionalOperations {
public:
    virtual QString identifier() const = 0;
    virtual kit::Ref<kit::View> mainView() = 0;
    virtual QString label() const = 0;
    virtual kit::Ref<kit::Image> icon() const = 0;
    virtual QString category() const = 0;
    virtual unsigned sortOrder() const = 0;
    virtual void setSortOrder(unsigned order) = 0;
};

// What a plug-in bundle's principal class offers: made through the class registry, then given its
// bundle; its optional operations are registered like a pane's.
class JVLPrefPaneBundleProtocol : public JVLPrefPaneOptionalOperations {
public:
    virtual void initWithBundle(kit::Bundle* bundle) = 0;
    virtual kit::Ref<kit::View> mainView() = 0;
};
