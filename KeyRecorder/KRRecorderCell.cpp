#include "KRRecorderCell.h"

#include "KRKeyCodeTransformer.h"
#include "KRSharedImageProvider.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Beep.h"
#include "kit/appkit/View.h"
#include "kit/appkit/Window.h"
#include "kit/core/Date.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/RunLoop.h"
#include "kit/foundation/UserDefaults.h"
#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/StringDrawing.h"

using namespace kit;

KIT_REGISTER_CLASS(KRRecorderCell, ActionCell)
{
    c.copyable();
    c.action("_transitionTick", &KRRecorderCell::transitionTick);
}

namespace {

const Selector krTickSelector("_transitionTick");
constexpr Size krButtonImageSize { 14, 14 };

bool krIsCancelKey(std::uint16_t code) { return code == 53 || code == 51 || code == 117; }

double krMaxX(const Rect& r) { return r.origin.x + r.size.width; }

void krFocusRingForFrame(Rect frame)
{
    DrawFocusRingAroundRoundedRect(frame, frame.size.height / 2, frame.size.height / 2);
}

} // namespace

KRRecorderCell::KRRecorderCell()
{
    setDefaults();
    NotificationCenter::defaultCenter()->addObserverSelectorNameObject(
        this, [this](Notification*) { createGradient(); }, SystemColorsDidChangeNotification, nullptr);
    createGradient();
    loadKeyCombo();
}

KRRecorderCell::~KRRecorderCell()
{
    RunLoop::cancelPreviousPerformRequestsWithTargetSelectorObject(this, krTickSelector, Value());
    if (hotKeyToken_)
        PopSymbolicHotKeyMode(*hotKeyToken_);
    NotificationCenter::defaultCenter()->removeObserver(this);
    if (auto view = controlView()) {
        if (removeTag_)
            view->removeTrackingRect(removeTag_);
        if (snapbackTag_)
            view->removeTrackingRect(snapbackTag_);
    }
}

void KRRecorderCell::setDefaults()
{
    validator_ = make<KRValidator>(this);
    recording_ = false;
    mouseInside_ = false;
    mouseDown_ = false;
    style_ = 0;
    animates_ = false;
    progress_ = 0;
    animatingNow_ = false;
    combo_ = {};
    hasKeyChars_ = false;
    allowedFlags_ = AllModifierBits;
    requiredFlags_ = 0;
    recordingFlags_ = 0;
    allowsKeyOnly_ = false;
    escapeKeysRecord_ = false;
    globalHotKeys_ = false;
}

void KRRecorderCell::copyTo(Object& copy) const
{
    ActionCell::copyTo(copy);
    auto& c = static_cast<KRRecorderCell&>(copy);
    // Not shared: the copy keeps the validator its constructor made (delegate: the copy), holds
    // no hot-key token and owns no tracking rectangles.
    c.autosaveName_ = autosaveName_;
    c.recording_ = recording_;
    c.mouseInside_ = mouseInside_;
    c.mouseDown_ = mouseDown_;
    c.style_ = style_;
    c.animates_ = animates_;
    c.comboJustChanged_ = comboJustChanged_;
    c.combo_ = combo_;
    c.hasKeyChars_ = hasKeyChars_;
    c.keyChars_ = keyChars_;
    c.keyCharsIgnoringModifiers_ = keyCharsIgnoringModifiers_;
    c.allowedFlags_ = allowedFlags_;
    c.requiredFlags_ = requiredFlags_;
    c.recordingFlags_ = recordingFlags_;
    c.allowsKeyOnly_ = allowsKeyOnly_;
    c.escapeKeysRecord_ = escapeKeysRecord_;
    c.delegate_ = delegate_;
    c.globalHotKeys_ = globalHotKeys_;
}

void KRRecorderCell::encodeWithCoder(Coder& coder) const
{
    ActionCell::encodeWithCoder(coder);
    coder.encodeObjectForKey(autosaveName_.isNull() ? Value() : Value(autosaveName_), QStringLiteral("autosaveName"));
    coder.encodeIntForKey(std::int16_t(combo_.code), QStringLiteral("keyComboCode"));
    coder.encodeObjectForKey(Value(std::int64_t(combo_.flags)), QStringLiteral("keyComboFlags"));
    coder.encodeObjectForKey(Value(std::int64_t(allowedFlags_)), QStringLiteral("allowedFlags"));
    coder.encodeObjectForKey(Value(std::int64_t(requiredFlags_)), QStringLiteral("requiredFlags"));
    if (hasKeyChars_) {
        coder.encodeObjectForKey(Value(keyChars_), QStringLiteral("keyChars"));
        coder.encodeObjectForKey(Value(keyCharsIgnoringModifiers_), QStringLiteral("keyCharsIgnoringModifiers"));
    }
    coder.encodeBoolForKey(allowsKeyOnly_, QStringLiteral("allowsKeyOnly"));
    coder.encodeBoolForKey(escapeKeysRecord_, QStringLiteral("escapeKeysRecord"));
    coder.encodeBoolForKey(animates_, QStringLiteral("isAnimating"));
    coder.encodeIntForKey(std::int16_t(style_), QStringLiteral("style"));
}

void KRRecorderCell::initWithCoder(Coder& coder)
{
    ActionCell::initWithCoder(coder);
    setDefaults();
    createGradient();
    const Value name = coder.decodeObjectForKey(QStringLiteral("autosaveName"));
    autosaveName_ = name.isString() ? name.string() : QString();
    combo_.code = coder.decodeObjectForKey(QStringLiteral("keyComboCode")).shortValue();
    combo_.flags = coder.decodeObjectForKey(QStringLiteral("keyComboFlags")).unsignedIntegerValue();
    if (coder.containsValueForKey(QStringLiteral("keyChars"))) {
        keyChars_ = coder.decodeStringForKey(QStringLiteral("keyChars"));
        keyCharsIgnoringModifiers_ = coder.decodeStringForKey(QStringLiteral("keyCharsIgnoringModifiers"));
        hasKeyChars_ = true;
    }
    allowedFlags_ = coder.decodeObjectForKey(QStringLiteral("allowedFlags")).unsignedIntegerValue();
    requiredFlags_ = coder.decodeObjectForKey(QStringLiteral("requiredFlags")).unsignedIntegerValue();
    allowsKeyOnly_ = coder.decodeBoolForKey(QStringLiteral("allowsKeyOnly"));
    escapeKeysRecord_ = coder.decodeBoolForKey(QStringLiteral("escapeKeysRecord"));
    animates_ = coder.decodeBoolForKey(QStringLiteral("isAnimating"));
    style_ = coder.decodeObjectForKey(QStringLiteral("style")).shortValue();
    allowedFlags_ |= FunctionKeyMask;
    loadKeyCombo();
}

// --- Settings ---

void KRRecorderCell::setStyle(int style) { style_ = style == 1 ? 1 : 0; }

void KRRecorderCell::setAllowsKeyOnlyEscapeKeysRecord(bool allowsKeyOnly, bool escapeKeysRecord)
{
    allowsKeyOnly_ = allowsKeyOnly;
    escapeKeysRecord_ = escapeKeysRecord;
}

void KRRecorderCell::setAllowedFlags(std::uint64_t flags)
{
    allowedFlags_ = flags;
    applyFlagRules();
}

void KRRecorderCell::applyFlagRules()
{
    if (recording_) {
        recordingFlags_ = filteredCocoaFlags(currentEventFlags());
    } else {
        const std::uint64_t filtered = filteredCocoaFlags(combo_.flags);
        if (filtered != combo_.flags && combo_.code >= 0) {
            combo_.flags = filtered;
            tellDelegateComboChanged();
            saveKeyCombo();
        }
    }
    redisplay();
}

void KRRecorderCell::setRequiredFlags(std::uint64_t flags)
{
    requiredFlags_ = flags;
    applyFlagRules();
}

void KRRecorderCell::setKeyCombo(KRKeyCombo combo)
{
    combo_ = { filteredCocoaFlags(combo.flags), combo.code };
    hasKeyChars_ = false;
    tellDelegateComboChanged();
    saveKeyCombo();
    redisplay();
}

bool KRRecorderCell::pressRemoveButton()
{
    if (recording_ || isEmpty() || !isEnabled())
        return false;
    setKeyCombo({ 0, -1 });
    return true;
}

QString KRRecorderCell::keyComboString() const
{
    if (isEmpty())
        return {};
    return KRGlyphsForCocoaModifiers(combo_.flags) + KRDisplayStringForKeyCode(std::int16_t(combo_.code));
}

QString KRRecorderCell::keyChars() const
{
    return hasKeyChars_ ? keyChars_ : KRDisplayStringForKeyCode(std::int16_t(combo_.code));
}

QString KRRecorderCell::keyCharsIgnoringModifiers() const
{
    return hasKeyChars_ ? keyCharsIgnoringModifiers_ : KRKeyCharacterWithCocoaModifiers(std::int16_t(combo_.code), combo_.flags);
}

// --- Flag rules ---

std::uint64_t KRRecorderCell::filteredCocoaFlags(std::uint64_t flags) const
{
    return ((flags & allowedFlags_) | requiredFlags_) & AllModifierBits;
}

bool KRRecorderCell::validModifierFlags(std::uint64_t flags) const { return allowsKeyOnly_ || (flags & AllModifierBits) != 0; }

bool KRRecorderCell::isEmpty() const
{
    return !validModifierFlags(combo_.flags) || KRDisplayStringForKeyCode(std::int16_t(combo_.code)).isNull() || combo_.code < 0;
}

std::uint64_t KRRecorderCell::currentEventFlags() const
{
    auto app = Application::sharedApplication();
    auto event = app ? app->currentEvent() : nullptr;
    return event ? event->modifierFlags() : 0;
}

// --- Delegate and validation ---

void KRRecorderCell::tellDelegateComboChanged()
{
    if (auto* d = dynamic_cast<KRRecorderCellDelegate*>(delegate_.lock().get()))
        d->keyRecorderCellKeyComboDidChange(this, combo_);
}

bool KRRecorderCell::shortcutValidatorIsKeyCodeAndFlagsTakenReason(KRValidator*, std::int64_t keyCode, std::uint64_t flags, QString* reason)
{
    auto delegate = delegate_.lock();
    auto* d = dynamic_cast<KRRecorderCellDelegate*>(delegate.get());
    return d && d->keyRecorderCellIsKeyCodeAndFlagsTakenReason(this, keyCode, flags, reason);
}

// --- Keys ---

bool KRRecorderCell::performKeyEquivalent(const Event& event)
{
    const std::uint64_t flags = filteredCocoaFlags(event.modifierFlags());
    const bool isCancelKey = krIsCancelKey(event.keyCode());
    const bool valid = validModifierFlags(isCancelKey ? event.modifierFlags() : flags);

    if (!recording_) {
        // A disabled recorder reached by Tab must not record.
        if (event.characters() == QStringLiteral(" ") && isEnabled()) {
            startRecordingTransition();
            return true;
        }
        auto view = controlView();
        auto window = view ? view->window() : nullptr;
        if (window && window->firstResponder().get() == view.get() && event.characters().startsWith(QLatin1Char(' ')) && isEnabled())
            startRecordingTransition();
        return false;
    }
    if (!valid && !isCancelKey)
        return false;

    const bool cancels = (isCancelKey && !valid)
        || (isCancelKey && (flags & ~FunctionKeyMask) == 0 && allowsKeyOnly_ && !escapeKeysRecord_);
    if (!cancels) {
        if (event.charactersIgnoringModifiers().toUpper().isEmpty()) {
            Beep();
        } else {
            Ref<Error> error;
            if (validator_->isKeyCodeAndFlagsTakenError(event.keyCode(), KRCarbonModifiersFromCocoa(flags), &error)) {
                auto alert = error ? KRAdditions::alertWithNonRecoverableError(*error) : make<Alert>();
                alert->setAlertStyle(CriticalAlertStyle);
                alert->runModal();
                // The alert took the modifiers' key-ups: what the keyboard holds now, not the
                // flags of the refused key.
                recordingFlags_ = filteredCocoaFlags(Event::currentModifierFlags());
                redisplay();
                return true;
            }
            combo_ = { flags, std::int64_t(event.keyCode()) };
            hasKeyChars_ = true;
            keyChars_ = event.characters();
            keyCharsIgnoringModifiers_ = event.charactersIgnoringModifiers();
            tellDelegateComboChanged();
            saveKeyCombo();
            comboJustChanged_ = true;
        }
    }
    recordingFlags_ = 0;
    endRecordingTransition();
    resetTrackingRects();
    redisplay();
    return true;
}

void KRRecorderCell::flagsChanged(const Event& event)
{
    if (!recording_)
        return;
    recordingFlags_ = filteredCocoaFlags(event.modifierFlags());
    redisplay();
}

// --- Transition ---

void KRRecorderCell::startRecordingTransition() { beginTransition(true); }

void KRRecorderCell::endRecordingTransition() { beginTransition(false); }

void KRRecorderCell::beginTransition(bool towardsRecording)
{
    if (!animates_ || !styleSupportsAnimation(style_)) {
        if (towardsRecording)
            startRecording();
        else
            endRecording();
        return;
    }
    towardsRecording_ = towardsRecording;
    animatingNow_ = true;
    progress_ = 0;
    scheduleTick();
}

void KRRecorderCell::scheduleTick()
{
    RunLoop::cancelPreviousPerformRequestsWithTargetSelectorObject(this, krTickSelector, Value());
    RunLoop::performSelectorWithObjectAfterDelayInModes(this, krTickSelector, Value(), TickInterval, { DefaultRunLoopMode });
}

void KRRecorderCell::transitionTick()
{
    progress_ += TickStep;
    if (progress_ < 0.998) {
        redisplay();
        scheduleTick();
        return;
    }
    animatingNow_ = false;
    progress_ = 0;
    if (towardsRecording_)
        startRecording();
    else
        endRecording();
}

void KRRecorderCell::startRecording()
{
    recording_ = true;
    recordingFlags_ = filteredCocoaFlags(0);
    redisplay();
    redisplayFocusRing();
    if (globalHotKeys_ && !hotKeyToken_)
        hotKeyToken_ = PushSymbolicHotKeyMode(SymbolicHotKeyMode::AllDisabled);
}

void KRRecorderCell::endRecording()
{
    recording_ = false;
    comboJustChanged_ = false;
    redisplay();
    redisplayFocusRing();
    // Whatever the setting says now: a held token is always given back.
    if (hotKeyToken_) {
        PopSymbolicHotKeyMode(*hotKeyToken_);
        hotKeyToken_.reset();
    }
}

bool KRRecorderCell::becomeFirstResponder()
{
    resetTrackingRects();
    redisplay();
    return true;
}

bool KRRecorderCell::resignFirstResponder()
{
    // An entering transition turns round too, or the cell would record without focus.
    if (recording_ || (animatingNow_ && towardsRecording_))
        endRecordingTransition();
    resetTrackingRects();
    redisplay();
    return true;
}

// --- Mouse ---

Rect KRRecorderCell::removeButtonRectForFrame(Rect frame) const
{
    if (isEmpty() || !isEnabled())
        return ZeroRect;
    return { { krMaxX(frame) - krButtonImageSize.width - 4, (frame.origin.y + frame.size.height - krButtonImageSize.height) * 0.5 },
        krButtonImageSize };
}

Rect KRRecorderCell::snapbackRectForFrame(Rect frame) const
{
    return { { krMaxX(frame) - krButtonImageSize.width - 2, (frame.origin.y + frame.size.height - krButtonImageSize.height) * 0.5 + 1 },
        krButtonImageSize };
}

bool KRRecorderCell::trackMouseInRectOfViewUntilMouseUp(const Event& event, Rect cellFrame, View* controlView, bool)
{
    const Rect button = recording_ ? snapbackRectForFrame(cellFrame) : removeButtonRectForFrame(cellFrame);
    Rect field = cellFrame;
    if (button != ZeroRect)
        field.size.width -= button.size.width + 4;

    Ref<Event> next;
    const Event* current = &event;
    Point location;
    for (;;) {
        location = controlView->convertPointFromView(current->locationInWindow(), nullptr);
        if (current->type() == LeftMouseDown) {
            if (PointInRect(location, button)) {
                mouseDown_ = true;
                controlView->setNeedsDisplayInRect(cellFrame);
            }
        } else if (current->type() == LeftMouseDragged) {
            mouseInside_ = PointInRect(location, button);
            controlView->setNeedsDisplayInRect(cellFrame);
        } else {
            break;
        }
        auto window = controlView->window();
        next = window ? window->nextEventMatchingMaskUntilDateInModeDequeue(
                            LeftMouseUpMask | LeftMouseDraggedMask, Date::distantFuture(), EventTrackingRunLoopMode, true)
                      : nullptr;
        if (!next)
            return true;
        current = next.get();
    }

    mouseDown_ = false;
    const bool inButton = PointInRect(location, button);
    mouseInside_ = inButton;
    if (!inButton && PointInRect(location, field) && !recording_ && isEnabled())
        startRecordingTransition();
    else if (inButton && recording_)
        endRecordingTransition();
    else if (inButton && !recording_)
        pressRemoveButton();

    if (isEnabled())
        if (auto window = controlView->window())
            window->makeFirstResponder(controlView);
    resetTrackingRects();
    controlView->setNeedsDisplayInRect(cellFrame);
    return true;
}

void KRRecorderCell::resetTrackingRects()
{
    auto view = controlView();
    const Rect bounds = view ? view->bounds() : ZeroRect;
    if (!isEnabled()) {
        if (view && removeTag_)
            view->removeTrackingRect(removeTag_);
        if (view && snapbackTag_)
            view->removeTrackingRect(snapbackTag_);
        removeTag_ = snapbackTag_ = 0;
        return;
    }
    if (!view)
        return;
    const Rect rect = recording_ ? snapbackRectForFrame(bounds) : removeButtonRectForFrame(bounds);
    auto app = Application::sharedApplication();
    auto event = app ? app->currentEvent() : nullptr;
    const bool inside = event && PointInRect(view->convertPointFromView(event->locationInWindow(), nullptr), rect);
    std::int64_t& tag = recording_ ? snapbackTag_ : removeTag_;
    if (tag)
        view->removeTrackingRect(tag);
    tag = view->addTrackingRectOwnerUserDataAssumeInside(rect, this, nullptr, inside);
    mouseInside_ = inside;
}

void KRRecorderCell::mouseEntered(const Event& event) { setMouseInsideFromEvent(true, event); }

void KRRecorderCell::mouseExited(const Event& event) { setMouseInsideFromEvent(false, event); }

void KRRecorderCell::setMouseInsideFromEvent(bool inside, const Event& event)
{
    auto view = controlView();
    auto window = view ? view->window() : nullptr;
    if (!view || !((window && window->isKeyWindow()) || view->acceptsFirstMouse(&event)))
        return;
    mouseInside_ = inside;
    view->display();
}

// --- Autosave ---

void KRRecorderCell::saveKeyCombo()
{
    if (autosaveName_.isEmpty())
        return;
    Dictionary record;
    record.setObjectForKey(Value(std::int64_t(std::int16_t(combo_.code))), QStringLiteral("keyCode"));
    record.setObjectForKey(Value(std::int64_t(combo_.flags)), QStringLiteral("modifierFlags"));
    record.setObjectForKey(Value(std::int64_t(KRCarbonModifiersFromCocoa(combo_.flags))), QStringLiteral("modifiers"));
    if (hasKeyChars_) {
        record.setObjectForKey(Value(keyChars_), QStringLiteral("keyChars"));
        record.setObjectForKey(Value(keyCharsIgnoringModifiers_), QStringLiteral("keyCharsIgnoringModifiers"));
    }
    UserDefaultsController::sharedUserDefaultsController()->values()->setValueForKey(
        Value(record), QStringLiteral("KeyRecorder %1").arg(autosaveName_));
}

void KRRecorderCell::loadKeyCombo()
{
    if (autosaveName_.isEmpty())
        return;
    const Value stored = UserDefaultsController::sharedUserDefaultsController()->values()->valueForKey(QStringLiteral("KeyRecorder %1").arg(autosaveName_));
    // No record: the decoded or default combination stays.
    if (!stored.isDictionary())
        return;
    const Dictionary& record = stored.dictionary();
    const std::int16_t code = record.objectForKey(QStringLiteral("keyCode")).shortValue();
    std::uint64_t flags = 0;
    if (const Value f = record.objectForKey(QStringLiteral("modifierFlags")); !f.isNilOrNull())
        flags = f.unsignedIntegerValue();
    else if (const Value m = record.objectForKey(QStringLiteral("modifiers")); !m.isNilOrNull())
        flags = KRCocoaModifiersFromCarbon(m.unsignedIntValue());
    combo_ = { filteredCocoaFlags(flags), code };
    hasKeyChars_ = record.containsKey(QStringLiteral("keyChars"));
    if (hasKeyChars_) {
        keyChars_ = record.objectForKey(QStringLiteral("keyChars")).stringValue();
        keyCharsIgnoringModifiers_ = record.objectForKey(QStringLiteral("keyCharsIgnoringModifiers")).stringValue();
    }
    tellDelegateComboChanged();
    redisplay();
}

// --- Drawing ---

void KRRecorderCell::redisplay()
{
    if (auto view = controlView())
        view->setNeedsDisplay(true);
    accessibilityValueChanged();
    tellNews();
}

void KRRecorderCell::redisplayFocusRing()
{
    if (auto view = controlView())
        view->setKeyboardFocusRingNeedsDisplayInRect(view->bounds());
}

void KRRecorderCell::createGradient()
{
    auto base = Color::alternateSelectedControlColor();
    recordingGradient_ = Gradient::gradientWithStartingColorEndingColor(
        base->shadowWithLevel(0.2)->colorWithAlphaComponent(0.9), base->highlightWithLevel(0.2)->colorWithAlphaComponent(0.9));
}

QString KRRecorderCell::labelString() const { return recording_ ? recordingLabelString() : idleLabelString(); }

QString KRRecorderCell::idleLabelString() const
{
    return isEmpty() ? KRLocalizedString(QStringLiteral("Click to record shortcut")) : keyComboString();
}

QString KRRecorderCell::recordingLabelString() const
{
    if (validModifierFlags(recordingFlags_)) {
        const QString glyphs = KRGlyphsForCocoaModifiers(recordingFlags_);
        return glyphs.isEmpty() ? KRLocalizedString(QStringLiteral("Type shortcut")) : glyphs;
    }
    return mouseInside_ ? KRLocalizedString(QStringLiteral("Use old shortcut")) : KRLocalizedString(QStringLiteral("Type shortcut"));
}

QString KRRecorderCell::spokenLabelString() const
{
    if (!recording_)
        return isEmpty() ? QString() : KRSpokenComboForCocoaModifiers(combo_.flags, std::int16_t(combo_.code));
    const QString held = validModifierFlags(recordingFlags_) ? KRSpokenComboForCocoaModifiers(recordingFlags_, -1) : QString();
    return held.isEmpty() ? recordingLabelString() : held;
}

QString KRRecorderCell::removeImageName() const
{
    if (mouseInside_ && mouseDown_)
        return QStringLiteral("KRRemoveShortcutPressed");
    if (mouseInside_ || mouseDown_)
        return QStringLiteral("KRRemoveShortcutRollover");
    return QStringLiteral("KRRemoveShortcut");
}

void KRRecorderCell::drawLabel(const QString& text, Rect rect, bool dim, double alpha, bool centreInFrame) const
{
    StringAttributes attributes;
    auto paragraph = make<ParagraphStyle>();
    paragraph->setLineBreakMode(LineBreakByTruncatingTail);
    paragraph->setAlignment(CenterTextAlignment);
    attributes.paragraphStyle = paragraph;
    attributes.font = Font::systemFontOfSize(dim ? Font::labelFontSize() : Font::smallSystemFontSize());
    attributes.foregroundColor = (dim ? Color::disabledControlTextColor() : Color::blackColor())->colorWithAlphaComponent(alpha);
    if (centreInFrame) {
        const double textHeight = StringDrawing::sizeWithAttributes(text, attributes).height;
        rect.origin.y = textHeight / 2 - (rect.origin.y + rect.size.height / 2);
    }
    StringDrawing::drawInRectWithAttributes(text, rect, attributes);
}

void KRRecorderCell::drawWithFrameInView(Rect cellFrame, View* controlView)
{
    if (style_ == 1)
        drawStyle1(cellFrame, controlView);
    else
        drawStyle0(cellFrame, controlView);
}

void KRRecorderCell::drawStyle0(Rect frame, View* view)
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const double x = frame.origin.x, y = frame.origin.y, w = frame.size.width, h = frame.size.height;
    Rect white = frame;
    if (recording_) {
        context->saveGraphicsState();
        BezierPath::bezierPathWithRoundedRectXRadiusYRadius(frame, h / 2, h / 2)->addClip();
        recordingGradient_->drawInRectAngle(frame, 90);
        const Rect snap = snapbackRectForFrame(frame);
        if (mouseInside_) {
            Color::colorWithCalibratedWhiteAlpha(0, mouseDown_ ? 0.4 : 0.2)->setFill();
            BezierPath::bezierPathWithRoundedRectXRadiusYRadius(snap, snap.size.height / 2, snap.size.height / 2)->fill();
        }
        KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRSnapback"))
            ->drawAtPointFromRectOperationFraction(snap.origin, ZeroRect, CompositeSourceOver, 1);
        context->restoreGraphicsState();
        white = { { x + 2, y + 2 }, { w - 19, h - 4 } };
    }
    context->saveGraphicsState();
    auto field = BezierPath::bezierPathWithRoundedRectXRadiusYRadius(white, white.size.height / 2, white.size.height / 2);
    field->addClip();
    Color::whiteColor()->setFill();
    RectFill(white);
    if (!recording_) {
        Color::windowFrameColor()->setStroke();
        field->stroke();
        if (!isEmpty() && isEnabled())
            KRSharedImageProvider::supportingImageWithName(removeImageName())
                ->drawAtPointFromRectOperationFraction(removeButtonRectForFrame(frame).origin, ZeroRect, CompositeSourceOver, 1);
    }
    context->restoreGraphicsState();

    const bool idleEmpty = !recording_ && isEmpty();
    const Rect button = recording_ ? snapbackRectForFrame(frame) : removeButtonRectForFrame(frame);
    const Rect labelRect { { x + 6, y }, { idleEmpty ? w - 12 : w - 12 - button.size.width, h } };
    drawLabel(labelString(), labelRect, recording_ || idleEmpty, 1, true);

    auto window = view ? view->window() : nullptr;
    if (window && window->firstResponder().get() == view)
        krFocusRingForFrame(frame);
}

void KRRecorderCell::drawStyle1(Rect cellFrame, View* view)
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    const Rect frame = InsetRect(cellFrame, 0.5, 0.5);
    const double h = frame.size.height;
    const double p = animatingNow_ ? KRTransitionEase(progress_) : 0;
    double recordingAlpha = 1, idleAlpha = 1;
    if (animatingNow_) {
        recordingAlpha = towardsRecording_ ? p : 1 - p;
        idleAlpha = towardsRecording_ ? 1 - p : p;
    }
    const bool drawsRecording = recording_ || (animatingNow_ && towardsRecording_);
    AffineTransform slide;
    if (drawsRecording)
        slide.translateXByYBy(0, !animatingNow_ ? h : h * (towardsRecording_ ? p : 1 - p));

    context->saveGraphicsState();
    auto outline = BezierPath::bezierPathWithRoundedRectXRadiusYRadius(frame, h / 2, h / 2);
    Color::whiteColor()->setFill();
    outline->fill();
    Color::windowFrameColor()->setStroke();
    outline->stroke();
    outline->addClip();

    if (drawsRecording) {
        const Rect s = OffsetRect(snapbackRectForFrame(frame), 0, -h);
        const Point boxOrigin = slide.transformPoint({ s.origin.x - 1.5, s.origin.y - 5 });
        const Rect box { boxOrigin, { s.size.width * 1.3, h } };
        auto boxPath = BezierPath::bezierPathWithRect(box);
        Color::windowFrameColor()->shadowWithLevel(0.2)->colorWithAlphaComponent(recordingAlpha)->setStroke();
        boxPath->stroke();
        const bool pressed = mouseDown_ && mouseInside_;
        auto fill = Gradient::gradientWithStartingColorEndingColor(
            Color::colorWithCalibratedWhiteAlpha(pressed ? 0.6 : 0.75, recordingAlpha), Color::colorWithCalibratedWhiteAlpha(pressed ? 0.75 : 0.9, recordingAlpha));
        const double half = boxPath->lineWidth() / 2;
        fill->drawInRectAngle(InsetRect(box, -half, -half), 90);
        const Point arrow = slide.transformPoint(s.origin);
        KRSharedImageProvider::supportingImageWithName(QStringLiteral("KRSnapback"))
            ->drawAtPointFromRectOperationFraction({ arrow.x - 0.5, arrow.y }, ZeroRect, CompositeSourceOver, recordingAlpha);
    }
    if (!isEmpty() && isEnabled())
        KRSharedImageProvider::supportingImageWithName(removeImageName())
            ->drawAtPointFromRectOperationFraction(slide.transformPoint(removeButtonRectForFrame(frame).origin), ZeroRect, CompositeSourceOver, idleAlpha);

    if (comboJustChanged_) {
        recordingAlpha = 0;
        idleAlpha = 1;
    }
    if (drawsRecording) {
        Rect r = OffsetRect(frame, 0, -h);
        r.origin.y -= 3;
        r.origin = slide.transformPoint(r.origin);
        drawLabel(recordingLabelString(), r, true, recordingAlpha, false);
    }
    Rect idle = frame;
    if (!comboJustChanged_)
        idle.origin = slide.transformPoint(idle.origin);
    idle.origin.y -= 3;
    drawLabel(idleLabelString(), idle, isEmpty(), idleAlpha, false);
    context->restoreGraphicsState();

    auto window = view ? view->window() : nullptr;
    if (window && window->firstResponder().get() == view)
        krFocusRingForFrame(frame);
}
