#pragma once

// What a look of the tab bar view answers: every hook is optional, and the view, its buttons and
// their cell ask `respondsToSelector` before each one, falling back on their own `_` default
// when a style leaves it out. A style lists the hooks it implements in its registration
// (`c.optionalOperations`), so one hook too many or too few changes the look.

#include "kit/core/Geometry.h"
#include "kit/core/Object.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Image.h"

#include <QString>

#include <cstdint>
#include <unordered_map>

class QVAttachedTabBarButton;
class QVOverflowPopUpButton;
class QVRolloverButton;
class QVTabBarButtonCell;
class QVTabBarView;

namespace kit {
class View;
}

// Close-button image types.
enum QVCloseButtonImageType : std::uint64_t {
    QVCloseButtonImageTypeStandard = 0,
    QVCloseButtonImageTypeRollover = 1,
    QVCloseButtonImageTypePressed = 2,
    QVCloseButtonImageTypeDirty = 3,
    QVCloseButtonImageTypeDirtyRollover = 4,
    QVCloseButtonImageTypeDirtyPressed = 5,
};

class QVTabStyle : public kit::Object {
    KIT_CLASS(QVTabStyle)
public:
    // Every style answers its class's registered name (each class has a static `tabStyleName()`).
    virtual QString name() const = 0;

    virtual bool supportsOrientationForTabBarView(std::uint64_t, QVTabBarView*) { return true; }
    virtual double leftMarginForTabBarView(QVTabBarView*) { return 0; }
    virtual double rightMarginForTabBarView(QVTabBarView*) { return 0; }
    virtual double topMarginForTabBarView(QVTabBarView*) { return 0; }
    virtual double bottomMarginForTabBarView(QVTabBarView*) { return 0; }
    virtual kit::Size addTabButtonSizeForTabBarView(QVTabBarView*) { return {}; }
    virtual kit::Rect addTabButtonRectForTabBarView(QVTabBarView*) { return {}; }
    virtual kit::Size overflowButtonSizeForTabBarView(QVTabBarView*) { return {}; }
    virtual kit::Rect overflowButtonRectForTabBarView(QVTabBarView*) { return {}; }
    virtual double heightOfTabBarButtonsForTabBarView(QVTabBarView*) { return 0; }
    virtual void updateAddButtonOfTabBarView(QVRolloverButton*, QVTabBarView*) { }
    virtual void updateOverflowPopUpButtonOfTabBarView(QVOverflowPopUpButton*, QVTabBarView*) { }
    virtual kit::AttributedString attributedObjectCountStringValueForTabCell(QVTabBarButtonCell*) { return {}; }
    virtual kit::AttributedString attributedStringValueForTabCell(QVTabBarButtonCell*) { return {}; }
    virtual double minimumWidthOfTabCell(QVTabBarButtonCell*) { return 0; }
    virtual double desiredWidthOfTabCell(QVTabBarButtonCell*) { return 0; }
    virtual bool updateCloseButtonOfTabCell(QVRolloverButton*, QVTabBarButtonCell*) { return true; }
    virtual kit::Ref<kit::Image> closeButtonImageOfTypeForTabCell(std::uint64_t, QVTabBarButtonCell*) { return nullptr; }
    virtual kit::Rect drawingRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Size closeButtonSizeForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect closeButtonRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect titleRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect iconRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect largeImageRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect indicatorRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual kit::Size objectCounterSizeOfTabCell(QVTabBarButtonCell*) { return {}; }
    virtual kit::Rect objectCounterRectForBoundsOfTabCell(kit::Rect, QVTabBarButtonCell*) { return {}; }
    virtual void drawTabBarViewInRect(QVTabBarView*, kit::Rect) { }
    virtual void drawBezelOfTabBarViewInRect(QVTabBarView*, kit::Rect) { }
    virtual void drawButtonBezelsOfTabBarViewInRect(QVTabBarView*, kit::Rect) { }
    virtual void drawBezelOfButtonAtIndexInButtonsIndexOfSelectedButtonTabBarViewInRect(
        QVAttachedTabBarButton*, std::uint64_t, const std::vector<kit::Ref<QVAttachedTabBarButton>>&, std::uint64_t, QVTabBarView*, kit::Rect)
    { }
    virtual void drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton*, QVTabBarView*, kit::Rect) { }
    virtual void drawInteriorOfTabBarViewInRect(QVTabBarView*, kit::Rect) { }
    virtual void drawTabBarCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawInteriorOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawTitleOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawIconOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawLargeImageOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawIndicatorOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawObjectCounterOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual void drawCloseButtonOfTabCellWithFrameInView(QVTabBarButtonCell*, kit::Rect, kit::View*) { }
    virtual kit::Rect draggingRectForTabButtonOfTabBarView(QVAttachedTabBarButton*, QVTabBarView*) { return {}; }

    // Whether the style implements a hook (the hook's C++ name). Asked several times per tab
    // drawn, so each answer is kept, by the name's address: a style's hooks never change.
    bool implements(const char* hook) const
    {
        const auto known = implemented_.find(hook);
        if (known != implemented_.end())
            return known->second;
        const bool answer = respondsToSelector(kit::Selector(hook));
        implemented_.emplace(hook, answer);
        return answer;
    }

    // The registry of style classes by name, filled with the built-in styles at first use.
    static const kit::Class* registeredClassForStyleName(const QString& name);
    static void registerTabStyleClassNamed(const QString& name, const kit::Class& cls);
    template <class Style> static void registerTabStyleClass() { registerTabStyleClassNamed(Style::tabStyleName(), Style::staticClass()); }
    static void unregisterTabStyleClassNamed(const QString& name);
    static std::vector<const kit::Class*> registeredTabStyleClasses();
    // The registered names in registration order.
    static QStringList registeredTabStyleNames();
    static kit::Ref<QVTabStyle> makeStyleNamed(const QString& name);
    // Back to the built-in styles only.
    static void resetRegistryForTesting();

private:
    mutable std::unordered_map<const char*, bool> implemented_;
};
