#pragma once

// The cell of push buttons, checkboxes, radio buttons and image buttons. A button type is a
// preset of two masks, highlightsBy (how a pressed button looks) and showsStateBy (how an On
// button looks), which later setters may change. QStyle draws only the bezel and the check
// indicator; image and title go through drawImageWithFrameInView and drawTitleWithFrameInView,
// so subclasses restyle a button by overriding those.

#include "kit/controls/ActionCell.h"

#include <optional>

namespace kit {

class ButtonCell : public ActionCell {
    KIT_CLASS(ButtonCell)
public:
    // Settings only (no target, control view or transient highlight).
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    ButtonCell();
    explicit ButtonCell(const QString& title);
    explicit ButtonCell(Ref<Image> image);
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;

    // --- Type and masks. ---
    // Sets highlightsBy and showsStateBy (and the checkbox or radio look) for `type`.
    void setButtonType(ButtonType type);
    ButtonType buttonType() const { return b_.type; }
    int highlightsBy() const { return b_.highlightsBy; }
    void setHighlightsBy(int mask);
    int showsStateBy() const { return b_.showsStateBy; }
    void setShowsStateBy(int mask);
    // Whether the alternate title and image show now: pressed with Contents in highlightsBy, or
    // On with Contents in showsStateBy.
    bool showsAlternateContents() const;

    // --- Accessibility: a button, check box or radio button by type, titled by its title; a check
    // box or radio button has its state as value (mixed is 2); pressing it clicks it. ---
    Value accessibilityAttributeValue(const QString& attribute) const override;
    QStringList accessibilityActionNames() const override;
    void accessibilityPerformAction(const QString& action) override;

    // --- Content. ---
    // The plain text of the title, attributed or not.
    QString title() const override { return b_.title; }
    // A plain title: drawn in the cell's font, alignment and state colour.
    void setTitle(const QString& title) override;
    // The title as drawn: the attributed title set last, else the plain title with the cell's font
    // and paragraph settings (its colour left to the drawing). Subclasses may decorate it.
    virtual AttributedString attributedTitle() const;
    // Drawn with its own font, colour, shadow and paragraph style; attributes it lacks come from
    // the cell. title() answers its string.
    void setAttributedTitle(const AttributedString& title);
    QString alternateTitle() const { return b_.alternateTitle; }
    void setAlternateTitle(const QString& title);
    Ref<Image> alternateImage() const { return b_.alternateImage; }
    void setAlternateImage(Ref<Image> image);
    CellImagePosition imagePosition() const { return b_.imagePosition; }
    void setImagePosition(CellImagePosition position);
    ImageScaling imageScaling() const { return b_.imageScaling; }
    void setImageScaling(ImageScaling scaling);
    bool imageDimsWhenDisabled() const { return b_.imageDimsWhenDisabled; }
    void setImageDimsWhenDisabled(bool flag) { b_.imageDimsWhenDisabled = flag; }
    BezelStyle bezelStyle() const { return b_.bezelStyle; }
    void setBezelStyle(BezelStyle style);
    bool showsBorderOnlyWhileMouseInside() const { return b_.bordersOnHover; }
    void setShowsBorderOnlyWhileMouseInside(bool flag);
    bool isMouseInside() const { return b_.mouseInside; }
    // Set by the control when it knows where the pointer is (e.g. after moving its tracking area).
    void setMouseInside(bool flag);

    // --- Keys. "\r" makes the default button. An upper-case letter implies Shift. ---
    QString keyEquivalent() const { return b_.keyEquivalent; }
    void setKeyEquivalent(const QString& key);
    std::uint64_t keyEquivalentModifierMask() const { return b_.keyEquivalentMask; }
    void setKeyEquivalentModifierMask(std::uint64_t mask) { b_.keyEquivalentMask = mask; }
    bool isDefaultButton() const { return b_.keyEquivalent == QStringLiteral("\r"); }

    // --- Drawing steps. ---
    virtual void drawBezelWithFrameInView(Rect frame, View* controlView);
    virtual void drawImageWithFrameInView(const Image* image, Rect frame, View* controlView);
    // Centred vertically in `frame`, aligned by its paragraph style; attributes the title lacks
    // come from the cell. Answers the rectangle the title took.
    virtual Rect drawTitleWithFrameInView(const AttributedString& title, Rect frame, View* controlView);

    // Cell:
    int nextState() const override;
    // A radio button that turns on turns off the radio buttons beside it with the same action.
    void setNextState() override;
    Size cellSizeForBounds(Rect bounds) const override;
    Rect drawingRectForBounds(Rect bounds) const override;
    Rect titleRectForBounds(Rect bounds) const override;
    Rect imageRectForBounds(Rect bounds) const override;
    void drawWithFrameInView(Rect cellFrame, View* controlView) override;
    void drawInteriorWithFrameInView(Rect cellFrame, View* controlView) override;
    void mouseEntered(const Event& event) override;
    void mouseExited(const Event& event) override;
    bool performKeyEquivalent(const Event& event) override;

protected:
    enum class Look { PushButton, ToolPanel, Check, Radio, Plain };
    // What the style draws for the type, border and bezel style.
    Look look() const;
    bool drawsBezel() const;

private:
    // The image and title parts of `content`, placed by imagePosition.
    void layout(Rect content, bool flipped, Rect* imageRect, Rect* titleRect) const;
    Size contentSize() const;
    // The attributes drawing gives a title where it has none: font, paragraph settings and the
    // colour of the cell's look and state.
    StringAttributes titleDefaults() const;
    // Vertically centred at the left edge: the same rectangle flipped or not.
    Rect indicatorRect(Rect bounds) const;
    // The frame, or for check boxes and radios the indicator, image and title with a margin.
    Rect focusRingRect(Rect cellFrame, bool flipped) const;

    struct Fields {
        ButtonType type = MomentaryPushInButton;
        int highlightsBy = PushInCellMask | ChangeGrayCellMask | ChangeBackgroundCellMask;
        int showsStateBy = NoCellMask;
        QString title;
        // Set by setAttributedTitle; a plain setTitle clears it.
        std::optional<AttributedString> attributedTitle;
        QString alternateTitle;
        Ref<Image> alternateImage;
        CellImagePosition imagePosition = NoImage;
        ImageScaling imageScaling = ImageScaleProportionallyDown;
        bool imageDimsWhenDisabled = true;
        BezelStyle bezelStyle = RoundedBezelStyle;
        bool bordersOnHover = false;
        bool mouseInside = false;
        QString keyEquivalent;
        std::uint64_t keyEquivalentMask = 0;
    };
    Fields b_;
};

} // namespace kit
