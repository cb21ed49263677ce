#include "kit/text/TextView.h"

#include "kit/appkit/ClipView.h"
#include "kit/appkit/ScrollView.h"
#include "kit/appkit/Window.h"
#include "kit/core/Clock.h"
#include "kit/foundation/Timer.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Cursor.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/graphics/TokenChip.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <cmath>
#include <optional>

namespace kit {

namespace textview {

Ref<Font> KitFont(const QFont& font)
{
    const double size = font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() > 0 ? font.pointSizeF() : Font::systemFontSize();
    return Font::fromQFont(font, size);
}

QFont DefaultFont() { return Font::systemFontOfSize(Font::systemFontSize())->qFont(); }

} // namespace textview

KIT_REGISTER_CLASS(TextView, View)
{
    c.property("string", &TextView::string, &TextView::setString);
    c.property("editable", &TextView::isEditable, &TextView::setEditable);
    c.property("selectable", &TextView::isSelectable, &TextView::setSelectable);
    c.property("richText", &TextView::isRichText, &TextView::setRichText);
    c.property("drawsBackground", &TextView::drawsBackground, &TextView::setDrawsBackground);
    c.property(
        "delegate", [](const TextView& x) { return Value(x.delegate()); }, [](TextView& x, const Value& v) { x.setDelegate(v.object().get()); });
    c.action("insertNewline", &TextView::insertNewline);
    c.action("insertTab", &TextView::insertTab);
    c.action("insertBacktab", &TextView::insertBacktab);
    c.action("selectNextKeyView", &TextView::selectNextKeyView);
    c.action("selectPreviousKeyView", &TextView::selectPreviousKeyView);
    c.action("insertNewlineIgnoringFieldEditor", &TextView::insertNewlineIgnoringFieldEditor);
    c.action("deleteBackward", &TextView::deleteBackward);
    c.action("deleteForward", &TextView::deleteForward);
    c.action("deleteWordBackward", &TextView::deleteWordBackward);
    c.action("deleteWordForward", &TextView::deleteWordForward);
    c.action("moveLeft", &TextView::moveLeft);
    c.action("moveRight", &TextView::moveRight);
    c.action("moveUp", &TextView::moveUp);
    c.action("moveDown", &TextView::moveDown);
    c.action("moveWordLeft", &TextView::moveWordLeft);
    c.action("moveWordRight", &TextView::moveWordRight);
    c.action("moveToBeginningOfLine", &TextView::moveToBeginningOfLine);
    c.action("moveToEndOfLine", &TextView::moveToEndOfLine);
    c.action("moveToBeginningOfParagraph", &TextView::moveToBeginningOfParagraph);
    c.action("moveToEndOfParagraph", &TextView::moveToEndOfParagraph);
    c.action("moveToBeginningOfDocument", &TextView::moveToBeginningOfDocument);
    c.action("moveToEndOfDocument", &TextView::moveToEndOfDocument);
    c.action("pageUp", &TextView::pageUp);
    c.action("pageDown", &TextView::pageDown);
    c.action("moveLeftAndModifySelection", &TextView::moveLeftAndModifySelection);
    c.action("moveRightAndModifySelection", &TextView::moveRightAndModifySelection);
    c.action("moveUpAndModifySelection", &TextView::moveUpAndModifySelection);
    c.action("moveDownAndModifySelection", &TextView::moveDownAndModifySelection);
    c.action("moveWordLeftAndModifySelection", &TextView::moveWordLeftAndModifySelection);
    c.action("moveWordRightAndModifySelection", &TextView::moveWordRightAndModifySelection);
    c.action("moveToBeginningOfLineAndModifySelection", &TextView::moveToBeginningOfLineAndModifySelection);
    c.action("moveToEndOfLineAndModifySelection", &TextView::moveToEndOfLineAndModifySelection);
    c.action("moveToBeginningOfParagraphAndModifySelection", &TextView::moveToBeginningOfParagraphAndModifySelection);
    c.action("moveToEndOfParagraphAndModifySelection", &TextView::moveToEndOfParagraphAndModifySelection);
    c.action("moveToBeginningOfDocumentAndModifySelection", &TextView::moveToBeginningOfDocumentAndModifySelection);
    c.action("moveToEndOfDocumentAndModifySelection", &TextView::moveToEndOfDocumentAndModifySelection);
    c.action("pageUpAndModifySelection", &TextView::pageUpAndModifySelection);
    c.action("pageDownAndModifySelection", &TextView::pageDownAndModifySelection);
    c.action("selectAll", &TextView::selectAll);
    c.action("copy", &TextView::copy);
    c.action("cut", &TextView::cut);
    c.action("paste", &TextView::paste);
    c.action("cancelOperation", &TextView::cancelOperation);
    c.action("complete", &TextView::complete);

    // The window's field editor: one text view per window, made when first asked for.
    Window::setFieldEditorFactory([](Window*) {
        auto editor = make<TextView>(MakeRect(0, 0, 100, 20));
        editor->setFieldEditor(true);
        return Ref<Responder>(editor);
    });
}

TextView::TextView(Rect frame)
    : TextView(frame, nullptr)
{ }

TextView::TextView(Rect frame, Ref<TextContainer> container)
    : View(frame)
    , font_(textview::DefaultFont())
{
    setUpNetwork(std::move(container));
}

TextView::~TextView()
{
    if (blinkTimer_)
        blinkTimer_->invalidate();
    closeCompletions();
}

void TextView::setUpNetwork(Ref<TextContainer> container)
{
    if (!container) {
        container = make<TextContainer>(MakeSize(std::max(0.0, frame().width() - 2 * inset_.width), 1e7));
        container->setWidthTracksTextView(true);
        auto manager = make<LayoutManager>();
        manager->addTextContainer(container);
        auto storage = make<TextStorage>();
        storage->addLayoutManager(manager);
        storage_ = storage;
    } else if (const Ref<LayoutManager> manager = container->layoutManager()) {
        storage_ = manager->textStorage();
    }
    container_ = std::move(container);
    container_->setTextView(this);
}

void TextView::replaceTextContainer(Ref<TextContainer> container)
{
    if (!container || container == container_)
        return;
    container_->setTextViewClient(nullptr, nullptr);
    setUpNetwork(std::move(container));
    textLayoutDidInvalidate();
    setNeedsDisplay(true);
}

Ref<TextStorage> TextView::textStorage() const
{
    if (const Ref<LayoutManager> manager = layoutManager())
        if (Ref<TextStorage> storage = manager->textStorage())
            return storage;
    return storage_;
}

Ref<LayoutManager> TextView::layoutManager() const { return container_ ? container_->layoutManager() : nullptr; }

void TextView::setTextContainerInset(Size inset)
{
    inset_ = inset;
    if (container_ && container_->widthTracksTextView())
        container_->setContainerSize(MakeSize(std::max(0.0, frame().width() - 2 * inset_.width), container_->containerSize().height));
    updateFrameForText();
    setNeedsDisplay(true);
}

Point TextView::textContainerOrigin() const { return MakePoint(inset_.width - scrollX_, inset_.height); }

Point TextView::containerPoint(Point p) const
{
    const Point o = textContainerOrigin();
    return MakePoint(p.x - o.x, p.y - o.y);
}

Rect TextView::viewRect(Rect r) const
{
    const Point o = textContainerOrigin();
    return MakeRect(r.minX() + o.x, r.minY() + o.y, r.width(), r.height());
}

std::int64_t TextView::length() const
{
    const Ref<TextStorage> storage = textStorage();
    return storage ? storage->length() : 0;
}

QString TextView::string() const
{
    const Ref<TextStorage> storage = textStorage();
    return storage ? storage->string() : QString();
}

Dictionary TextView::defaultAttributes() const
{
    Dictionary attributes;
    attributes.setObjectForKey(Value(textview::KitFont(font_)), Value(FontAttributeName));
    if (textColor_)
        attributes.setObjectForKey(Value(textColor_), Value(ForegroundColorAttributeName));
    if (alignment_ != NaturalTextAlignment || fieldEditor_) {
        auto paragraph = make<ParagraphStyle>();
        paragraph->setAlignment(alignment_);
        // The field editor's one line never wraps, unless the session's lines do.
        if (fieldEditor_)
            paragraph->setLineBreakMode(wrapsLines_ ? LineBreakByWordWrapping : LineBreakByClipping);
        // Wrapped chips keep the gap the token field's cell leaves between its lines.
        if (wrapsLines_ && tokenizing_)
            paragraph->setLineSpacing(TokenChipSpacing);
        attributes.setObjectForKey(Value(Ref<Object>(paragraph)), Value(ParagraphStyleAttributeName));
    }
    return attributes;
}

Dictionary TextView::attributesForInsertion() const
{
    const Ref<TextStorage> storage = textStorage();
    const std::int64_t n = length();
    if (!storage || n == 0)
        return defaultAttributes();
    // The character before the caret, else the first one.
    const std::int64_t at = selected_.location > 0 ? std::min(selected_.location, n) - 1 : 0;
    return storage->attributesAtIndexEffectiveRange(at, nullptr);
}

void TextView::setString(const QString& string)
{
    const Ref<TextStorage> storage = textStorage();
    if (!storage)
        return;
    const Ref<TextView> keep(this);
    Dictionary attributes = typingAttributes();
    if (attributes.isEmpty())
        attributes = defaultAttributes();
    ++userEditDepth_;
    storage->replaceCharactersInRangeWithAttributedString({ 0, length() }, AttributedString(string, attributes));
    --userEditDepth_;
    setSelectedRange({ length(), 0 });
    updateFrameForText();
    setNeedsDisplay(true);
}

void TextView::replaceCharactersInRangeWithString(Range range, const QString& string)
{
    if (const Ref<TextStorage> storage = textStorage())
        storage->replaceCharactersInRangeWithString(range, string);
}

void TextView::setFont(const QFont& font)
{
    font_ = font;
    if (const Ref<TextStorage> storage = textStorage(); storage && storage->length() > 0)
        storage->addAttributeValueRange(FontAttributeName, Value(textview::KitFont(font)), { 0, storage->length() });
    if (!typingAttributes_.isEmpty())
        typingAttributes_.setObjectForKey(Value(textview::KitFont(font)), Value(FontAttributeName));
    applyFieldEditorLayout();
}

void TextView::setTextColor(Ref<Color> color)
{
    textColor_ = std::move(color);
    if (const Ref<TextStorage> storage = textStorage(); storage && storage->length() > 0) {
        if (textColor_)
            storage->addAttributeValueRange(ForegroundColorAttributeName, Value(textColor_), { 0, storage->length() });
        else
            storage->removeAttributeRange(ForegroundColorAttributeName, { 0, storage->length() });
    }
    setNeedsDisplay(true);
}

void TextView::setAlignment(TextAlignment alignment)
{
    alignment_ = alignment;
    if (const Ref<TextStorage> storage = textStorage(); storage && storage->length() > 0) {
        auto paragraph = make<ParagraphStyle>();
        paragraph->setAlignment(alignment);
        if (fieldEditor_)
            paragraph->setLineBreakMode(wrapsLines_ ? LineBreakByWordWrapping : LineBreakByClipping);
        storage->addAttributeValueRange(ParagraphStyleAttributeName, Value(Ref<Object>(paragraph)), { 0, storage->length() });
    }
    setNeedsDisplay(true);
}

void TextView::setEditable(bool flag)
{
    editable_ = flag;
    if (flag)
        selectable_ = true;
    setNeedsDisplay(true);
}

void TextView::setSelectable(bool flag)
{
    selectable_ = flag;
    if (!flag)
        editable_ = false;
    if (const Ref<Window> w = window())
        w->invalidateCursorRectsForView(this);
    setNeedsDisplay(true);
}

void TextView::setDrawsBackground(bool flag)
{
    drawsBackground_ = flag;
    setNeedsDisplay(true);
}

void TextView::setBackgroundColor(Ref<Color> color)
{
    backgroundColor_ = std::move(color);
    setNeedsDisplay(true);
}

void TextView::setFieldEditor(bool flag)
{
    fieldEditor_ = flag;
    if (flag) {
        verticallyResizable_ = false;
        richText_ = false;
        if (container_) {
            container_->setLineFragmentPadding(2);
            container_->setWidthTracksTextView(false);
        }
    }
    applyFieldEditorLayout();
}

void TextView::applyFieldEditorLayout()
{
    if (!fieldEditor_)
        return;
    fitFieldEditorContainer();
    keepCaretVisibleInFieldEditor();
    setNeedsDisplay(true);
}

void TextView::fitFieldEditorContainer()
{
    const Ref<TextStorage> storage = textStorage();
    if (!fieldEditor_ || !container_ || !storage)
        return;
    const double padding = container_->lineFragmentPadding();
    const double natural = storage->length() > 0 && !wrapsLines_ ? std::ceil(storage->size().width) + 2 * padding + 1 : 0;
    const double width = std::max(std::max(0.0, frame().width() - 2 * inset_.width), natural);
    if (container_->containerSize().width != width)
        container_->setContainerSize(MakeSize(width, container_->containerSize().height));
}

bool TextView::isOpaque() const
{
    if (!drawsBackground_)
        return false;
    return !backgroundColor_ || backgroundColor_->toQColor().alpha() == 255;
}

// Size ---------------------------------------------------------------------------------------------

void TextView::setFrameSize(Size size)
{
    View::setFrameSize(size);
    if (fieldEditor_) {
        fitFieldEditorContainer();
    } else if (container_ && container_->widthTracksTextView()) {
        const double width = std::max(0.0, size.width - 2 * inset_.width);
        if (container_->containerSize().width != width)
            container_->setContainerSize(MakeSize(width, container_->containerSize().height));
    }
}

void TextView::sizeToFit() { updateFrameForText(); }

void TextView::updateFrameForText()
{
    if (!verticallyResizable_ || fieldEditor_)
        return;
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !container_)
        return;
    const Rect used = manager->usedRectForTextContainer(container_.get());
    const Rect extra = manager->extraLineFragmentRect();
    double height = std::max(used.maxY(), extra.maxY()) + 2 * inset_.height;
    // A document view is never shorter than what its clip view shows.
    if (const Ref<View> sup = superview(); sup && dynamic_cast<ClipView*>(sup.get()))
        height = std::max(height, sup->bounds().height());
    height = std::ceil(height);
    if (std::abs(frame().height() - height) > 0.01)
        setFrameSize(MakeSize(frame().width(), height));
}

void TextView::viewDidMoveToWindow()
{
    View::viewDidMoveToWindow();
    updateFrameForText();
}

// Display ------------------------------------------------------------------------------------------

void TextView::setNeedsDisplayInRectAvoidAdditionalLayout(Rect rect, bool) { setNeedsDisplayInRect(rect); }

void TextView::scrollRangeToVisible(Range range)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !container_)
        return;
    const std::int64_t n = length();
    Rect r;
    if (range.length == 0 || n == 0) {
        r = insertionPointRect(std::min(range.location, n));
    } else {
        const Range clamped = IntersectionRange(range, { 0, n });
        r = viewRect(manager->boundingRectForGlyphRangeInTextContainer(clamped, container_.get()));
    }
    if (fieldEditor_) {
        keepCaretVisibleInFieldEditor();
        return;
    }
    scrollRectToVisible(r);
}

void TextView::keepCaretVisibleInFieldEditor()
{
    if (!fieldEditor_ || !layoutManager() || !container_)
        return;
    // One line scrolls sideways to keep the moving end of the selection in view; wrapped lines stay.
    const double before = scrollX_;
    scrollX_ = 0;
    if (wrapsLines_) {
        if (before != 0)
            setNeedsDisplay(true);
        return;
    }
    const Rect caret = insertionPointRect(movingEnd());
    const double width = bounds().width();
    const double padding = container_->lineFragmentPadding();
    const Rect used = layoutManager()->usedRectForTextContainer(container_.get());
    double x = before;
    if (caret.maxX() > x + width)
        x = caret.maxX() - width;
    if (caret.minX() - padding < x)
        x = caret.minX() - padding;
    x = std::clamp(x, 0.0, std::max(0.0, used.maxX() + padding - width));
    scrollX_ = x;
    if (scrollX_ != before)
        setNeedsDisplay(true);
}

Ref<Color> TextView::selectionColor() const
{
    const Ref<Window> w = window();
    const bool active = w && w->isKeyWindow() && w->firstResponder().get() == this;
    return Color::fromQColor(QApplication::palette().color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
}

bool TextView::shouldDrawInsertionPoint() const
{
    const Ref<Window> w = window();
    return selectable_ && (editable_ || fieldEditor_) && w && w->firstResponder().get() == this && w->isKeyWindow();
}

namespace {

// The keyboard focus of a text view that is not a field editor (the field shows that): a ring just
// inside the visible area of the clip view that scrolls it, else inside its bounds. Only while it
// is first responder of the key window, chosen from the keyboard or by code, as controls ring.
void drawKeyboardFocusRing(TextView& view, Rect dirty)
{
    if (view.isFieldEditor() || !view.showsKeyboardFocusRing())
        return;
    Rect around = view.bounds();
    if (const Ref<ClipView> clip = dynamic_pointer_cast<ClipView>(view.superview()))
        around = view.convertRectFromView(clip->bounds(), clip.get());
    // A repaint well inside the edges (most keystrokes) leaves the ring as it is.
    if (ContainsRect(InsetRect(around, 3, 3), dirty))
        return;
    DrawFocusRingInsideRect(around);
}

// The caret on whole device pixels: one crisp column rather than two half-lit ones, and a fill that
// skips the rasteriser. It stays inside its rounded-out rectangle, which is what a blink repaints.
Rect caretOnWholePixels(Rect caret, const QPainter* painter)
{
    const GraphicsContext* context = GraphicsContext::currentContext();
    const double dpr = painter && painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    const QTransform ctm = context->state().ctm * QTransform::fromScale(dpr, dpr);
    if (ctm.type() > QTransform::TxScale || !ctm.isInvertible())
        return caret;
    const QRectF device = ctm.mapRect(QRectF(caret.minX(), caret.minY(), caret.width(), caret.height()));
    const double top = std::floor(device.top());
    const QRectF whole(std::round(device.left()), top, std::max(1.0, std::round(device.width())), std::ceil(device.bottom()) - top);
    const QRectF user = ctm.inverted().mapRect(whole);
    return MakeRect(user.x(), user.y(), user.width(), user.height());
}

} // namespace

void TextView::drawRect(Rect dirty)
{
    QPainter* painter = View::currentPainter();
    const Ref<TextView> keep(this);
    Ref<GraphicsContext> context;
    if (!GraphicsContext::currentContext() && painter)
        context = GraphicsContext::graphicsContextWithPainter(painter, true);
    std::optional<GraphicsContext::Scope> scope;
    if (context)
        scope.emplace(context);
    if (!GraphicsContext::currentContext())
        return;
    if (drawsBackground_) {
        (backgroundColor_ ? backgroundColor_ : Color::fromQColor(QApplication::palette().color(QPalette::Base)))->setFill();
        RectFill(dirty);
    }
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager || !container_) {
        drawKeyboardFocusRing(*this, dirty);
        return;
    }
    const Point origin = textContainerOrigin();
    const Range glyphs = manager->glyphRangeForBoundingRectInTextContainer(
        MakeRect(dirty.minX() - origin.x, dirty.minY() - origin.y, dirty.width(), dirty.height()), container_.get());
    manager->drawBackgroundForGlyphRangeAtPoint(glyphs, origin);
    manager->drawGlyphsForGlyphRangeAtPoint(glyphs, origin);
    const Rect caret = insertionPointRect(std::min(selected_.location, length()));
    // The preedit: underlined at the caret over what follows, never in the storage.
    if (!marked_.isEmpty()) {
        Dictionary attributes = attributesBefore(selected_.location);
        attributes.setObjectForKey(Value(std::int64_t(UnderlineStyleSingle)), Value(UnderlineStyleAttributeName));
        const AttributedString preedit(marked_, attributes);
        const Size size = preedit.size();
        (backgroundColor_ ? backgroundColor_ : Color::fromQColor(QApplication::palette().color(QPalette::Base)))->setFill();
        RectFill(MakeRect(caret.minX(), caret.minY(), size.width + 1, std::max(size.height, caret.height())));
        preedit.drawAtPoint(MakePoint(caret.minX(), caret.minY()));
    }
    if (!blinkTimer_)
        scheduleCaretBlink();
    if (selected_.length == 0 && marked_.isEmpty() && caretOn_ && shouldDrawInsertionPoint()) {
        Color::fromQColor(QApplication::palette().color(QPalette::Text))->setFill();
        RectFill(caretOnWholePixels(MakeRect(caret.minX(), caret.minY(), 1, caret.height()), painter));
    }
    drawKeyboardFocusRing(*this, dirty);
}

Rect TextView::insertionPointRect(std::int64_t index)
{
    const Ref<LayoutManager> manager = layoutManager();
    if (!manager)
        return {};
    return viewRect(manager->insertionPointRectForCharacterIndex(std::clamp<std::int64_t>(index, 0, length())));
}

void TextView::resetCursorRects()
{
    if (selectable_)
        addCursorRect(visibleRect(), Cursor::IBeamCursor().get());
}

void TextView::scheduleCaretBlink()
{
    // The caret blinks only while it is drawn (a drawing that shows it starts the blink again after
    // the window was away); tests run on the manual clock.
    if (blinkTimer_ || !shouldDrawInsertionPoint())
        return;
    caretOn_ = true;
    const Weak<TextView> weak(this);
    blinkTimer_ = Timer::scheduledTimerWithTimeIntervalRepeatsBlock(0.5, true, [weak](Timer* timer) {
        const Ref<TextView> view = weak.lock();
        if (!view || !view->shouldDrawInsertionPoint()) {
            if (view) {
                view->blinkTimer_ = nullptr;
                view->caretOn_ = true;
            }
            timer->invalidate();
            return;
        }
        // A caret that just moved holds still: typing never catches it hidden.
        if (view->caretOn_ && Clock::currentNow() - view->caretMovedAt_ < 0.45)
            return;
        view->caretOn_ = !view->caretOn_;
        view->setNeedsDisplayInRect(view->insertionPointRect(view->selected_.location));
    });
}

// Layout client ------------------------------------------------------------------------------------

void TextView::textStorageDidProcessEditing(TextStorage&, unsigned editedMask, Range editedRange, std::int64_t delta)
{
    if (editedMask & TextStorageEditedCharacters) {
        const std::int64_t n = length();
        Range s = selected_;
        const std::int64_t oldEnd = MaxRange(editedRange) - delta;
        if (MaxRange(s) < editedRange.location) {
            // Before the edit: unchanged.
        } else if (s.location > oldEnd) {
            s.location += delta;
        } else if (s.location >= editedRange.location || MaxRange(s) > editedRange.location || s.length == 0) {
            // Overlapping (or touching) the edit: to the end of the replacement.
            s = { MaxRange(editedRange), 0 };
        }
        s.location = std::clamp<std::int64_t>(s.location, 0, n);
        s.length = std::clamp<std::int64_t>(s.length, 0, n - s.location);
        if (userEditDepth_ > 0) {
            selected_ = s; // the pipeline sets the final selection itself
        } else if (s.location != selected_.location || s.length != selected_.length) {
            setSelectedRangeAffinityStillSelecting(s, affinity_, false);
        }
    }
    updateFrameForText();
    if (fieldEditor_) {
        fitFieldEditorContainer();
        keepCaretVisibleInFieldEditor();
    }
    if (editedMask & TextStorageEditedCharacters)
        accessibilityValueChanged();
    // What changed on screen the layout manager has already marked: the edited lines, and the
    // lines below them when they moved.
}

void TextView::textLayoutNeedsDisplayInRect(Rect containerRect) { setNeedsDisplayInRect(viewRect(containerRect)); }

void TextView::textLayoutDidInvalidate()
{
    updateFrameForText();
    if (const Ref<Window> w = window())
        w->invalidateCursorRectsForView(this);
}

void TextView::textLayoutDidReplaceTextStorage(TextStorage& storage)
{
    storage_ = Ref<TextStorage>(&storage);
    const std::int64_t n = storage.length();
    selected_.location = std::min(selected_.location, n);
    selected_.length = std::min(selected_.length, n - selected_.location);
    textLayoutDidInvalidate();
    setNeedsDisplay(true);
    accessibilityValueChanged();
}

Range TextView::textLayoutSelectedRange() const
{
    if (!selectable_ || selected_.length == 0)
        return { NotFound, 0 };
    // A selection beyond the text (its storage was replaced under it) draws clamped.
    const std::int64_t n = length();
    const std::int64_t start = std::min(selected_.location, n);
    return { start, std::min(selected_.length, n - start) };
}

Ref<Color> TextView::textLayoutSelectionColor() const { return selectionColor(); }

// Input methods ------------------------------------------------------------------------------------

void TextView::setMarkedTextSelectedRange(const QString& text, Range selected)
{
    marked_ = text;
    markedSelection_ = selected;
    setNeedsDisplay(true);
}

void TextView::unmarkText()
{
    marked_.clear();
    setNeedsDisplay(true);
}

Rect TextView::firstRectForCharacterRange(Range range) const
{
    auto* self = const_cast<TextView*>(this);
    const Rect caret = self->insertionPointRect(std::min(range.location, length()));
    return convertRectToView(caret, nullptr);
}

QString TextView::surroundingText() const { return string().mid(paragraphRangeAt(selected_.location).location, paragraphRangeAt(selected_.location).length); }

std::int64_t TextView::cursorPositionInSurroundingText() const { return selected_.location - paragraphRangeAt(selected_.location).location; }

// Archiving ----------------------------------------------------------------------------------------

void TextView::encodeWithCoder(Coder& coder) const
{
    View::encodeWithCoder(coder);
    coder.encodeObjectForKey(Value(string()), "kit.string");
    coder.encodeBoolForKey(editable_, "kit.editable");
    coder.encodeBoolForKey(selectable_, "kit.selectable");
    coder.encodeBoolForKey(richText_, "kit.richText");
    coder.encodeBoolForKey(drawsBackground_, "kit.drawsBackground");
    if (backgroundColor_)
        coder.encodeObjectForKey(Value(backgroundColor_), "kit.backgroundColor");
}

void TextView::initWithCoder(Coder& coder)
{
    View::initWithCoder(coder);
    if (coder.containsValueForKey(QStringLiteral("kit.editable")))
        editable_ = coder.decodeBoolForKey(QStringLiteral("kit.editable"));
    if (coder.containsValueForKey(QStringLiteral("kit.selectable")))
        selectable_ = coder.decodeBoolForKey(QStringLiteral("kit.selectable"));
    if (coder.containsValueForKey(QStringLiteral("kit.richText")))
        richText_ = coder.decodeBoolForKey(QStringLiteral("kit.richText"));
    if (coder.containsValueForKey(QStringLiteral("kit.drawsBackground")))
        drawsBackground_ = coder.decodeBoolForKey(QStringLiteral("kit.drawsBackground"));
    if (coder.containsValueForKey(QStringLiteral("kit.backgroundColor")))
        backgroundColor_
            = static_pointer_cast<Color>(coder.decodeObjectOfClassForKey(Color::staticClass(), QStringLiteral("kit.backgroundColor")));
    if (container_ && container_->widthTracksTextView())
        container_->setContainerSize(MakeSize(std::max(0.0, frame().width() - 2 * inset_.width), container_->containerSize().height));
    if (const Value v = coder.decodeObjectForKey(QStringLiteral("kit.string")); v.isString() && !v.string().isEmpty())
        setString(v.string());
    selected_ = { 0, 0 };
}

} // namespace kit
