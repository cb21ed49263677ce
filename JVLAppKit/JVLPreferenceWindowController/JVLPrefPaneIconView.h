#pragma once

// The preference window's overview: every pane as a 32 x 32 icon with its label, in rows of a fixed
// number of columns, optionally grouped by category with captions and alternating backgrounds.
// Groups and geometry are rebuilt lazily, at the next frame(), bounds() or drawRect. A click opens
// the icon's pane; an icon can be dragged toward the toolbar (the kit's toolbar takes no drops).
// From the keyboard it is a key view whose arrows move a current icon as drawn and whose Return or
// Space opens it; to a screen reader it is a list of the icons, the current one selected.

#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIcon.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/Dragging.h"
#include "kit/appkit/View.h"
#include "kit/graphics/StringDrawing.h"

#include <map>
#include <vector>

class JVLPreferenceWindowController;

inline const QString JVLToolbarIndividualItemDragType = QStringLiteral("NSToolbarIndividualItemDragType");
inline const QString JVLToolbarItemIdentifierPboardType = QStringLiteral("NSToolbarItemIdentifierPboardType");

class JVLPrefPaneIconView : public kit::View, public kit::DraggingSource, public kit::Accessibility {
    KIT_CLASS(JVLPrefPaneIconView)

    using IconList = std::vector<kit::Ref<JVLPrefPaneIcon>>;

    JVLPrefPaneIconView();
    JVLPrefPaneIconView(JVLPreferenceWindowController* controller, const IconList& icons, int columns);

    // Held weakly: the controller owns the view.
    kit::Ref<JVLPreferenceWindowController> prefsController() const;
    void setPrefsController(JVLPreferenceWindowController* controller);
    const IconList& icons() const { return icons_; }
    void setIcons(const IconList& icons);
    void addIcon(JVLPrefPaneIcon* icon);
    void removeAllIcons();
    int columns() const { return columns_; }
    void setColumns(int columns);
    bool sortByCategory() const { return sortByCategory_; }
    void setSortByCategory(bool flag);
    QStringList categorySortOrder() const { return categorySortOrder_; }
    void setCategorySortOrder(const QStringList& order);
    const std::vector<IconList>& iconListList() const { return iconListList_; }
    void setIconListList(const std::vector<IconList>& groups) { iconListList_ = groups; }
    bool dataChanged() const { return dataChanged_; }

    void rebuild();
    void sortCategories();
    void calculateGeometry();

    double iconSpacing() const { return iconSpacing_; }
    double iconHeight() const { return iconHeight_; }
    double horizontalPadding() const { return horizontalPadding_; }
    double captionHeight() const { return captionHeight_; }

    // Geometry in view coordinates (flipped).
    kit::Rect frameForCategoryWithIndex(int group);
    kit::Point positionForIconInCategoryWithIndexAtIndex(int group, int index);
    kit::Rect imageFrameForIconInCategoryWithIndexAtIndex(int group, int index);
    kit::Rect labelFrameForIconInCategoryWithIndexAtIndex(int group, int index);
    // The icon whose image or label holds the point, searched in the first group holding it only.
    kit::Ref<JVLPrefPaneIcon> iconAtCategoryIndexIconIndex(kit::Point point, int* group = nullptr, int* index = nullptr);

    kit::Ref<JVLPrefPaneIcon> selectedIcon() const { return selectedIcon_; }
    void setSelectedIcon(JVLPrefPaneIcon* icon) { selectedIcon_ = icon; }

    // The icon the keys act on: the one last chosen while it is shown, else the first drawn.
    kit::Ref<JVLPrefPaneIcon> currentIcon() const;
    // Makes `icon` current, announced as a selection change (and a focus change while the view
    // has the focus); focusIcon also gives the view the focus.
    void makeIconCurrent(JVLPrefPaneIcon* icon);
    void focusIcon(JVLPrefPaneIcon* icon);
    // Sends the icon's selector to its target, as a click does.
    void openIcon(JVLPrefPaneIcon* icon);
    bool hasKeyboardFocus() const;
    // Where an icon is drawn, image and label; the zero rect for an icon not shown.
    kit::Rect drawnFrameOfIcon(const JVLPrefPaneIcon* icon);

    void drawBackgroundForCategoryWithIndex(int group);
    void drawIconAtPositionHighlighted(JVLPrefPaneIcon* icon, kit::Point position, bool highlighted, int group);

    // kit::View:
    kit::Rect frame() const override;
    kit::Rect bounds() const override;
    bool isFlipped() const override { return true; }
    void drawRect(kit::Rect dirtyRect) override;
    void mouseDown(const kit::Event& event) override;
    void mouseUp(const kit::Event& event) override;
    void mouseDragged(const kit::Event& event) override;
    bool acceptsFirstResponder() const override { return !icons_.empty(); }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    void keyDown(const kit::Event& event) override;

    // kit::Accessibility: a list named by the tool tip, else the controller's title, of the icons
    // in the order drawn; the current icon is selected, and focused while the view has the focus.
    bool accessibilityIsIgnored() const override { return false; }
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityHitTest(kit::Point point) const override;
    kit::Value accessibilityFocusedUIElement() const override;
    kit::Value accessibilityElementForIcon(const JVLPrefPaneIcon* icon) const;

    // kit::DraggingSource:
    std::uint64_t draggingSourceOperationMaskForLocal(bool local) override;
    bool ignoreModifierKeysWhileDragging() override { return true; }

private:
    int rowsOfGroup(int group) const;
    void markChanged()
    {
        dataChanged_ = true;
        accessibilityChildrenChanged();
    }
    void rebuildIfNeeded() const;
    kit::Ref<kit::Image> dragImageForSelectedIcon(kit::Size* size);
    // Every icon shown, group by group, as drawn.
    IconList shownIcons() const;
    // The place of an icon in the groups; false when it is not shown.
    bool placeOfIcon(const JVLPrefPaneIcon* icon, int* group, int* index) const;
    // The icon a key leads to from the current one; null where it leads nowhere.
    kit::Ref<JVLPrefPaneIcon> iconForKey(std::uint16_t keyCode) const;

    kit::Weak<JVLPreferenceWindowController> prefsController_;
    IconList icons_;
    bool sortByCategory_ = false;
    QStringList categorySortOrder_;
    bool hasCategorySortOrder_ = false;
    std::vector<IconList> iconListList_;
    int columns_ = 7;
    double iconSpacing_ = 32;
    double iconHeight_ = 0;
    double horizontalPadding_ = 12;
    double captionHeight_ = 0;
    bool dataChanged_ = true;
    kit::StringAttributes labelAttributes_;
    kit::StringAttributes captionAttributes_;
    kit::Ref<JVLPrefPaneIcon> selectedIcon_;
    int selectedIconCategory_ = -1;
    int selectedIconIndex_ = -1;
    kit::Point mouseDownPoint_;
    kit::Weak<JVLPrefPaneIcon> currentIcon_;
    mutable std::map<const JVLPrefPaneIcon*, kit::Ref<kit::Object>> accessibilityElements_;
};
