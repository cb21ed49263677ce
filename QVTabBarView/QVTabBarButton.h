#pragma once

// A button that shows one tab: title, icon, large image, counter, progress indicator and close
// button. It owns the close button and the indicator as subviews, forwards the tab's properties
// to its cell, and binds seven of them by hand so a tab's properties follow a model object.

#include "QVTabBarView/QVProgressIndicator.h"
#include "QVTabBarView/QVRolloverButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "kit/core/Binding.h"

#include <array>

class QVTabBarView;

class QVTabBarButton : public QVRolloverButton {
    KIT_CLASS(QVTabBarButton)
    KIT_CONTROL_CELL_CLASS(QVTabBarButton, QVTabBarButtonCell)
public:
    explicit QVTabBarButton(kit::Rect frame = {});
    ~QVTabBarButton() override;

    QVTabBarButtonCell* tabCell() const { return dynamic_cast<QVTabBarButtonCell*>(cell().get()); }
    kit::Ref<QVTabBarView> tabBarView() const;

    kit::Rect stackingFrame() const { return stackingFrame_; }
    void setStackingFrame(kit::Rect frame) { stackingFrame_ = frame; }
    kit::Ref<QVRolloverButton> closeButton() const { return closeButton_; }
    void setCloseButton(kit::Ref<QVRolloverButton> button) { closeButton_ = std::move(button); }
    kit::Ref<QVProgressIndicator> indicator() const { return indicator_; }
    kit::Selector closeButtonAction() const;
    void setCloseButtonAction(kit::Selector action);

    // The tab's properties, kept by the cell.
    kit::Ref<QVTabStyle> style() const { return tabCell() ? tabCell()->style() : nullptr; }
    void setStyle(kit::Ref<QVTabStyle> style);
    std::uint64_t tabState() const { return tabCell() ? tabCell()->tabState() : 0; }
    void setTabState(std::uint64_t state);
    kit::Ref<kit::Image> icon() const { return tabCell() ? tabCell()->icon() : nullptr; }
    void setIcon(kit::Ref<kit::Image> icon);
    kit::Ref<kit::Image> largeImage() const { return tabCell() ? tabCell()->largeImage() : nullptr; }
    void setLargeImage(kit::Ref<kit::Image> image);
    bool showObjectCount() const { return tabCell() && tabCell()->showObjectCount(); }
    void setShowObjectCount(bool flag);
    std::int64_t objectCount() const { return tabCell() ? tabCell()->objectCount() : 0; }
    void setObjectCount(std::int64_t count);
    kit::Ref<kit::Color> objectCountColor() const { return tabCell() ? tabCell()->objectCountColor() : nullptr; }
    void setObjectCountColor(kit::Ref<kit::Color> color);
    bool isEdited() const { return tabCell() && tabCell()->isEdited(); }
    void setIsEdited(bool flag);
    bool isProcessing() const { return tabCell() && tabCell()->isProcessing(); }
    void setIsProcessing(bool flag);
    bool hasCloseButton() const { return tabCell() && tabCell()->hasCloseButton(); }
    void setHasCloseButton(bool flag);
    bool suppressCloseButton() const { return tabCell() && tabCell()->suppressCloseButton(); }
    void setSuppressCloseButton(bool flag);
    bool shouldDisplayCloseButton() const { return tabCell() && tabCell()->shouldDisplayCloseButton(); }

    virtual bool shouldDisplayLeftDivider() const;
    virtual bool shouldDisplayRightDivider() const;
    double minimumWidth() const { return tabCell() ? tabCell()->minimumWidthOfCell() : 0; }
    double desiredWidth() const { return tabCell() ? tabCell()->desiredWidthOfCell() : 0; }
    void updateImages();
    void calcSize() override;
    kit::Rect _closeButtonRectForBounds(kit::Rect bounds) const;
    kit::Rect _indicatorRectForBounds(kit::Rect bounds) const;

    // kit::Button: the layout runs later, on the main queue, when buttons size to fit.
    void setTitle(const QString& title) override;
    // kit::View:
    void resizeSubviewsWithOldSize(kit::Size oldSize) override;
    kit::Ref<kit::Object> menuForEvent(const kit::Event& event) override;
    // kit::Object: the seven tab properties are bound by hand; other names go to the button.
    void bindToObjectWithKeyPathOptions(const QString& binding, kit::Object* observable, const QString& keyPath,
        const kit::Dictionary& options) override;
    void unbind(const QString& binding) override;
    kit::Value infoForBinding(const QString& binding) const override;
    void observeValueForKeyPathOfObjectChangeContext(
        const QString& keyPath, kit::Object* object, const kit::KeyValueChange& change, void* context) override;

    // The names of the hand-made bindings, in the order observed changes try them.
    static const std::array<QString, 7>& tabBindingNames();

protected:
    QVTabBarButton(kit::Rect frame, kit::Ref<kit::Cell> cell);
    void scheduleUpdateIfSizingToFit();

private:
    struct HandBinding {
        kit::Weak<kit::Object> object;
        QString keyPath;
        kit::Dictionary options;
        bool bound = false;
    };
    void commonInit();
    HandBinding* handBinding(const QString& name);
    const HandBinding* handBinding(const QString& name) const;
    void applyBinding(const QString& name, const HandBinding& binding, kit::Object* object);

    kit::Rect stackingFrame_;
    kit::Ref<QVRolloverButton> closeButton_;
    kit::Ref<QVProgressIndicator> indicator_;
    std::array<HandBinding, 7> bindings_;
};
