// Archiving the bar. An archive holds the settings (the
// options, the style, the tab view, the partner, the two buttons and, conditionally, the
// delegate) and whether the bar is hidden, which its archived geometry depends on. Cells, events,
// tracking tags and animation steps belong to the process that made them; a decoded bar makes its
// cells again from its tab view.

#include "XTTabBarControl/XTTabBarControl.h"

#include "kit/appkit/Window.h"
#include "kit/foundation/Coder.h"


// The option keys, in archive order, with their fields: one table for writing and reading.
struct XTTabBarControlCodingKeys {
    static const std::vector<std::pair<const char*, bool XTTabBarControl::*>>& flags()
    {
        static const std::vector<std::pair<const char*, bool XTTabBarControl::*>> table {
            { "XTcanCloseOnlyTab", &XTTabBarControl::canCloseOnlyTab_ },
            { "XTdisableTabClose", &XTTabBarControl::disableTabClose_ },
            { "XThideForSingleTab", &XTTabBarControl::hideForSingleTab_ },
            { "XTallowsBackgroundTabClosing", &XTTabBarControl::allowsBackgroundTabClosing_ },
            { "XTallowsResizing", &XTTabBarControl::allowsResizing_ },
            { "XTselectsTabsOnMouseDown", &XTTabBarControl::selectsTabsOnMouseDown_ },
            { "XTshowAddTabButton", &XTTabBarControl::showAddTabButton_ },
            { "XTsizeCellsToFit", &XTTabBarControl::sizeCellsToFit_ },
            { "XTuseOverflowMenu", &XTTabBarControl::useOverflowMenu_ },
            { "XTautomaticallyAnimates", &XTTabBarControl::automaticallyAnimates_ },
            { "XTalwaysShowActiveTab", &XTTabBarControl::alwaysShowActiveTab_ },
        };
        return table;
    }
    static const std::vector<std::pair<const char*, std::int64_t XTTabBarControl::*>>& widths()
    {
        static const std::vector<std::pair<const char*, std::int64_t XTTabBarControl::*>> table {
            { "XTcellMinWidth", &XTTabBarControl::cellMinWidth_ },
            { "XTcellMaxWidth", &XTTabBarControl::cellMaxWidth_ },
            { "XTcellOptimumWidth", &XTTabBarControl::cellOptimumWidth_ },
        };
        return table;
    }
};

void XTTabBarControl::encodeWithCoder(kit::Coder& coder) const
{
    Control::encodeWithCoder(coder);
    // Only what was added from outside: the buttons go under their own keys, indicators come with
    // their tabs.
    kit::Array outside;
    for (const kit::Ref<kit::View>& sub : subviews()) {
        if (sub == overflowPopUpButton_ || sub == addTabButton_ || dynamic_cast<XTProgressIndicator*>(sub.get()))
            continue;
        outside.addObject(kit::Value(sub));
    }
    coder.encodeObjectForKey(kit::Value(outside), QStringLiteral("subviews"));
    if (tabView_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(tabView_)), QStringLiteral("XTtabView"));
    coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(overflowPopUpButton_)), QStringLiteral("XToverflowPopUpButton"));
    coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(addTabButton_)), QStringLiteral("XTaddTabButton"));
    if (style_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(style_)), QStringLiteral("XTstyle"));
    coder.encodeIntegerForKey(orientation_, QStringLiteral("XTorientation"));
    for (const auto& [key, field] : XTTabBarControlCodingKeys::flags())
        coder.encodeBoolForKey(this->*field, QString::fromLatin1(key));
    for (const auto& [key, field] : XTTabBarControlCodingKeys::widths())
        coder.encodeIntegerForKey(this->*field, QString::fromLatin1(key));
    coder.encodeBoolForKey(isHidden_, QStringLiteral("XTisHidden"));
    if (partnerView_)
        coder.encodeObjectForKey(kit::Value(kit::Ref<kit::Object>(partnerView_)), QStringLiteral("XTpartnerView"));
    // Ours alone: who hid the bar decides whether it may show itself, and a hidden vertical bar
    // needs the width it comes back at.
    coder.encodeBoolForKey(hiddenByHost_, QStringLiteral("XThiddenByHost"));
    if (orientation_ == XTTabBarVerticalOrientation)
        coder.encodeIntegerForKey(tabBarWidth_, QStringLiteral("XTtabBarWidth"));
    // Conditional: archiving the bar never archives its owner whole.
    if (const kit::Ref<kit::Object> d = delegate())
        coder.encodeConditionalObjectForKey(d.get(), QStringLiteral("XTdelegate"));
}

void XTTabBarControl::initWithCoder(kit::Coder& coder)
{
    Control::initWithCoder(coder);
    const auto has = [&coder](const char* key) { return coder.containsValueForKey(QString::fromLatin1(key)); };
    // The decoded buttons take the places of the made ones.
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("XToverflowPopUpButton")).objectAs<XTOverflowPopUpButton>()) {
        if (decoded != overflowPopUpButton_)
            overflowPopUpButton_->removeFromSuperview();
        overflowPopUpButton_ = decoded;
        if (decoded->superview().get() != this)
            addSubview(decoded.get());
    }
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("XTaddTabButton")).objectAs<XTRolloverButton>()) {
        if (decoded != addTabButton_)
            addTabButton_->removeFromSuperview();
        addTabButton_ = decoded;
        if (decoded->superview().get() != this)
            addSubview(decoded.get());
    }
    if (const auto decoded = coder.decodeObjectForKey(QStringLiteral("XTstyle")).objectAs<XTTabStyle>())
        style_ = decoded;
    if (has("XTorientation")) {
        const std::int64_t orientation = coder.decodeIntegerForKey(QStringLiteral("XTorientation"));
        orientation_ = orientation == XTTabBarVerticalOrientation ? XTTabBarVerticalOrientation : XTTabBarHorizontalOrientation;
    }
    style_->setOrientation(orientation_);
    for (const auto& [key, field] : XTTabBarControlCodingKeys::flags())
        if (has(key))
            this->*field = coder.decodeBoolForKey(QString::fromLatin1(key));
    for (const auto& [key, field] : XTTabBarControlCodingKeys::widths())
        if (has(key))
            this->*field = coder.decodeIntegerForKey(QString::fromLatin1(key));
    addTabButton_->setHidden(!showAddTabButton_);
    if (const auto partner = coder.decodeObjectForKey(QStringLiteral("XTpartnerView")).objectAs<kit::View>())
        partnerView_ = partner;
    decodeHiddenState(coder);
    if (const kit::Ref<kit::Object> d = coder.decodeObjectForKey(QStringLiteral("XTdelegate")).object())
        setDelegate(d.get());
    positionOverflowMenu();
    if (const auto tabView = coder.decodeObjectForKey(QStringLiteral("XTtabView")).objectAs<kit::TabView>()) {
        tabView_ = tabView;
        awakeFromNib();
    }
}

void XTTabBarControl::decodeHiddenState(kit::Coder& coder)
{
    const bool vertical = orientation_ == XTTabBarVerticalOrientation;
    if (coder.containsValueForKey(QStringLiteral("XTisHidden")))
        isHidden_ = coder.decodeBoolForKey(QStringLiteral("XTisHidden"));
    else
        // Older archives: a bar collapsed to one point along its axis was hidden.
        isHidden_ = (vertical ? frame().size.width : frame().size.height) == 1;
    // Without our key, a bar that may hide for a single tab is taken to have hidden itself.
    hiddenByHost_ = coder.containsValueForKey(QStringLiteral("XThiddenByHost")) ? coder.decodeBoolForKey(QStringLiteral("XThiddenByHost"))
                                                                                 : isHidden_ && !hideForSingleTab_;
    if (coder.containsValueForKey(QStringLiteral("XTtabBarWidth")))
        tabBarWidth_ = coder.decodeIntegerForKey(QStringLiteral("XTtabBarWidth"));
    if (vertical && tabBarWidth_ <= 9)
        tabBarWidth_ = 120;
    // The buttons come back when the bar shows.
    if (isHidden_) {
        overflowPopUpButton_->removeFromSuperview();
        addTabButton_->removeFromSuperview();
    }
}

void XTTabBarControl::awakeFromNib()
{
    if (tabView_)
        addCellsForUnrepresentedItems(*tabView_);
}
