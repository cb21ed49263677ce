#include "gallery/pages/TextPage.h"

#include "kit/appkit/FieldEditing.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/controls/PopUpButton.h"
#include "kit/controls/TextField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/Font.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextStorage.h"
#include "kit/text/TextView.h"

namespace {

using namespace kit;

// Reserves the hosted view's size on the line.
class HostingCell : public TextAttachmentCell {
public:
    explicit HostingCell(Ref<View> view)
        : view(std::move(view))
    { }
    Size cellSize() const override { return view->frame().size; }
    void drawWithFrameInView(Rect, View*) override { }
    Ref<View> view;
};

// Puts each hosted view where its attachment is shown: (x, y − height) is the cell's top-left.
class HostingLayoutManager : public LayoutManager {
public:
    void showAttachmentCellInRectCharacterIndex(TextAttachmentCell* cell, Rect rect, std::int64_t index) override
    {
        LayoutManager::showAttachmentCellInRectCharacterIndex(cell, rect, index);
        if (auto* hosting = dynamic_cast<HostingCell*>(cell))
            hosting->view->setFrameOrigin(MakePoint(rect.minX(), rect.minY() - rect.height()));
    }
};

QString movementName(std::int64_t movement)
{
    switch (movement) {
    case ReturnTextMovement:
        return QStringLiteral("Return");
    case TabTextMovement:
        return QStringLiteral("Tab");
    case BacktabTextMovement:
        return QStringLiteral("Backtab");
    default:
        return QStringLiteral("Other");
    }
}

class TextPageView : public View, public ControlTextEditingDelegate {
    KIT_CLASS(TextPageView)
public:
    explicit TextPageView(Rect frame)
        : View(frame)
    {
        setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    }

    Ref<TextField> name, number, label, status;

    void fieldAction(Object* sender)
    {
        auto* field = dynamic_cast<TextField*>(sender);
        report(QStringLiteral("Action from the %1 field: \u201c%2\u201d").arg(field == number.get() ? "number" : "name", field->stringValue()));
    }

    // ControlTextEditingDelegate:
    bool controlDidFailToFormatStringErrorDescription(Control*, const QString& string, const QString& error) override
    {
        report(QStringLiteral("\u201c%1\u201d is not a number: %2").arg(string, error.isEmpty() ? QStringLiteral("the formatter refused it") : error));
        return false;
    }
    void controlTextDidEndEditing(Notification* n) override
    {
        const std::int64_t movement = n->userInfo().objectForKey(Value(TextMovementKey)).integerValue();
        if (status->stringValue().contains(QStringLiteral("is not a number")) && n->object().get() == number.get())
            return;
        report(QStringLiteral("Editing ended with %1 (movement %2)").arg(movementName(movement)).arg(movement));
    }

private:
    void report(const QString& text) { status->setStringValue(text); }
};

KIT_REGISTER_CLASS(TextPageView, View)
{
    c.action("fieldAction", &TextPageView::fieldAction);
    c.optionalOperations({ ControlDidFailToFormatStringErrorDescriptionOperation, ControlTextDidEndEditingOperation });
}

Ref<TextField> makeField(View* parent, Rect frame)
{
    auto field = make<TextField>(frame);
    parent->addSubview(field.get());
    return field;
}

Ref<TextView> makeRichTextView(Rect frame)
{
    auto manager = make<HostingLayoutManager>();
    auto container = make<TextContainer>(MakeSize(frame.width(), 1e7));
    container->setWidthTracksTextView(true);
    manager->addTextContainer(container);
    auto storage = make<TextStorage>();
    storage->addLayoutManager(manager);
    auto view = make<TextView>(MakeRect(0, 0, frame.width(), frame.height()), container);
    view->setAutoresizingMask(ViewWidthSizable);
    view->setToolTip(QStringLiteral("Rich text"));

    StringAttributes plain;
    plain.font = Font::systemFontOfSize(13);
    StringAttributes bold = plain;
    bold.font = Font::boldSystemFontOfSize(13);
    StringAttributes coloured = plain;
    coloured.foregroundColor = Color::colorWithSRGBRedGreenBlueAlpha(0.75, 0.2, 0.1, 1);
    AttributedString text(QStringLiteral("Rich text with a "), plain);
    text.appendAttributedString(AttributedString(QStringLiteral("bold run"), bold));
    text.appendAttributedString(AttributedString(QStringLiteral(", a "), plain));
    text.appendAttributedString(AttributedString(QStringLiteral("coloured run"), coloured));
    text.appendAttributedString(AttributedString(QStringLiteral(" and a "), plain));
    AttributedString link(QStringLiteral("link"), plain);
    link.addAttributeValueRange(LinkAttributeName, Value(QStringLiteral("https://www.qt.io/")), { 0, 4 });
    link.addAttributeValueRange(UnderlineStyleAttributeName, Value(std::int64_t(UnderlineStyleSingle)), { 0, 4 });
    link.addAttributeValueRange(ForegroundColorAttributeName, Value(Color::blueColor()), { 0, 4 });
    text.appendAttributedString(link);
    text.appendAttributedString(AttributedString(QStringLiteral(".\nType above this line: the pop-up moves with its line  "), plain));

    auto popUp = make<PopUpButton>(MakeRect(0, 0, 120, 22));
    popUp->addItemsWithTitles({ "Hosted", "Pop-up", "Button" });
    view->addSubview(popUp.get());
    auto attachment = make<TextAttachment>(make<HostingCell>(popUp));
    text.appendAttributedString(TextAttachment::attributedStringWithAttachment(attachment));
    text.appendAttributedString(AttributedString(QStringLiteral("\nand the text goes on below it."), plain));
    storage->setAttributedString(text);
    view->setSelectedRange({ 0, 0 });
    return view;
}

} // namespace

Ref<View> makeTextPage(Rect frame)
{
    const auto row = [height = frame.height()](double top, double x, double w, double h) { return MakeRect(16 + x, height - 16 - top - h, w, h); };
    auto page = make<TextPageView>(frame);
    View* v = page.get();

    page->name = makeField(v, row(16, 0, 260, 24));
    page->name->setPlaceholderString(QStringLiteral("Your name"));
    page->name->setToolTip(QStringLiteral("Your name"));
    page->number = makeField(v, row(52, 0, 120, 24));
    page->number->setAlignment(RightTextAlignment);
    auto formatter = make<NumberFormatter>();
    formatter->setNumberStyle(NumberFormatterDecimalStyle);
    page->number->setFormatter(formatter);
    page->number->setIntegerValue(42);
    page->number->setToolTip(QStringLiteral("A number, formatted as you leave the field"));
    page->label = makeField(v, row(88, 0, 260, 20));
    page->label->setStringValue(QStringLiteral("A selectable label: select and copy me"));
    page->label->setEditable(false);
    page->label->setBezeled(false);
    page->label->setDrawsBackground(false);
    for (const Ref<TextField>& field : { page->name, page->number }) {
        field->setTarget(v);
        field->setAction(Selector("fieldAction"));
        field->setDelegate(v);
    }

    page->status = makeField(v, row(124, 0, 560, 20));
    page->status->setEditable(false);
    page->status->setSelectable(false);
    page->status->setBezeled(false);
    page->status->setDrawsBackground(false);
    page->status->setStringValue(QStringLiteral("Tab and Backtab walk the fields; Return sends their action."));

    auto scroll = make<ScrollView>(row(160, 0, 560, 200));
    scroll->setHasVerticalScroller(true);
    const Ref<TextView> rich = makeRichTextView(MakeRect(0, 0, scroll->contentSize().width, scroll->contentSize().height));
    scroll->setDocumentView(rich.get());
    v->addSubview(scroll.get());
    return page;
}
