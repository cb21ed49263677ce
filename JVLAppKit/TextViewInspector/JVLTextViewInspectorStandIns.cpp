#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorStandIns.h"

#include "kit/controls/Menu.h"
#include "kit/controls/PopUpButton.h"
#include "kit/appkit/View.h"
#include "kit/core/Binding.h"

using namespace kit;

namespace JVLTextViewInspectorStandIns {

void propagateValueForBinding(Object* object, const Value& value, const QString& binding)
{
    const Value info = object ? object->infoForBinding(binding) : Value();
    if (!info.isDictionary())
        return;
    const Dictionary& d = info.dictionary();
    const Ref<Object> observed = d.objectForKey(Value(ObservedObjectKey)).object();
    const QString keyPath = d.objectForKey(Value(ObservedKeyPathKey)).stringValue();
    const Value options = d.objectForKey(Value(OptionsKey));
    if (!observed || keyPath.isEmpty())
        return;
    observed->setValueForKeyPath(reverseTransformedValueWithOptions(value, options.isDictionary() ? options.dictionary() : Dictionary()), keyPath);
}

namespace {

bool standInInnerCharacter(const QString& text, QChar c)
{
    const qsizetype at = text.indexOf(c);
    return at > 0 && at < text.size() - 1;
}

} // namespace

bool validateURL(const QString& text) { return standInInnerCharacter(text, u'.'); }

bool validateEMailAddress(const QString& text) { return standInInnerCharacter(text, u'@') && standInInnerCharacter(text, u'.'); }

Ref<View> makeLabelPopUp(Object* field, Ref<Menu> menu)
{
    auto popUp = make<PopUpButton>(MakeRect(0, 0, 80, 14));
    popUp->setPreferredEdge(MinXEdge);
    popUp->setAlignment(RightTextAlignment);
    popUp->setControlSize(SmallControlSize);
    popUp->setTarget(field);
    popUp->setAction(Selector("labelSelectionDidChange"));
    if (menu)
        popUp->setMenu(std::move(menu));
    return popUp;
}

void selectLabelInPopUp(View* popUp, const Ref<JVLTextViewInspectorFieldLabel>& label)
{
    auto* button = dynamic_cast<PopUpButton*>(popUp);
    if (!button || !label)
        return;
    const std::int64_t index = button->indexOfItemWithRepresentedObject(Value(label));
    if (index != -1)
        button->selectItemAtIndex(index);
}

bool isListField(const Object* field)
{
    const Class* list = classFromString(QStringLiteral("JVLTextViewInspectorListField"));
    return field && list && field->isKindOfClass(*list);
}

Ref<View> stateView(int) { return nullptr; }

void appendListRowButtons(View*, Object*, AttributedString&) { }

} // namespace JVLTextViewInspectorStandIns
