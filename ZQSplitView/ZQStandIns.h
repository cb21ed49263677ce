#pragma once

// LOCAL SHIMS, to be replaced by the kit's own coding when it comes: kit::View and kit::Color do
// not adopt kit::Coding yet, so a pane archives the plain view settings it needs (frame, hidden
// state, autoresizing, archivable subviews) and the split view its background colour's
// components through these. Nothing outside ZQSplitView/ uses them.

#include "kit/appkit/View.h"
#include "kit/foundation/Coder.h"
#include "kit/graphics/Color.h"

namespace ZQCodingStandIn {

// The plain view's part of an archive, with `frame` written in place of the view's own.
void encodeViewWithFrame(const kit::View& view, kit::Coder& coder, kit::Rect frame);
// Reads what encodeViewWithFrame wrote through the plain view setters (no subclass reacts).
void decodeView(kit::View& view, kit::Coder& coder);

// A colour as its sRGB components and alpha under `key`; nil writes nothing.
void encodeColorForKey(const kit::Color* colour, kit::Coder& coder, const QString& key);
kit::Ref<kit::Color> decodeColorForKey(kit::Coder& coder, const QString& key);

} // namespace ZQCodingStandIn
