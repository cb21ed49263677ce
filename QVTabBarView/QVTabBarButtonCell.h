#pragma once

// The cell of every tab button: a tab's displayed properties, its parts (close button, large
// image, icon, title, counter, indicator) and their rectangles, the widths the layout asks for,
// and the drawing. Every question goes to the style first; the `_` defaults answer when the
// style leaves the hook out, and they build on the public operations, so a style that changes
// one rectangle moves every part laid out after it.

#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVRolloverButton.h"
#include "QVTabBarView/QVTabStyle.h"
#include "kit/graphics/AttributedString.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/ParagraphStyle.h"

#include <functional>

class QVTabBarButton;

// A title's attributes kept as one dictionary while the font and colour stay equal: equal titles
// then compare at once, and nothing is rebuilt for each drawing. `rest` adds what else the
// title carries (paragraph style, shadow) when the dictionary is made again.
class QVTitleAttributes {
public:
    kit::AttributedString title(const QString& text, const kit::Ref<kit::Font>& font, const kit::Ref<kit::Color>& color,
        const std::function<void(kit::StringAttributes&)>& rest);

private:
    kit::Ref<kit::Font> font_;
    kit::Ref<kit::Color> color_;
    kit::Dictionary attributes_;
};

class QVTabBarButtonCell : public QVRolloverButtonCell {
    KIT_CLASS(QVTabBarButtonCell)
public:
    QVTabBarButtonCell();

    static kit::Ref<kit::Color> defaultObjectCountColor();
    // Tail truncation, centred: shared by every tab title.
    static const kit::Ref<kit::ParagraphStyle>& titleParagraphStyle();

    QVTabBarButton* tabButton() const;
    kit::Ref<QVTabBarView> tabBarView() const;
    kit::Ref<QVRolloverButton> closeButton() const;
    kit::Ref<QVProgressIndicator> indicator() const;

    kit::Ref<QVTabStyle> style() const { return style_; }
    void setStyle(kit::Ref<QVTabStyle> style);
    std::uint64_t tabState() const { return tabState_; }
    void setTabState(std::uint64_t state) { tabState_ = state; }
    kit::Ref<kit::Image> icon() const { return icon_; }
    void setIcon(kit::Ref<kit::Image> icon) { icon_ = std::move(icon); }
    kit::Ref<kit::Image> largeImage() const { return largeImage_; }
    void setLargeImage(kit::Ref<kit::Image> image) { largeImage_ = std::move(image); }
    bool showObjectCount() const { return showObjectCount_; }
    void setShowObjectCount(bool flag) { showObjectCount_ = flag; }
    std::int64_t objectCount() const { return objectCount_; }
    void setObjectCount(std::int64_t count) { objectCount_ = count; }
    kit::Ref<kit::Color> objectCountColor() const { return objectCountColor_; }
    void setObjectCountColor(kit::Ref<kit::Color> color) { objectCountColor_ = std::move(color); }
    bool isEdited() const { return isEdited_; }
    void setIsEdited(bool flag);
    bool isProcessing() const { return isProcessing_; }
    void setIsProcessing(bool flag);
    bool hasCloseButton() const { return hasCloseButton_; }
    void setHasCloseButton(bool flag);
    bool suppressCloseButton() const { return suppressCloseButton_; }
    void setSuppressCloseButton(bool flag);
    bool shouldDisplayCloseButton() const { return hasCloseButton_ && !suppressCloseButton_; }
    void updateImages() { _updateCloseButtonImages(); }

    // A title's size and its drawing in a rectangle, as the attributed string gives them, laid out
    // once while the string and the width stay the same: a repaint draws every tab's title again.
    kit::Size sizeOfTitle(const kit::AttributedString& title);
    void drawTitleInRect(const kit::AttributedString& title, kit::Rect rect);

    // Asking the style first, then the default of the same name.
    kit::AttributedString attributedObjectCountStringValue();
    kit::Size objectCounterSize();
    kit::Ref<kit::Image> closeButtonImageOfType(std::uint64_t type);
    double minimumWidthOfCell();
    double desiredWidthOfCell();
    kit::Rect closeButtonRectForBounds(kit::Rect bounds);
    kit::Size closeButtonSizeForBounds(kit::Rect bounds);
    kit::Rect iconRectForBounds(kit::Rect bounds);
    kit::Rect largeImageRectForBounds(kit::Rect bounds);
    kit::Rect indicatorRectForBounds(kit::Rect bounds);
    kit::Rect objectCounterRectForBounds(kit::Rect bounds);
    void drawLargeImageWithFrameInView(kit::Rect frame, kit::View* controlView);
    void drawIconWithFrameInView(kit::Rect frame, kit::View* controlView);
    void drawTitleWithFrameInView(kit::Rect frame, kit::View* controlView);
    void drawObjectCounterWithFrameInView(kit::Rect frame, kit::View* controlView);
    void drawIndicatorWithFrameInView(kit::Rect frame, kit::View* controlView);
    void drawCloseButtonWithFrameInView(kit::Rect frame, kit::View* controlView);

    // The defaults, which styles call too.
    double _leftMargin();
    double _rightMargin();
    kit::AttributedString _attributedStringValue();
    kit::AttributedString _attributedObjectCountStringValue();
    kit::Size _objectCounterSize();
    kit::Ref<kit::Image> _closeButtonImageOfType(std::uint64_t) { return nullptr; }
    double _minimumWidthOfCell();
    double _desiredWidthOfCell();
    kit::Rect _drawingRectForBounds(kit::Rect bounds);
    kit::Size _closeButtonSizeForBounds(kit::Rect bounds);
    kit::Rect _closeButtonRectForBounds(kit::Rect bounds);
    kit::Rect _largeImageRectForBounds(kit::Rect bounds);
    kit::Rect _iconRectForBounds(kit::Rect bounds);
    kit::Rect _indicatorRectForBounds(kit::Rect bounds);
    kit::Rect _objectCounterRectForBounds(kit::Rect bounds);
    kit::Rect _titleRectForBounds(kit::Rect bounds);
    void _drawWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawBezelWithFrameInView(kit::Rect, kit::View*) { }
    void _drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawLargeImageWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawIconWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawTitleWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawObjectCounterWithFrameInView(kit::Rect frame, kit::View* controlView);
    void _drawIndicatorWithFrameInView(kit::Rect, kit::View*) { }
    void _drawCloseButtonWithFrameInView(kit::Rect frame, kit::View* controlView);

    // kit::Cell:
    kit::AttributedString attributedStringValue() const override;
    kit::Rect drawingRectForBounds(kit::Rect bounds) const override;
    kit::Rect titleRectForBounds(kit::Rect bounds) const override;
    void setState(int state) override;
    void calcDrawInfo(kit::Rect bounds) override;
    void drawWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    void drawInteriorWithFrameInView(kit::Rect frame, kit::View* controlView) override;
    // kit::ButtonCell:
    void drawBezelWithFrameInView(kit::Rect frame, kit::View* controlView) override;

protected:
    void copyTo(kit::Object& copy) const override;
    // The style of the tab bar view, asked for the strings and the counter size.
    kit::Ref<QVTabStyle> viewStyle() const;
    QVTabBarButtonCell* self() const { return const_cast<QVTabBarButtonCell*>(this); }

    void _updateSubButtons();
    void _updateCloseButton();
    void _updateIndicator();
    void _updateCloseButtonImages();

private:
    // The style's hook when it implements it, else the cell's own default.
    using StyleDraw = void (QVTabStyle::*)(QVTabBarButtonCell*, kit::Rect, kit::View*);
    using OwnDraw = void (QVTabBarButtonCell::*)(kit::Rect, kit::View*);
    void throughStyle(const char* hook, StyleDraw styleDraw, OwnDraw ownDraw, kit::Rect frame, kit::View* controlView);
    using StyleRect = kit::Rect (QVTabStyle::*)(kit::Rect, QVTabBarButtonCell*);
    using OwnRect = kit::Rect (QVTabBarButtonCell::*)(kit::Rect);
    kit::Rect throughStyle(const char* hook, StyleRect styleRect, OwnRect ownRect, kit::Rect bounds);

    kit::Ref<QVTabStyle> style_;
    std::uint64_t tabState_ = 0;
    kit::Ref<kit::Image> icon_;
    kit::Ref<kit::Image> largeImage_;
    bool showObjectCount_ = false;
    std::int64_t objectCount_ = 0;
    kit::Ref<kit::Color> objectCountColor_;
    bool isEdited_ = false;
    bool isProcessing_ = false;
    bool hasCloseButton_ = true;
    bool suppressCloseButton_ = false;
    kit::CachedStringLayout titleLayout_;
    QVTitleAttributes titleAttributes_;
};
