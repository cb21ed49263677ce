#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTypesetter.h"

#include "JVLAppKit/TextViewInspector/JVLTextViewInspector.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"

#include "kit/text/LayoutManager.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLTextViewInspectorTypesetter, kit::Typesetter) { c.bundle(QStringLiteral("JVLAppKit")); }

void JVLTextViewInspectorTypesetter::willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(
    Rect& lineRect, Range glyphRange, Rect& usedRect, double&)
{
    const Ref<LayoutManager> manager = layoutManager();
    const Ref<JVLTextViewInspector> inspector = manager ? manager->firstTextView<JVLTextViewInspector>() : nullptr;
    if (!inspector || glyphRange.length == 0)
        return;
    const Ref<JVLTextViewInspectorField> field = inspector->fieldAtIndex(manager->characterIndexForGlyphAtIndex(glyphRange.location));
    if (!field)
        return;
    const JVLTextViewInspector::Fields& visible = inspector->visibleFieldsArray();
    const std::int64_t i = inspector->visibleIndexOfField(field.get());
    if (i != NotFound && i > 0) {
        JVLTextViewInspectorField* reference = visible[std::size_t(i - 1)].get();
        if (const Ref<JVLTextViewInspectorCompoundField> compound = reference->compoundField(); compound && !field->isSubFieldOf(compound.get()))
            reference = compound.get();
        for (std::int64_t earlier = i - 2; reference->suppressMinimumHeight() && earlier >= 0; --earlier)
            reference = visible[std::size_t(earlier)].get();
        if (reference->minimumHeight() != 0 && !field->suppressMinimumHeight()) {
            const double y = double(float(reference->lineFragmentRect().minY() + reference->minimumHeight()));
            if (y > lineRect.minY()) {
                lineRect.origin.y = y;
                usedRect.origin.y = y;
            }
        }
    }
    if (field->insetValue() > 0)
        lineRect.origin.x += field->insetValue();
    field->setLineFragmentRect(lineRect);
}
