#include "gallery/pages/SplitViewPage.h"

#include "ZQSplitView/JVLSplitSubviewResizeButton.h"
#include "ZQSplitView/ZQSplitView.h"
#include "gallery/pages/GallerySwatch.h"

using kit::MakeRect;
using kit::Ref;

namespace {

const QString dividerImage = QStringLiteral(":/ZQSplitView/Resources/ZQSplitViewDivider.svg");
const QString autosaveName = QStringLiteral("GalleryMain");

Ref<ZQSplitSubview> paneWith(kit::Rect frame, QColor colour, const QString& title, const QString& identifier)
{
    auto pane = kit::make<ZQSplitSubview>(frame);
    pane->setIdentifier(identifier);
    auto swatch = kit::make<GallerySwatch>(MakeRect(0, 0, frame.size.width, frame.size.height), colour, title);
    swatch->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    pane->addSubview(swatch.get());
    return pane;
}

} // namespace

kit::Ref<kit::View> makeSplitViewPage(kit::Rect frame)
{
    auto page = kit::make<kit::View>(frame);
    const double w = frame.size.width;
    const double h = frame.size.height;

    // Left to right: a sidebar, a nested top/bottom split, an inspector.
    auto outer = kit::make<ZQSplitView>(MakeRect(0, 0, w, h));
    outer->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
    outer->setDivider(kit::Image::imageByReferencingFile(dividerImage));
    outer->setBackground(kit::Color::colorWithCalibratedWhiteAlpha(0.84, 1));

    // The sidebar carries a bottom bar with the resize grip.
    auto sidebar = paneWith(MakeRect(0, 0, 200, h), QColor(228, 234, 242),
        QStringLiteral("Sidebar (collapsible). Drag the grip in the bar below (or Tab to it and press the arrows), or double-click the divider."), QStringLiteral("sidebar"));
    sidebar->setMinDimensionAndMaxDimension(120, 360);
    sidebar->setCanCollapse(true);
    auto bar = kit::make<GallerySwatch>(MakeRect(0, 0, 200, 24), QColor(200, 204, 212), QString());
    bar->setAutoresizingMask(kit::ViewWidthSizable);
    auto grip = kit::make<JVLSplitSubviewResizeButton>(MakeRect(200 - 24, 0, 24, 24));
    grip->setAutoresizingMask(kit::ViewMinXMargin);
    sidebar->addSubview(bar.get());
    sidebar->addSubview(grip.get());
    outer->addSubview(sidebar.get());
    grip->awakeFromNib();

    auto middle = kit::make<ZQSplitView>(MakeRect(0, 0, w - 420, h));
    middle->setIdentifier(QStringLiteral("middle"));
    auto content = paneWith(MakeRect(0, 0, w - 420, h - 160), QColor(250, 250, 250),
        QStringLiteral("Content. This split view is nested and coupled: its divider crosses the outer ones."), QStringLiteral("content"));
    content->setMinDimensionAndMaxDimension(120, 0);
    auto console
        = paneWith(MakeRect(0, 0, w - 420, 160), QColor(238, 242, 232), QStringLiteral("Console (collapsible)"), QStringLiteral("console"));
    console->setMinDimensionAndMaxDimension(80, 0);
    console->setCanCollapse(true);
    middle->addSubview(content.get());
    middle->addSubview(console.get());
    outer->addSubview(middle.get());

    auto inspector = paneWith(
        MakeRect(0, 0, 220, h), QColor(242, 236, 228), QStringLiteral("Inspector (collapsible, 150 to 400)"), QStringLiteral("inspector"));
    inspector->setMinDimensionAndMaxDimension(150, 400);
    inspector->setCanCollapse(true);
    outer->addSubview(inspector.get());

    page->addSubview(outer.get());
    outer->adjustSubviews();
    // What an interface file's loading would do: name the views, then take the saved sizes back.
    outer->setAutosaveNameRecursively(autosaveName, true);
    if (!outer->restoreState(true))
        middle->restoreState(false); // a first run: let the nested view save from now on as well
    outer->adjustSubviews();
    return page;
}
