#include "KRRecorderControl.h"

#include "KRKeyCodeTransformer.h"

#include "kit/appkit/KeyCodes.h"
#include "kit/appkit/Window.h"
#include "kit/core/Binding.h"
#include "kit/core/Exception.h"
#include "kit/core/NotificationCenter.h"
#include "kit/core/ValueTransformer.h"

#include <algorithm>

using namespace kit;

KIT_REGISTER_CLASS(KRRecorderControl, Control)
{
    c.property("value", &KRRecorderControl::objectValue, &KRRecorderControl::setObjectValue);
    c.property("objectValue", &KRRecorderControl::objectValue, &KRRecorderControl::setObjectValue);
    c.exposeBinding("value");
}

namespace {
const QString krWriteBackMethod = QStringLiteral("-[KRRecorderControl keyRecorderCell:keyComboDidChange:]");

void krLogWriteBack(const char* text) { logMessage(QString::fromLatin1(text).replace(QStringLiteral("%s"), krWriteBackMethod)); }
} // namespace

KRRecorderControl::KRRecorderControl(Rect frame)
    : KRRecorderControl(frame, cellClass()())
{ }

KRRecorderControl::KRRecorderControl(Rect frame, Ref<Cell> cell)
    : Control(frame, std::move(cell))
{
    setFrameSize(this->frame().size);
    if (auto* c = recorderCell())
        c->setDelegate(this);
}

KRRecorderControl::~KRRecorderControl() { NotificationCenter::defaultCenter()->removeObserver(this); }

void KRRecorderControl::initWithCoder(Coder& coder)
{
    Control::initWithCoder(coder);
    if (auto* c = recorderCell())
        c->setDelegate(this);
}

KRRecorderCell* KRRecorderControl::recorderCell() const { return dynamic_cast<KRRecorderCell*>(cell().get()); }

std::uint32_t KRRecorderControl::cocoaToCarbonFlags(std::uint64_t flags) const { return KRCarbonModifiersFromCocoa(flags); }

std::uint64_t KRRecorderControl::carbonToCocoaFlags(std::uint32_t flags) const { return KRCocoaModifiersFromCarbon(flags); }

Value KRRecorderControl::objectValue() const
{
    const KRKeyCombo combo = keyCombo();
    if (combo.code == -1 || combo.flags == 0)
        return {};
    return Value(Dictionary {
        { Value(QStringLiteral("characters")), Value(keyCharsIgnoringModifiers()) },
        { Value(QStringLiteral("keyCode")), Value(std::int64_t(combo.code)) },
        { Value(QStringLiteral("modifierFlags")), Value(std::int64_t(combo.flags)) },
    });
}

void KRRecorderControl::setObjectValue(const Value& value)
{
    if (value.isDictionary()) {
        const Value code = value.dictionary().objectForKey(QStringLiteral("keyCode"));
        const Value flags = value.dictionary().objectForKey(QStringLiteral("modifierFlags"));
        if (code.isNumber() && flags.isNumber()) {
            setKeyCombo({ flags.unsignedIntegerValue(), code.integerValue() });
            return;
        }
    }
    setKeyCombo({ 0, -1 });
}

ValueKind KRRecorderControl::valueClassForBinding(const QString& binding) const
{
    return binding == ValueBinding ? ValueKind::Dictionary : Control::valueClassForBinding(binding);
}

bool KRRecorderControl::becomeFirstResponder()
{
    const bool ok = recorderCell()->becomeFirstResponder();
    if (ok)
        setKeyboardFocusRingNeedsDisplayInRect(bounds());
    return ok;
}

bool KRRecorderControl::resignFirstResponder()
{
    const bool ok = recorderCell()->resignFirstResponder();
    if (ok)
        setKeyboardFocusRingNeedsDisplayInRect(bounds());
    return ok;
}

bool KRRecorderControl::performKeyEquivalent(const Event& event)
{
    auto w = window();
    if (w && w->firstResponder().get() == this && recorderCell()->performKeyEquivalent(event))
        return true;
    // Not Control's answer: that asks the cell again, so a recorder without focus would take keys.
    return View::performKeyEquivalent(event);
}

void KRRecorderControl::keyDown(const Event& event)
{
    if (recorderCell()->performKeyEquivalent(event))
        return;
    // Backspace or Delete on the idle recorder press its remove button, so the keys clear too.
    const bool deleteKey = event.keyCode() == KeyCodeDelete || event.keyCode() == KeyCodeForwardDelete;
    if (deleteKey && !(event.modifierFlags() & (CommandKeyMask | ControlKeyMask | AlternateKeyMask)) && recorderCell()->pressRemoveButton())
        return;
    Control::keyDown(event);
}

void KRRecorderControl::flagsChanged(const Event& event) { recorderCell()->flagsChanged(event); }

void KRRecorderControl::viewDidMoveToWindow()
{
    if (!window())
        return;
    auto center = NotificationCenter::defaultCenter();
    center->removeObserver(this);
    center->addObserverSelectorNameObject(this, [this](Notification*) { resetTrackingRects(); }, ViewFrameDidChangeNotification, this);
    resetTrackingRects();
}

void KRRecorderControl::setFrameSize(Size size) { Control::setFrameSize({ std::max(size.width, 50.0), 22 }); }

bool KRRecorderControl::keyRecorderCellIsKeyCodeAndFlagsTakenReason(KRRecorderCell*, std::int64_t keyCode, std::uint64_t flags, QString* reason)
{
    auto d = delegate();
    auto* recorderDelegate = dynamic_cast<KRRecorderControlDelegate*>(d.get());
    return recorderDelegate && recorderDelegate->keyRecorderIsKeyCodeAndFlagsTakenReason(this, keyCode, flags, reason);
}

void KRRecorderControl::keyRecorderCellKeyComboDidChange(KRRecorderCell*, KRKeyCombo combo)
{
    auto d = delegate();
    if (auto* recorderDelegate = dynamic_cast<KRRecorderControlDelegate*>(d.get()))
        recorderDelegate->keyRecorderKeyComboDidChange(this, combo);
    if (!writingBack_)
        writeBackValue();
}

void KRRecorderControl::writeBackValue()
{
    const Value info = infoForBinding(ValueBinding);
    if (!info.isDictionary())
        return;
    Value value = objectValue();
    const Value options = info.dictionary().objectForKey(OptionsKey);
    if (options.isDictionary()) {
        Ref<ValueTransformer> transformer = options.dictionary().objectForKey(ValueTransformerBindingOption).objectAs<ValueTransformer>();
        if (!transformer) {
            const Value name = options.dictionary().objectForKey(ValueTransformerNameBindingOption);
            if (!name.isNilOrNull())
                transformer = ValueTransformer::valueTransformerForName(name.stringValue());
        }
        if (transformer) {
            if (transformer->allowsReverseTransformation())
                value = transformer->reverseTransformedValue(value);
            else
                krLogWriteBack("WARNING: value has value transformer, but it doesn't allow reverse transformations in %s");
        }
    }
    const Value observed = info.dictionary().objectForKey(ObservedObjectKey);
    auto object = observed.object();
    if (!object) {
        krLogWriteBack("ERROR: NSObservedObjectKey was nil for value binding in %s");
        return;
    }
    const Value keyPath = info.dictionary().objectForKey(ObservedKeyPathKey);
    if (keyPath.isNilOrNull()) {
        krLogWriteBack("ERROR: NSObservedKeyPathKey was nil for value binding in %s");
        return;
    }
    writingBack_ = true;
    struct KRWriteBackEnd {
        bool& flag;
        ~KRWriteBackEnd() { flag = false; }
    } end { writingBack_ };
    object->setValueForKeyPath(value, keyPath.stringValue());
}
