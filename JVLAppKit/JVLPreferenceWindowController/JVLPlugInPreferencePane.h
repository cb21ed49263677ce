#pragma once

// Stands in for a pane that lives in a plug-in bundle ("<Name>.prefPane/" with Info.json, Resources/
// and lib<CFBundleExecutable>.so). Identifier, label, icon, category and sort order come from the
// bundle without loading its code; the code is loaded, and the bundle's pane object made, at the
// first mainView, loadMainView or respondsToSelector. Optional operations go to that object.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneProtocol.h"

#include "kit/core/Class.h"
#include "kit/foundation/Bundle.h"

class JVLPlugInPreferencePane : public kit::Object, public JVLPrefPaneProtocol {
    KIT_CLASS(JVLPlugInPreferencePane)

    JVLPlugInPreferencePane() = default;
    // Reads the bundle's keys; a bundle without principal class, or whose class exists already,
    // leaves a pane with only its identifier.
    explicit JVLPlugInPreferencePane(kit::Bundle* bundle);

    kit::Ref<kit::Bundle> bundle() const { return pluginBundle_; }
    kit::Ref<kit::Bundle> pluginBundle() const { return pluginBundle_; }
    void setPluginBundle(const kit::Ref<kit::Bundle>& bundle) { pluginBundle_ = bundle; }
    // The bundle's pane object, made (and its code loaded) at the first call.
    kit::Ref<kit::Object> prefPane();
    void setPrefPane(const kit::Ref<kit::Object>& pane) { prefPane_ = pane; }

    void setIdentifier(const QString& identifier) { identifier_ = identifier; }
    void setLabel(const QString& label) { label_ = label; }
    void setIcon(const kit::Ref<kit::Image>& icon) { icon_ = icon; }
    void setCategory(const QString& category) { category_ = category; }
    QString version() const { return version_; }
    void setVersion(const QString& version) { version_ = version; }
    QString helpURL() const { return helpURL_; }
    void setHelpURL(const QString& url) { helpURL_ = url; }
    // Ignored while a bundle is set.
    void setMainView(const kit::Ref<kit::View>& view);

    // JVLPrefPaneProtocol:
    QString identifier() const override { return identifier_; }
    kit::Ref<kit::View> mainView() override;
    QString label() const override { return label_; }
    kit::Ref<kit::Image> icon() const override { return icon_; }
    QString category() const override { return category_; }
    // Kept by the proxy itself: registering and sorting must not load code.
    unsigned sortOrder() const override { return sortOrder_; }
    void setSortOrder(unsigned order) override { sortOrder_ = order; }
    void loadMainView() override;
    void willSelect() override;
    void didSelect() override;
    void willUnselect() override;
    void didUnselect() override;
    bool shouldResize() override;
    kit::Size minSize() override;
    kit::Size maxSize() override;
    kit::Size standardSize() override;
    void panelDidBecomeMain() override;
    QString categoryDisplayName() override;

    // kit::Object: what the bundle's pane object implements (made first), else the proxy's own answer.
    bool respondsToSelector(const kit::Selector& selector) const override;

private:
    // The pane object when it implements `operation`.
    JVLPrefPaneBundleProtocol* forwardTarget(const char* operation);

    QString identifier_;
    kit::Ref<kit::View> mainView_;
    QString label_;
    kit::Ref<kit::Image> icon_;
    QString category_;
    QString version_;
    QString helpURL_;
    kit::Ref<kit::Bundle> pluginBundle_;
    kit::Ref<kit::Object> prefPane_;
    bool prefPaneTried_ = false;
    unsigned sortOrder_ = 0;
};
