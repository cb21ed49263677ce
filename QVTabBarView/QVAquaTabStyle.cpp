#include "QVTabBarView/QVAquaTabStyle.h"

#include "QVTabBarView/QVAttachedTabBarButton.h"
#include "QVTabBarView/QVOverflowPopUpButton.h"
#include "QVTabBarView/QVTabBarButtonCell.h"
#include "QVTabBarView/QVTabBarView.h"
#include "kit/graphics/GraphicsContext.h"

KIT_REGISTER_CLASS(QVAquaTabStyle, QVTabStyle)
{
    c.bundle("QVTabBarView");
    c.optionalOperations({ "leftMarginForTabBarView", "rightMarginForTabBarView", "topMarginForTabBarView", "closeButtonImageOfTypeForTabCell",
        "drawBezelOfTabBarViewInRect", "drawBezelOfTabCellWithFrameInView", "drawBezelOfOverflowButtonOfTabBarViewInRect" });
}

namespace {

enum QVAquaTile : std::size_t { QVAquaBackground, QVAquaDown, QVAquaDownGraphite, QVAquaDownNonKey, QVAquaDividerDown, QVAquaDivider };

const std::array<QString, 6>& qvAquaTileNames()
{
    static const std::array<QString, 6> names { QStringLiteral("AquaTabsBackground"), QStringLiteral("AquaTabsDown"),
        QStringLiteral("AquaTabsDownGraphite"), QStringLiteral("AquaTabsDownNonKey"), QStringLiteral("AquaTabsSeparatorDown"),
        QStringLiteral("AquaTabsSeparator") };
    return names;
}

const std::array<QString, 6>& qvAquaTileKeys()
{
    static const std::array<QString, 6> keys { QStringLiteral("aquaTabBg"), QStringLiteral("aquaTabBgDown"), QStringLiteral("aquaTabBgDownGraphite"),
        QStringLiteral("aquaTabBgDownNonKey"), QStringLiteral("aquaDividerDown"), QStringLiteral("aquaDivider") };
    return keys;
}

const std::array<QString, 6>& qvAquaCloseKeys()
{
    static const std::array<QString, 6> keys { QStringLiteral("aquaCloseButton"), QStringLiteral("aquaCloseButtonOver"),
        QStringLiteral("aquaCloseButtonDown"), QStringLiteral("aquaCloseDirtyButton"), QStringLiteral("aquaCloseDirtyButtonOver"),
        QStringLiteral("aquaCloseDirtyButtonDown") };
    return keys;
}

void qvAquaThreePart(kit::Rect frame, const kit::Ref<kit::Image>& start, const kit::Ref<kit::Image>& fill, const kit::Ref<kit::Image>& end,
    const kit::View* controlView)
{
    kit::DrawThreePartImage(frame, start.get(), fill.get(), end.get(), false, kit::CompositeSourceOver, 1, !(controlView && controlView->isFlipped()));
}

void qvAquaHoverFill(kit::Rect r)
{
    kit::GraphicsContext::saveCurrentGraphicsState();
    kit::Color::blackColor()->colorWithAlphaComponent(0.1)->set();
    kit::RectFillUsingOperation(r, kit::CompositeSourceAtop);
    kit::GraphicsContext::restoreCurrentGraphicsState();
}

} // namespace

QVAquaTabStyle::QVAquaTabStyle() { loadImages(); }

void QVAquaTabStyle::loadImages()
{
    for (std::size_t i = 0; i < tiles_.size(); ++i)
        tiles_[i] = QVTabBarView::bundleImage(qvAquaTileNames()[i]);
    // The tiles are flipped, the dividers not; the kit draws images upright either way.
    for (std::size_t i : { QVAquaBackground, QVAquaDown, QVAquaDownGraphite, QVAquaDownNonKey })
        if (tiles_[i])
            tiles_[i]->setFlipped(true);
    close_ = QVTabStyleSupport::aquaCloseImages();
}

double QVAquaTabStyle::leftMarginForTabBarView(QVTabBarView*) { return 0; }
double QVAquaTabStyle::rightMarginForTabBarView(QVTabBarView*) { return 0; }
double QVAquaTabStyle::topMarginForTabBarView(QVTabBarView*) { return 0; }

kit::Ref<kit::Image> QVAquaTabStyle::closeButtonImageOfTypeForTabCell(std::uint64_t type, QVTabBarButtonCell*)
{
    return QVTabStyleSupport::closeImageOfType(close_, type);
}

QString QVAquaTabStyle::selectedImageName(int cellTint, bool windowActive)
{
    int tint = cellTint == kit::DefaultControlTint ? int(kit::Color::currentControlTint()) : cellTint;
    if (!windowActive)
        tint = kit::ClearControlTint;
    if (tint == kit::ClearControlTint)
        return qvAquaTileNames()[QVAquaDownNonKey];
    return qvAquaTileNames()[tint == kit::GraphiteControlTint ? QVAquaDownGraphite : QVAquaDown];
}

kit::Ref<kit::Image> QVAquaTabStyle::selectedImageForCell(const QVTabBarButtonCell* cell, const QVTabBarView* view) const
{
    const QString name = selectedImageName(cell ? cell->controlTint() : int(kit::DefaultControlTint), view && view->isWindowActive());
    for (std::size_t i : { QVAquaDown, QVAquaDownGraphite, QVAquaDownNonKey })
        if (qvAquaTileNames()[i] == name)
            return tiles_[i];
    return nullptr;
}

void QVAquaTabStyle::drawBezelOfTabBarViewInRect(QVTabBarView* view, kit::Rect rect)
{
    // A taller rectangle (a vertical bar) has no background.
    if (!view || rect.size.height > 22 || !tiles_[QVAquaBackground])
        return;
    tiles_[QVAquaBackground]->drawInRectFromRectOperationFractionRespectFlippedHints(
        view->bounds(), kit::MakeRect(0, 0, 1, 22), kit::CompositeSourceOver, 1.0, false);
}

void QVAquaTabStyle::drawBezelOfTabCellWithFrameInView(QVTabBarButtonCell* cell, kit::Rect frame, kit::View* controlView)
{
    auto* button = dynamic_cast<QVAttachedTabBarButton*>(controlView);
    if (!cell || !button)
        return;
    const kit::Ref<kit::Image> left = button->shouldDisplayLeftDivider() ? tiles_[QVAquaDivider] : nullptr;
    const kit::Ref<kit::Image> right = button->shouldDisplayRightDivider() ? tiles_[QVAquaDivider] : nullptr;
    if (cell->state() != kit::OnState) {
        if (cell->mouseHovered())
            qvAquaHoverFill(frame);
        if (button->isOverflowButton())
            return;
        qvAquaThreePart(frame, left, nullptr, right, controlView);
        return;
    }
    qvAquaThreePart(frame, left, selectedImageForCell(cell, button->tabBarView().get()), right, controlView);
}

void QVAquaTabStyle::drawBezelOfOverflowButtonOfTabBarViewInRect(QVOverflowPopUpButton* button, QVTabBarView* view, kit::Rect)
{
    if (!button || !view)
        return;
    const kit::Ref<QVAttachedTabBarButton> last = view->lastAttachedButton();
    if (!last || last->isSliding())
        return;
    kit::Rect r = button->frame();
    r.size.width += 5;
    const kit::Ref<kit::Image> right = view->showAddTabButton() ? tiles_[QVAquaDivider] : nullptr;
    if (last->state() != kit::OnState) {
        if (last->mouseHovered())
            qvAquaHoverFill(r);
        qvAquaThreePart(r, nullptr, nullptr, right, view);
        return;
    }
    qvAquaThreePart(r, nullptr, selectedImageForCell(last->tabCell(), view), right, view);
}

void QVAquaTabStyle::encodeWithCoder(kit::Coder& coder) const
{
    QVTabStyleSupport::encodeImages(coder, tiles_, qvAquaTileKeys());
    QVTabStyleSupport::encodeImages(coder, close_, qvAquaCloseKeys());
}

void QVAquaTabStyle::initWithCoder(kit::Coder& coder)
{
    QVTabStyleSupport::decodeImages(coder, tiles_, qvAquaTileKeys());
    QVTabStyleSupport::decodeImages(coder, close_, qvAquaCloseKeys());
}
