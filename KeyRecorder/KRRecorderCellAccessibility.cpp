// What a screen reader finds of a shortcut recorder: a field whose text is what it shows, in
// words a synthesiser reads well ("Shift+Ctrl+K", not the glyphs), and the clear button the field
// draws at its end. Starting and ending a recording changes that text, and so is announced, also
// as news a reader speaks.

#include "KeyRecorder/KRKeyCodeTransformer.h"
#include "KeyRecorder/KRRecorderCell.h"

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/View.h"

#include <utility>

namespace {

// A part of the field an element of its own: its role, its parent the cell, the rest the field's.
class KRPartElement : public kit::Object, public kit::Accessibility {
public:
    KRPartElement(KRRecorderCell* cell, QString role, QStringList attributes)
        : cell_(cell)
        , role_(std::move(role))
        , attributes_(std::move(attributes))
    { }

    QStringList accessibilityAttributeNames() const override
    {
        return QStringList { kit::AccessibilityRoleAttribute, kit::AccessibilityRoleDescriptionAttribute, kit::AccessibilityParentAttribute,
                   kit::AccessibilityWindowAttribute, kit::AccessibilityTopLevelUIElementAttribute, kit::AccessibilityPositionAttribute,
                   kit::AccessibilitySizeAttribute }
            + attributes_;
    }
    kit::Value accessibilityAttributeValue(const QString& attribute) const override
    {
        const kit::Ref<KRRecorderCell> cell = cell_.lock();
        const kit::Ref<kit::View> view = cell ? cell->controlView() : nullptr;
        if (!view)
            return {};
        if (attribute == kit::AccessibilityRoleAttribute)
            return kit::Value(role_);
        if (attribute == kit::AccessibilityRoleDescriptionAttribute)
            return kit::Value(kit::AccessibilityRoleDescription(role_));
        if (attribute == kit::AccessibilityParentAttribute)
            return kit::Value(kit::Ref<kit::Object>(cell));
        if (attributes_.contains(attribute) || attribute == kit::AccessibilityPositionAttribute || attribute == kit::AccessibilitySizeAttribute)
            return partValue(*cell, *view, attribute);
        if (attribute == kit::AccessibilityTitleAttribute || attribute == kit::AccessibilityHelpAttribute)
            return {};
        // The field has the focus, never a part of it.
        if (attribute == kit::AccessibilityFocusedAttribute)
            return kit::Value(false);
        return kit::ViewAccessibilityAttributeValue(*view, attribute);
    }

protected:
    // The part's own attributes, and its place (the field's unless it says otherwise).
    virtual kit::Value partValue(KRRecorderCell&, kit::View& view, const QString& attribute) const
    {
        return kit::ViewAccessibilityAttributeValue(view, attribute);
    }
    kit::Ref<KRRecorderCell> cell() const { return cell_.lock(); }

private:
    kit::Weak<KRRecorderCell> cell_;
    QString role_;
    QStringList attributes_;
};

// The clear button: pressing it empties the shortcut, as a click on it does.
class KRClearButtonElement : public KRPartElement {
public:
    explicit KRClearButtonElement(KRRecorderCell* cell)
        : KRPartElement(cell, kit::AccessibilityButtonRole, { kit::AccessibilityTitleAttribute, kit::AccessibilityEnabledAttribute })
    { }

    QStringList accessibilityActionNames() const override { return { kit::AccessibilityPressAction }; }
    void accessibilityPerformAction(const QString& action) override
    {
        if (const kit::Ref<KRRecorderCell> c = cell(); c && action == kit::AccessibilityPressAction)
            c->pressRemoveButton();
    }

protected:
    kit::Value partValue(KRRecorderCell& cell, kit::View& view, const QString& attribute) const override
    {
        if (attribute == kit::AccessibilityTitleAttribute)
            return kit::Value(KRLocalizedString(QStringLiteral("Clear shortcut")));
        if (attribute == kit::AccessibilityEnabledAttribute)
            return kit::Value(cell.isEnabled());
        const kit::Rect box = kit::AccessibilityScreenRectOfRectInView(view, cell.removeButtonRectForFrame(view.bounds()));
        return attribute == kit::AccessibilitySizeAttribute ? kit::Value(box.size) : kit::Value(box.origin);
    }
};

// The news: a polite live region over the field, reading what the field says since it last
// changed. A reader speaks it when it shows, wherever a text change would go unsaid.
class KRNewsElement : public KRPartElement {
public:
    explicit KRNewsElement(KRRecorderCell* cell)
        : KRPartElement(cell, kit::AccessibilityStaticTextRole, { kit::AccessibilityValueAttribute, kit::AccessibilityARIALiveAttribute })
    { }

    QString text;

protected:
    kit::Value partValue(KRRecorderCell& cell, kit::View& view, const QString& attribute) const override
    {
        if (attribute == kit::AccessibilityValueAttribute)
            return kit::Value(text);
        if (attribute == kit::AccessibilityARIALiveAttribute)
            return kit::Value(kit::AccessibilityARIALivePoliteValue);
        return KRPartElement::partValue(cell, view, attribute);
    }
};

} // namespace

void KRRecorderCell::tellNews()
{
    if (!controlView())
        return;
    const QString said = spokenLabelString().isEmpty() ? labelString() : spokenLabelString();
    if (!newsElement_)
        newsElement_ = kit::make<KRNewsElement>(this);
    auto* news = static_cast<KRNewsElement*>(newsElement_.get());
    if (news->text == said)
        return;
    news->text = said;
    kit::AccessibilityBridge::interfaceFor(kit::Value(newsElement_));
    news->accessibilityValueChanged();
}

QStringList KRRecorderCell::accessibilityAttributeNames() const
{
    QStringList names = ActionCell::accessibilityAttributeNames();
    names << kit::AccessibilityPlaceholderValueAttribute;
    return names;
}

kit::Value KRRecorderCell::accessibilityAttributeValue(const QString& attribute) const
{
    if (attribute == kit::AccessibilityRoleAttribute)
        return kit::Value(kit::AccessibilityTextFieldRole);
    if (attribute == kit::AccessibilityRoleDescriptionAttribute)
        return kit::Value(kit::AccessibilityRoleDescription(kit::AccessibilityTextFieldRole));
    if (attribute == kit::AccessibilityValueAttribute)
        return kit::Value(spokenLabelString());
    // What the field shows while it holds no shortcut ("Click to record shortcut").
    if (attribute == kit::AccessibilityPlaceholderValueAttribute)
        return kit::Value(!isRecording() && isEmpty() ? labelString() : QString());
    if (attribute == kit::AccessibilityChildrenAttribute) {
        kit::Array children;
        if (!isEmpty() && !isRecording()) {
            if (!clearButtonElement_)
                clearButtonElement_ = kit::make<KRClearButtonElement>(const_cast<KRRecorderCell*>(this));
            children.addObject(kit::Value(clearButtonElement_));
        }
        if (newsElement_)
            children.addObject(kit::Value(newsElement_));
        return kit::Value(children);
    }
    return ActionCell::accessibilityAttributeValue(attribute);
}

kit::Value KRRecorderCell::accessibilityHitTest(kit::Point point) const
{
    // The news lies over the whole field: the point is the field's, or its clear button's.
    const kit::Value children = accessibilityAttributeValue(kit::AccessibilityChildrenAttribute);
    for (const kit::Value& child : children.array()) {
        if (child.object() != newsElement_ && kit::AccessibilityElementContainsPoint(child, point))
            return child;
    }
    return self();
}
