// Keyed coding of panes and split views, so that interface files can hold them. A collapsed pane
// is archived with a marked frame (origin moved right by 1000000, its last size within limits) and
// comes back collapsed with that size remembered. The background colour is a kit::Color; archives
// written before colours were archivable hold it as four sRGB numbers, which are still read.

#include "ZQSplitView/ZQSplitView.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/ImageRep.h"

using kit::Rect;
using kit::Ref;

namespace {

constexpr double collapsedMark = 1000000.0;

const QString frameKey = QStringLiteral("frame");

const QString identifierKey = QStringLiteral("identifier");
const QString tagKey = QStringLiteral("tag");
const QString minDimensionKey = QStringLiteral("minDimension");
const QString maxDimensionKey = QStringLiteral("maxDimension");
const QString fractionKey = QStringLiteral("fraction");
const QString canCollapseKey = QStringLiteral("canCollapse");

const QString delegateKey = QStringLiteral("delegate");
const QString autosaveNameKey = QStringLiteral("autosaveName");
const QString dividerKey = QStringLiteral("divider");
const QString backgroundKey = QStringLiteral("background");
const QString dividerThicknessKey = QStringLiteral("dividerThickness");
const QString isHorizontalKey = QStringLiteral("isHorizontal");
const QString isCoupledKey = QStringLiteral("isCoupled");

// A kit::Color, or the older form: [red, green, blue, alpha] in sRGB.
Ref<kit::Color> decodeBackground(kit::Coder& coder)
{
    const kit::Value value = coder.decodeObjectForKey(backgroundKey);
    if (!value.isArray())
        return value.objectAs<kit::Color>();
    const kit::Array& parts = value.array();
    if (parts.count() != 4)
        return nullptr;
    double c[4] = {};
    for (std::int64_t i = 0; i < 4; ++i) {
        if (!parts[i].isNumber())
            return nullptr;
        c[i] = parts[i].doubleValue();
    }
    return kit::Color::colorWithSRGBRedGreenBlueAlpha(c[0], c[1], c[2], c[3]);
}

} // namespace

// Panes ------------------------------------------------------------------------------------------

void ZQSplitSubview::encodeWithCoder(kit::Coder& coder) const
{
    kit::View::encodeWithCoder(coder);
    if (isCollapsed()) {
        // The marked frame takes the place of the one the view part wrote.
        Rect archived = frame();
        archived.origin.x += collapsedMark;
        archived.size = savedSize_;
        coder.encodeRectForKey(archived, frameKey);
    }
    coder.encodeObjectForKey(kit::Value(identifier_), identifierKey);
    coder.encodeIntegerForKey(tag_, tagKey);
    coder.encodeDoubleForKey(minDimension_, minDimensionKey);
    coder.encodeDoubleForKey(maxDimension_, maxDimensionKey);
    coder.encodeDoubleForKey(fraction_, fractionKey);
    coder.encodeBoolForKey(canCollapse_, canCollapseKey);
}

void ZQSplitSubview::initWithCoder(kit::Coder& coder)
{
    kit::View::initWithCoder(coder);
    Rect frame = this->frame();
    savedSize_ = frame.size;
    previous_ = kit::ZeroRect;
    actDivider_ = ZQNotFound;
    canDragWindow_ = false;
    notInLimits_ = false;
    if (frame.origin.x >= collapsedMark) {
        frame.origin.x -= collapsedMark;
        decodedCollapsedFrame_ = frame;
        applyDecodedCollapse();
    }
    // Stored as archived: the limits were sound when they were written.
    setIdentifier(coder.decodeObjectForKey(identifierKey).string());
    tag_ = coder.decodeIntegerForKey(tagKey);
    minDimension_ = coder.decodeDoubleForKey(minDimensionKey);
    maxDimension_ = coder.decodeDoubleForKey(maxDimensionKey);
    fraction_ = coder.decodeDoubleForKey(fractionKey);
    canCollapse_ = coder.decodeBoolForKey(canCollapseKey);
}

void ZQSplitSubview::applyDecodedCollapse()
{
    if (!decodedCollapsedFrame_)
        return;
    Rect frame = *decodedCollapsedFrame_;
    setAxis(frame.size, splitViewIsHorizontal(), 0);
    kit::View::setFrameOrigin(frame.origin);
    kit::View::setFrameSize(frame.size);
}

// Split views ------------------------------------------------------------------------------------

void ZQSplitView::encodeWithCoder(kit::Coder& coder) const
{
    ZQSplitSubview::encodeWithCoder(coder);
    coder.encodeConditionalObjectForKey(delegate_.lock().get(), delegateKey);
    coder.encodeObjectForKey(kit::Value(autosaveName_), autosaveNameKey);
    if (divider_)
        coder.encodeObjectForKey(kit::Value(divider_->TIFFRepresentation()), dividerKey);
    coder.encodeObjectForKey(kit::Value(background_), backgroundKey);
    coder.encodeDoubleForKey(dividerThickness_, dividerThicknessKey);
    coder.encodeBoolForKey(isHorizontal_, isHorizontalKey);
    coder.encodeBoolForKey(isCoupled_, isCoupledKey);
}

void ZQSplitView::initWithCoder(kit::Coder& coder)
{
    ZQSplitSubview::initWithCoder(coder);
    isCoupled_ = true;
    isDragging_ = isInScrollView_ = canSaveState_ = false;
    if (coder.containsValueForKey(isCoupledKey))
        isCoupled_ = coder.decodeBoolForKey(isCoupledKey);
    setDelegate(coder.decodeObjectForKey(delegateKey).object().get());
    setAutosaveNameRecursively(coder.decodeObjectForKey(autosaveNameKey).string(), false);
    const QByteArray tiff = coder.decodeObjectForKey(dividerKey).data();
    setBackground(decodeBackground(coder));
    const double thickness = coder.decodeDoubleForKey(dividerThicknessKey);
    isHorizontal_ = coder.decodeBoolForKey(isHorizontalKey);

    dividers_.clear();
    Ref<kit::Image> image;
    if (const Ref<kit::BitmapImageRep> rep = tiff.isEmpty() ? nullptr : kit::BitmapImageRep::imageRepWithData(tiff)) {
        image = kit::make<kit::Image>(rep->size());
        image->addRepresentation(rep);
        image->setFlipped(true);
    }
    setDivider(image);
    setDividerThickness(thickness);
    setMustAdjust();
    collapseDecodedPanes();

    // The scroll-view test and the first layout wait until the whole interface file is loaded.
    kit::RunLoop::main().performAfterDelay(kit::PerformRequest::make(this, QStringLiteral("finishDecoding"), 0,
                                               [](kit::Object& target, int) { static_cast<ZQSplitView&>(target).finishDecoding(); }),
        0);
}

void ZQSplitView::collapseDecodedPanes()
{
    for (const Ref<kit::View>& v : subviews())
        if (auto* pane = dynamic_cast<ZQSplitSubview*>(v.get())) {
            pane->applyDecodedCollapse();
            if (ZQSplitView* inner = pane->asSplitView())
                inner->collapseDecodedPanes();
        }
}

void ZQSplitView::finishDecoding()
{
    // Every split view above a pane has applied its collapse by now.
    forgetDecodedCollapse();
    for (const Ref<kit::View>& v : subviews())
        if (auto* pane = dynamic_cast<ZQSplitSubview*>(v.get()))
            pane->forgetDecodedCollapse();
    viewDidMoveToSuperview();
    adjustOutermostIfNeeded();
}
