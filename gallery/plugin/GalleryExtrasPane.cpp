// The gallery's plug-in preference pane, installed in PlugIns/GalleryExtras.prefPane beside the
// program and loaded the first time the window needs it.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneProtocol.h"

#include "kit/controls/Button.h"
#include "kit/core/Class.h"
#include "kit/foundation/Bundle.h"

class GalleryExtrasPane : public kit::Object, public JVLPrefPaneBundleProtocol {
    KIT_CLASS(GalleryExtrasPane)

    void initWithBundle(kit::Bundle*) override
    {
        view_ = kit::make<kit::View>(kit::MakeRect(0, 0, 380, 120));
        const char* titles[] = { "Load extra font folders at launch", "Show experimental layouts" };
        double y = 76;
        for (const char* title : titles) {
            auto box = kit::make<kit::Button>(kit::MakeRect(30, y, 320, 22));
            box->setButtonType(kit::SwitchButton);
            box->setTitle(QString::fromUtf8(title));
            view_->addSubview(box.get());
            y -= 32;
        }
    }
    kit::Ref<kit::View> mainView() override { return view_; }

private:
    kit::Ref<kit::View> view_;
};

KIT_REGISTER_CLASS(GalleryExtrasPane, kit::Object) { }
