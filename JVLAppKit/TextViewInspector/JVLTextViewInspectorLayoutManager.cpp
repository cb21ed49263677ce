#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorLayoutManager.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewTextAttachmentCell.h"

#include "kit/graphics/BezierPath.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/text/TextContainer.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorLayoutManager, kit::LayoutManager) { c.bundle(QStringLiteral("JVLAppKit")); }

void JVLTextViewInspectorLayoutManager::drawBackgroundForGlyphRangeAtPoint(Range glyphs, Point origin)
{
    const Ref<JVLTextViewInspector> inspector = firstTextView<JVLTextViewInspector>();
    const Rect clip = inspector ? inspector->selectedRect() : ZeroRect;
    // The zero rectangle clips everything: no highlight while nothing is edited.
    if (IsEmptyRect(clip))
        return;
    GraphicsContext::saveCurrentGraphicsState();
    BezierPath::clipRect(clip);
    LayoutManager::drawBackgroundForGlyphRangeAtPoint(glyphs, origin);
    GraphicsContext::restoreCurrentGraphicsState();
}

void JVLTextViewInspectorLayoutManager::showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t characterIndex)
{
    LayoutManager::showAttachmentCellInRectCharacterIndex(cell, rect, characterIndex);
    auto* hosting = dynamic_cast<JVLTextViewInspectorViewTextAttachmentCell*>(cell);
    if (!hosting || !hosting->view())
        return;
    const Ref<View> view = hosting->view();
    // The rect is flipped with its origin at the cell's bottom edge: (x, y − height) is its top-left.
    if (hosting->viewShouldNotShowAtAttachmentPosition()) {
        const Ref<TextView> first = firstTextView();
        const double padding = first && first->textContainer() ? first->textContainer()->lineFragmentPadding() : 0;
        const double lift = hosting->labelFont() ? hosting->labelFont()->pointSize() : 0;
        view->setFrameOrigin(MakePoint(padding, rect.minY() - lift));
    } else {
        view->setFrameOrigin(MakePoint(rect.minX(), rect.minY() - rect.height()));
    }
    view->setHidden(false);
}
