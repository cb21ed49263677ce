#include "kit/text/Typesetter.h"

#include "kit/text/LayoutManager.h"

#include <typeinfo>

namespace kit {

KIT_REGISTER_CLASS(Typesetter, Object) { }

void Typesetter::willSetLineFragmentRectForGlyphRangeUsedRectBaselineOffset(Rect&, Range, Rect&, double&) { }

Ref<LayoutManager> Typesetter::layoutManager() const { return layoutManager_.lock(); }

void Typesetter::setLayoutManager(LayoutManager* manager) { layoutManager_ = manager; }

bool Typesetter::hasDefaultLineHook() const { return typeid(*this) == typeid(Typesetter); }

} // namespace kit
