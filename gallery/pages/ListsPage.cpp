#include "gallery/pages/ListsPage.h"

#include "gallery/pages/GallerySwatch.h"
#include "kit/appkit/ScrollView.h"
#include "kit/controls/Alert.h"
#include "kit/controls/ComboBox.h"
#include "kit/controls/DatePicker.h"
#include "kit/controls/OutlineView.h"
#include "kit/controls/TableColumn.h"
#include "kit/controls/TokenField.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/Date.h"

#include <QDateTime>

#include <QLocale>

#include <vector>

using kit::MakeRect;
using kit::Ref;
using kit::Value;

namespace {

// A node of the outline: a title and its children.
class ListsNode : public kit::Object {
    KIT_CLASS(ListsNode)
public:
    explicit ListsNode(QString t = {})
        : title(std::move(t))
    { }
    Ref<ListsNode> add(const QString& childTitle)
    {
        auto child = kit::make<ListsNode>(childTitle);
        children.push_back(child);
        return child;
    }
    QString title;
    std::vector<Ref<ListsNode>> children;
};

// The status line at the bottom, and the target of the page's controls.
class ListsStatus : public GallerySwatch, public kit::OutlineViewDataSource, public kit::OutlineViewDelegate {
    KIT_CLASS(ListsStatus)
public:
    explicit ListsStatus(kit::Rect frame = {})
        : GallerySwatch(frame, QColor(236, 238, 242), QStringLiteral("Select a row, pick a date or open the alert."))
    {
        const std::vector<std::pair<const char*, std::vector<const char*>>> families {
            { "Platform layer", { "Objects and runtime", "Services", "Drawing", "Views and windows", "Controls", "Layers" } },
            { "Data views", { "Form inspector", "Table grid", "Outline source list", "Cover flow" } },
            { "Application services", { "Preferences", "Progress window", "Crash reporter", "Sounds", "Live links", "Hot keys" } },
            { "Bars", { "Cell tab bar", "View tab bar", "Scope bar", "Split view" } },
        };
        for (const auto& [family, parts] : families) {
            auto group = root_->add(QString::fromUtf8(family));
            for (const char* part : parts)
                group->add(QString::fromUtf8(part));
        }
    }

    void say(const QString& text) { setTitle(text); }

    // Actions.
    void dateChanged(kit::Object* sender)
    {
        auto* picker = dynamic_cast<kit::DatePicker*>(sender);
        if (!picker || picker->dateValue().isNil())
            return;
        const QDateTime when = QDateTime::fromSecsSinceEpoch(qint64(picker->dateValue().date().timeIntervalSince1970()));
        say(QStringLiteral("Date: ") + QLocale().toString(when.date(), QLocale::LongFormat));
    }
    void subjectChosen(kit::Object* sender)
    {
        if (auto* box = dynamic_cast<kit::ComboBox*>(sender))
            say(QStringLiteral("Subject: ") + box->stringValue());
    }
    void tokensChanged(kit::Object* sender)
    {
        if (auto* field = dynamic_cast<kit::TokenField*>(sender))
            say(QStringLiteral("Tokens: %1").arg(field->objectValue().array().count()));
    }

    // kit::OutlineViewDataSource:
    std::int64_t outlineViewNumberOfChildrenOfItem(kit::OutlineView*, const Value& item) override
    {
        return std::int64_t(node(item)->children.size());
    }
    Value outlineViewChildOfItem(kit::OutlineView*, std::int64_t index, const Value& item) override
    {
        return Value(node(item)->children.at(std::size_t(index)));
    }
    bool outlineViewIsItemExpandable(kit::OutlineView*, const Value& item) override { return !node(item)->children.empty(); }
    Value outlineViewObjectValueForTableColumnByItem(kit::OutlineView*, kit::TableColumn*, const Value& item) override
    {
        return Value(node(item)->title);
    }
    // Double-click a title, or press Return on its row, to edit it. A selection is not said here:
    // a reader hears the row it moves to.
    void outlineViewSetObjectValueForTableColumnByItem(kit::OutlineView*, const Value& value, kit::TableColumn*, const Value& item) override
    {
        node(item)->title = value.stringValue();
        say(QStringLiteral("Renamed: ") + node(item)->title);
    }

private:
    ListsNode* node(const Value& item) const
    {
        auto* n = item.isNil() ? nullptr : dynamic_cast<ListsNode*>(item.object().get());
        return n ? n : root_.get();
    }

    Ref<ListsNode> root_ = kit::make<ListsNode>();
};

} // namespace

KIT_REGISTER_CLASS(ListsNode, kit::Object) { }

KIT_REGISTER_CLASS(ListsStatus, kit::View)
{
    c.action("dateChanged", &ListsStatus::dateChanged);
    c.action("subjectChosen", &ListsStatus::subjectChosen);
    c.action("tokensChanged", &ListsStatus::tokensChanged);
    c.optionalOperations({ "outlineViewNumberOfChildrenOfItem", "outlineViewChildOfItem", "outlineViewIsItemExpandable",
        "outlineViewObjectValueForTableColumnByItem", "outlineViewSetObjectValueForTableColumnByItem" });
}

kit::Ref<kit::View> makeListsPage(kit::Rect frame)
{
    auto page = kit::make<GallerySwatch>(frame, QColor(250, 250, 250), QString());
    const double w = frame.size.width, h = frame.size.height;

    auto status = kit::make<ListsStatus>(MakeRect(20, 20, w - 40, 36));
    status->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewMaxYMargin);
    galleryMarkStatusLine(Value(status));
    page->addSubview(status.get());

    // The outline: every family, expandable, in a scroll view that follows the page.
    auto scroll = kit::make<kit::ScrollView>(MakeRect(20, 76, 360, h - 96));
    scroll->setAutoresizingMask(kit::ViewHeightSizable);
    scroll->setHasVerticalScroller(true);
    auto outline = kit::make<kit::OutlineView>(MakeRect(0, 0, 360, h - 96));
    auto column = kit::make<kit::TableColumn>(Value("title"));
    column->setWidth(340);
    outline->addTableColumn(column.get());
    outline->setOutlineTableColumn(column.get());
    outline->setToolTip(QStringLiteral("Component families"));
    scroll->setDocumentView(outline.get());
    page->addSubview(scroll.get());
    outline->setDataSource(status.get());
    outline->setDelegate(status.get());
    outline->expandItem(outline->itemAtRow(0));

    // A date picker and an alert beside it.
    auto dateLabel = kit::make<GallerySwatch>(MakeRect(402, h - 62, 200, 30), QColor(250, 250, 250), QStringLiteral("Date picker"));
    dateLabel->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(dateLabel.get());
    auto picker = kit::make<kit::DatePicker>(MakeRect(410, h - 90, 120, 24));
    picker->setAutoresizingMask(kit::ViewMinYMargin);
    picker->setDateValue(Value(kit::Date::dateWithTimeIntervalSince1970(1796601600))); // 2026-12-07
    picker->setTarget(status.get());
    picker->setAction("dateChanged");
    page->addSubview(picker.get());

    Ref<ListsStatus> s = status;
    auto alert = kit::make<GalleryPushButton>(MakeRect(410, h - 150, 140, 28), QStringLiteral("Show alert…"), [s] {
        const std::int64_t answer = kit::RunAlertPanel(QStringLiteral("Discard the changes?"),
            QStringLiteral("The edits of this page are not saved."), QStringLiteral("Discard"), QStringLiteral("Cancel"), QString());
        s->say(answer == kit::AlertDefaultReturn ? QStringLiteral("Alert: Discard") : QStringLiteral("Alert: Cancel"));
    });
    alert->setAutoresizingMask(kit::ViewMinYMargin);
    page->addSubview(alert.get());

    // A combo box of subjects and a token field.
    auto subjects = kit::make<kit::ComboBox>(MakeRect(410, h - 200, 220, 26));
    subjects->setAutoresizingMask(kit::ViewMinYMargin);
    subjects->addItemsWithObjectValues(
        kit::Array { Value("Bug report"), Value("Feature request"), Value("Question"), Value("Praise"), Value("Other") });
    subjects->selectItemAtIndex(0);
    subjects->setToolTip(QStringLiteral("Subject"));
    subjects->setTarget(status.get());
    subjects->setAction("subjectChosen");
    page->addSubview(subjects.get());
    auto tokens = kit::make<kit::TokenField>(MakeRect(410, h - 240, 260, 22));
    tokens->setAutoresizingMask(kit::ViewMinYMargin);
    tokens->setStringValue(QStringLiteral("serif;bold;italic"));
    tokens->setPlaceholderString(QStringLiteral("Tags, separated by ;"));
    tokens->setToolTip(QStringLiteral("Tags"));
    tokens->setTarget(status.get());
    tokens->setAction("tokensChanged");
    page->addSubview(tokens.get());
    return page;
}
