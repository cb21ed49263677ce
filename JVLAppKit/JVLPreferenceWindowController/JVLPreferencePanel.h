#pragma once

// A pane whose view comes from an interface file ("paneMainView" outlet) and that the application
// makes itself. Subclasses override label, icon, category and the hooks (registering the optional
// operations they implement).

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneProtocol.h"

#include "kit/core/Class.h"

inline const QString JVLViewInitializationFailedException = QStringLiteral("View initialization failed");

class JVLPreferencePanel : public kit::Object, public JVLPrefPaneProtocol {
    KIT_CLASS(JVLPreferencePanel)

    // Plain: no interface file.
    JVLPreferencePanel() = default;
    // Loads the interface file with the pane as owner; raises "View initialization failed" when it
    // cannot ("<name>: Could not load views resources!").
    JVLPreferencePanel(const QString& nibName, const QString& identifier);
    // Subclasses that load their file in their own constructor call this after setting up.
    void initWithNibNameAndIndentifier(const QString& nibName, const QString& identifier);

    virtual void viewDidLoad() { }

    kit::Ref<kit::View> paneMainView() const { return paneMainView_; }
    void setPaneMainView(const kit::Ref<kit::View>& view) { paneMainView_ = view; }
    void setIdentifier(const QString& identifier) { identifier_ = identifier; }

    // JVLPrefPaneProtocol:
    QString identifier() const override { return identifier_; }
    kit::Ref<kit::View> mainView() override { return paneMainView_; }
    QString label() const override { return QStringLiteral(""); }
    kit::Ref<kit::Image> icon() const override { return nullptr; }
    QString category() const override { return QStringLiteral(""); }
    unsigned sortOrder() const override { return sortOrder_; }
    void setSortOrder(unsigned order) override { sortOrder_ = order; }
    QString categoryDisplayName() override { return category(); }

private:
    kit::Ref<kit::View> paneMainView_;
    QString identifier_;
    unsigned sortOrder_ = 0;
};
