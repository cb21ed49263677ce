#pragma once

// The process-wide owner of the two state views the inspector shows instead of its form: one for
// no selection, one for a multiple selection, loaded once from the interface file
// "JVLTextViewInspectorViewController" and shared by every inspector.

#include "kit/appkit/View.h"
#include "kit/appkit/ViewController.h"

class JVLTextViewInspectorViewController : public kit::ViewController {
    KIT_CLASS(JVLTextViewInspectorViewController)
public:
    JVLTextViewInspectorViewController() = default;

    // Made (and its views loaded) on first use; a file that cannot be loaded raises
    // "View initialization failed".
    static kit::Ref<JVLTextViewInspectorViewController> sharedTextViewInspectorViewController();
    static kit::Ref<kit::View> noSelectionView() { return sharedTextViewInspectorViewController()->noSelectionView_; }
    static kit::Ref<kit::View> multipleSelectionView() { return sharedTextViewInspectorViewController()->multipleSelectionView_; }
    // Tests: forget the shared instance (the next use loads again).
    static void resetForTesting();

    void setNoSelectionView(kit::Ref<kit::View> view) { noSelectionView_ = std::move(view); }
    void setMultipleSelectionView(kit::Ref<kit::View> view) { multipleSelectionView_ = std::move(view); }

private:
    static kit::Ref<JVLTextViewInspectorViewController>& shared();
    kit::Ref<kit::View> noSelectionView_;
    kit::Ref<kit::View> multipleSelectionView_;
};
