#include "gallery/pages/TabBarPage.h"

#include "XTTabBarControl/XTTabBarControl.h"
#include "gallery/pages/GallerySwatch.h"
#include "kit/graphics/Color.h"

using kit::MakeRect;
using kit::Ref;

namespace {

// What a document tab shows: a count, a colour for it, an edited flag, a busy flag and an icon.
class GalleryTabDocument : public kit::Object {
    KIT_CLASS(GalleryTabDocument)
public:
    bool isProcessing() const { return processing_; }
    void setIsProcessing(bool flag) { setValueNotifying("isProcessing", processing_, flag); }
    std::int64_t objectCount() const { return count_; }
    void setObjectCount(std::int64_t count) { setValueNotifying("objectCount", count_, count); }
    bool isEdited() const { return edited_; }
    void setIsEdited(bool flag) { setValueNotifying("isEdited", edited_, flag); }
    Ref<kit::Color> countColor() const { return countColor_; }
    void setCountColor(Ref<kit::Color> colour) { setValueNotifying("countColor", countColor_, std::move(colour)); }
    Ref<kit::Image> icon() const { return icon_; }
    void setIcon(Ref<kit::Image> icon) { setValueNotifying("icon", icon_, std::move(icon)); }

private:
    bool processing_ = false;
    std::int64_t count_ = 0;
    bool edited_ = false;
    Ref<kit::Color> countColor_;
    Ref<kit::Image> icon_;
};

} // namespace

KIT_REGISTER_CLASS(GalleryTabDocument, kit::Object)
{
    c.property("isProcessing", &GalleryTabDocument::isProcessing, &GalleryTabDocument::setIsProcessing);
    c.property("objectCount", &GalleryTabDocument::objectCount, &GalleryTabDocument::setObjectCount);
    c.property("isEdited", &GalleryTabDocument::isEdited, &GalleryTabDocument::setIsEdited);
    c.property(
        "countColor", [](const GalleryTabDocument& x) { return kit::Value(x.countColor()); },
        [](GalleryTabDocument& x, const kit::Value& v) { x.setCountColor(v.objectAs<kit::Color>()); });
    c.property(
        "icon", [](const GalleryTabDocument& x) { return kit::Value(x.icon()); },
        [](GalleryTabDocument& x, const kit::Value& v) { x.setIcon(v.objectAs<kit::Image>()); });
}

kit::Ref<kit::View> makeTabBarPage(kit::Rect frame)
{
    const QColor paper(236, 236, 236);
    auto page = kit::make<GallerySwatch>(frame, paper, QString());
    const double width = frame.size.width - 40;
    const double top = frame.size.height - 20;

    auto tabView = kit::make<kit::TabView>(MakeRect(20, top - 22 - 200, width, 200));
    tabView->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    auto bar = kit::make<XTTabBarControl>(MakeRect(20, top - 22, width, 22));
    bar->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMinYMargin);
    bar->setTabView(tabView);
    bar->setPartnerView(tabView);
    tabView->setDelegate(bar.get());
    page->addSubview(tabView.get());
    page->addSubview(bar.get());

    auto counter = std::make_shared<int>(0);
    auto addTab = [tabView, counter](std::int64_t count, bool edited, bool busy, Ref<kit::Color> colour) {
        auto document = kit::make<GalleryTabDocument>();
        document->setObjectCount(count);
        document->setIsEdited(edited);
        document->setIsProcessing(busy);
        document->setCountColor(std::move(colour));
        document->setIcon(XTTabStyleBase::bundleImage(QStringLiteral("pi")));
        auto item = kit::make<kit::TabViewItem>(kit::Value(Ref<kit::Object>(document)));
        item->setLabel(QStringLiteral("Document %1").arg(++*counter));
        auto content = kit::make<GallerySwatch>(tabView->bounds(), QColor(250, 250, 250), item->label());
        content->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        item->setView(content);
        tabView->addTabViewItem(item);
    };
    addTab(0, false, false, nullptr);
    addTab(3, false, false, nullptr);
    addTab(12, false, false, kit::Color::colorWithSRGBRedGreenBlueAlpha(0.12, 0.43, 0.78, 0.8));
    addTab(0, true, false, nullptr);
    addTab(0, false, true, nullptr);
    for (int i = 0; i < 3; ++i)
        addTab(0, false, false, nullptr);
    tabView->selectTabViewItemAtIndex(1);

    auto document = [tabView]() -> Ref<GalleryTabDocument> {
        const auto item = tabView->selectedTabViewItem();
        return item ? item->identifier().objectAs<GalleryTabDocument>() : nullptr;
    };
    double x = 20;
    auto button = [&](const QString& title, std::function<void()> action) {
        auto b = kit::make<GalleryPushButton>(MakeRect(x, top - 270, 130, 28), title, std::move(action));
        b->setAutoresizingMask(kit::ViewMinYMargin);
        page->addSubview(b.get());
        x += 140;
    };
    Ref<XTTabBarControl> b = bar;
    button(QStringLiteral("Add tab"), [addTab] { addTab(0, false, false, nullptr); });
    button(QStringLiteral("Count + 1"), [document] {
        if (auto d = document())
            d->setObjectCount(d->objectCount() + 1);
    });
    button(QStringLiteral("Toggle processing"), [document] {
        if (auto d = document())
            d->setIsProcessing(!d->isProcessing());
    });
    button(QStringLiteral("Size to fit"), [b] { b->setSizeCellsToFit(!b->sizeCellsToFit()); });
    button(QStringLiteral("Overflow menu"), [b] { b->setUseOverflowMenu(!b->useOverflowMenu()); });
    return page;
}
