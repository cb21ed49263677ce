// A plug-in pane's code for the preference window tests: it exists only once its bundle is loaded.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneProtocol.h"

#include "kit/core/Class.h"
#include "kit/foundation/Bundle.h"

class JVLTestPluginPane : public kit::Object, public JVLPrefPaneBundleProtocol {
    KIT_CLASS(JVLTestPluginPane)

    void initWithBundle(kit::Bundle* bundle) override
    {
        note(QStringLiteral("initWithBundle ") + bundle->bundleIdentifier());
        view_ = kit::make<kit::View>(kit::MakeRect(0, 0, 320, 180));
    }
    kit::Ref<kit::View> mainView() override { return view_; }
    void loadMainView() override { note(QStringLiteral("loadMainView")); }
    void willSelect() override { note(QStringLiteral("willSelect")); }
    void didSelect() override { note(QStringLiteral("didSelect")); }
    kit::Size minSize() override { return kit::MakeSize(300, 150); }
    // One line per call, in order.
    QString log() const { return log_.join(u'\n'); }

private:
    void note(const QString& line) { log_ << line; }
    kit::Ref<kit::View> view_;
    QStringList log_;
};

KIT_REGISTER_CLASS(JVLTestPluginPane, kit::Object)
{
    c.property("log", &JVLTestPluginPane::log);
    c.optionalOperations({ "loadMainView", "willSelect", "didSelect", "minSize" });
}
