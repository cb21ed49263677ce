#include "KRRecorderTestSupport.h"

#include "KeyRecorder/KRKeyCodeTransformer.h"

#include "kit/core/Binding.h"
#include "kit/core/ValueTransformer.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"
#include "kit/testsupport/RuntimeRecorders.h"

namespace {

using namespace kit;
using namespace krtest;

Value krDefaultsRecord(const QString& name)
{
    return UserDefaultsController::sharedUserDefaultsController()->values()->valueForKey(QStringLiteral("KeyRecorder ") + name);
}

void krSetDefaultsRecord(const QString& name, const Dictionary& record)
{
    UserDefaultsController::sharedUserDefaultsController()->values()->setValueForKey(Value(record), QStringLiteral("KeyRecorder ") + name);
}

class RecorderControl : public RecorderFixture { };

TEST_F(RecorderControl, FrameWidthAtLeast50HeightAlways22)
{
    recorder->setFrame(MakeRect(0, 0, 30, 40));
    EXPECT_EQ(recorder->frame().size, MakeSize(50, 22));
    recorder->setFrameSize(MakeSize(200, 10));
    EXPECT_EQ(recorder->frame().size, MakeSize(200, 22));
    EXPECT_EQ(make<KRRecorderControl>(MakeRect(0, 0, 10, 10))->frame().size, MakeSize(50, 22));
}

TEST_F(RecorderControl, ObjectValue)
{
    EXPECT_TRUE(recorder->objectValue().isNil()) << "empty";
    recorder->setAllowsKeyOnly(true);
    recorder->setKeyCombo({ 0, krCodeK });
    EXPECT_TRUE(recorder->objectValue().isNil()) << "key-only";
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    const Value value = recorder->objectValue();
    ASSERT_TRUE(value.isDictionary());
    EXPECT_EQ(value.dictionary().objectForKey(QStringLiteral("keyCode")).integerValue(), 40);
    EXPECT_EQ(value.dictionary().objectForKey(QStringLiteral("modifierFlags")).integerValue(), 0x100000);
    EXPECT_EQ(value.dictionary().objectForKey(QStringLiteral("characters")).stringValue(), QStringLiteral("K"));
    EXPECT_EQ(recorder->valueClassForBinding(QStringLiteral("value")), ValueKind::Dictionary);

    recorder->setObjectValue(Value(Dictionary { { Value(QStringLiteral("keyCode")), Value(QStringLiteral("40")) },
        { Value(QStringLiteral("modifierFlags")), Value(std::int64_t(0x100000)) } }));
    EXPECT_EQ(recorder->keyCombo(), KRKeyCombo {}) << "a string key code empties";
    recorder->setObjectValue(value);
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
}

TEST_F(RecorderControl, AllowsKeyOnlyClearsEscapeKeysRecord)
{
    recorder->setEscapeKeysRecord(true);
    recorder->setAllowsKeyOnly(true);
    EXPECT_FALSE(recorder->escapeKeysRecord());
    EXPECT_TRUE(recorder->allowsKeyOnly());
}

// --- Autosave ---

TEST_F(RecorderControl, RecordingWritesTheAutosaveRecord)
{
    recorder->setAutosaveName(QStringLiteral("Test"));
    startRecording();
    press(krCodeK, QStringLiteral("k"), CommandKeyMask);
    const Value record = krDefaultsRecord(QStringLiteral("Test"));
    ASSERT_TRUE(record.isDictionary());
    const Dictionary& r = record.dictionary();
    EXPECT_EQ(r.objectForKey(QStringLiteral("keyCode")).integerValue(), 40);
    EXPECT_EQ(r.objectForKey(QStringLiteral("modifierFlags")).integerValue(), 0x100000);
    EXPECT_EQ(r.objectForKey(QStringLiteral("modifiers")).integerValue(), 0x100);
    EXPECT_EQ(r.objectForKey(QStringLiteral("keyChars")).stringValue(), QStringLiteral("k"));
    EXPECT_EQ(r.objectForKey(QStringLiteral("keyCharsIgnoringModifiers")).stringValue(), QStringLiteral("k"));

    recorder->setKeyCombo({ CommandKeyMask, 12 });
    EXPECT_FALSE(krDefaultsRecord(QStringLiteral("Test")).dictionary().containsKey(QStringLiteral("keyChars")))
        << "characters only when held";
}

// Decodes a recorder cell with an autosave name, the way a loaded interface file makes one.
Ref<KRRecorderCell> krDecodedCell(const QString& autosaveName, KRKeyCombo combo)
{
    auto source = make<KRRecorderCell>();
    source->setKeyCombo(combo);
    source->setAutosaveName(autosaveName);
    return KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(source))).objectAs<KRRecorderCell>();
}

TEST_F(RecorderControl, LoadingTheAutosaveRecord)
{
    krSetDefaultsRecord(QStringLiteral("Other"), Dictionary { { Value(QStringLiteral("keyCode")), Value(std::int64_t(40)) },
                                                      { Value(QStringLiteral("modifiers")), Value(std::int64_t(0x900)) } });
    auto cell = krDecodedCell(QStringLiteral("Other"), {});
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->keyCombo(), (KRKeyCombo { CommandKeyMask | AlternateKeyMask, 40 })) << "command-option from the Carbon bits";

    krSetDefaultsRecord(QStringLiteral("Both"), Dictionary { { Value(QStringLiteral("keyCode")), Value(std::int64_t(40)) },
                                                     { Value(QStringLiteral("modifierFlags")), Value(std::int64_t(ShiftKeyMask)) },
                                                     { Value(QStringLiteral("modifiers")), Value(std::int64_t(0x900)) } });
    EXPECT_EQ(krDecodedCell(QStringLiteral("Both"), {})->keyCombo(), (KRKeyCombo { ShiftKeyMask, 40 })) << "modifierFlags wins";

    auto untouched = krDecodedCell(QStringLiteral("Nothing"), { CommandKeyMask, 12 });
    EXPECT_EQ(untouched->keyCombo(), (KRKeyCombo { CommandKeyMask, 12 })) << "no record changes nothing";
}

// --- Coding ---

TEST_F(RecorderControl, ArchiveRoundTrips)
{
    auto source = make<KRRecorderCell>();
    source->setAllowedFlags(CommandKeyMask | ShiftKeyMask);
    source->setRequiredFlags(CommandKeyMask);
    source->setAllowsKeyOnlyEscapeKeysRecord(true, true);
    source->setAnimates(true);
    source->setStyle(1);
    source->setKeyCombo({ CommandKeyMask | ShiftKeyMask, krCodeK });
    auto copy = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(source))).objectAs<KRRecorderCell>();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->keyCombo(), source->keyCombo());
    EXPECT_EQ(copy->allowedFlags(), CommandKeyMask | ShiftKeyMask | FunctionKeyMask) << "decoding adds the function bit";
    EXPECT_EQ(copy->requiredFlags(), CommandKeyMask);
    EXPECT_TRUE(copy->allowsKeyOnly());
    EXPECT_TRUE(copy->escapeKeysRecord());
    EXPECT_TRUE(copy->animates());
    EXPECT_EQ(copy->style(), 1);
    EXPECT_EQ(copy->keyChars(), QStringLiteral("K")) << "no characters held: the display string";

    // With the recorded key characters.
    auto view = make<KRRecorderControl>(MakeRect(0, 0, 100, 22));
    view->recorderCell()->startRecordingTransition();
    view->keyDown(*krKey(krCodeK, QStringLiteral("\u00E9"), CommandKeyMask));
    auto withChars = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(view->cell())))
                         .objectAs<KRRecorderCell>();
    ASSERT_TRUE(withChars);
    EXPECT_EQ(withChars->keyChars(), QStringLiteral("\u00E9"));
    EXPECT_EQ(withChars->keyCharsIgnoringModifiers(), QStringLiteral("\u00E9"));
}

TEST_F(RecorderControl, KeyCodeAndStyleDecodeAs16Bit)
{
    auto source = make<KRRecorderCell>();
    source->setAllowsKeyOnly(true);
    source->setKeyCombo({ CommandKeyMask, 65536 + 40 });
    auto copy = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(source))).objectAs<KRRecorderCell>();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->keyCombo().code, 40);
}

TEST_F(RecorderControl, ControlDecodesAsTheCellsDelegate)
{
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    auto copy = KeyedUnarchiver::unarchiveObjectWithData(KeyedArchiver::archivedDataWithRootObject(Value(recorder))).objectAs<KRRecorderControl>();
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
    EXPECT_EQ(copy->recorderCell()->delegate().get(), copy.get());
}

// --- Binding write-back ---

class KRTestModel : public Object {
    KIT_CLASS(KRTestModel)
public:
    Value shortcut;
};

KIT_REGISTER_CLASS(KRTestModel, Object)
{
    c.property(
        "shortcut", [](const KRTestModel& m) { return m.shortcut; }, [](KRTestModel& m, const Value& v) { m.shortcut = v; });
}

class KRTestOneWayTransformer : public ValueTransformer {
public:
    bool allowsReverseTransformation() const override { return false; }
    Value transformedValue(const Value& v) const override { return v; }
};

class KRTestReversibleTransformer : public ValueTransformer {
public:
    bool allowsReverseTransformation() const override { return true; }
    Value transformedValue(const Value& v) const override { return v; }
    Value reverseTransformedValue(const Value& v) const override
    {
        return v.isDictionary() ? Value(v.dictionary().objectForKey(QStringLiteral("keyCode"))) : Value();
    }
};

TEST_F(RecorderControl, WriteBackThroughTheBinding)
{
    auto model = make<KRTestModel>();
    recorder->bindToObjectWithKeyPathOptions(QStringLiteral("value"), model.get(), QStringLiteral("shortcut"), {});
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    ASSERT_TRUE(model->shortcut.isDictionary());
    EXPECT_EQ(model->shortcut.dictionary().objectForKey(QStringLiteral("keyCode")).integerValue(), 40);
    recorder->unbind(QStringLiteral("value"));

    recorder->bindToObjectWithKeyPathOptions(QStringLiteral("value"), model.get(), QStringLiteral("shortcut"),
        Dictionary { { Value(ValueTransformerBindingOption), Value(make<KRTestReversibleTransformer>()) } });
    recorder->setKeyCombo({ CommandKeyMask, 12 });
    EXPECT_EQ(model->shortcut.integerValue(), 12) << "reverse-transformed";
    recorder->unbind(QStringLiteral("value"));

    test::LogRecorder log;
    recorder->bindToObjectWithKeyPathOptions(QStringLiteral("value"), model.get(), QStringLiteral("shortcut"),
        Dictionary { { Value(ValueTransformerBindingOption), Value(make<KRTestOneWayTransformer>()) } });
    recorder->setKeyCombo({ CommandKeyMask, krCodeK });
    EXPECT_TRUE(log.contains(QStringLiteral(
        "WARNING: value has value transformer, but it doesn't allow reverse transformations in -[KRRecorderControl keyRecorderCell:keyComboDidChange:]")));
    EXPECT_TRUE(model->shortcut.isDictionary()) << "written untransformed";
    recorder->unbind(QStringLiteral("value"));
}

// A control whose binding info is given, for the two broken forms.
class KRTestInfoControl : public KRRecorderControl {
public:
    using KRRecorderControl::KRRecorderControl;
    Dictionary info;
    Value infoForBinding(const QString&) const override { return Value(info); }
};

TEST_F(RecorderControl, BrokenBindingInfoIsLogged)
{
    auto model = make<KRTestModel>();
    auto control = make<KRTestInfoControl>(MakeRect(0, 0, 100, 22));
    test::LogRecorder log;
    control->info = Dictionary { { Value(ObservedKeyPathKey), Value(QStringLiteral("shortcut")) } };
    control->setKeyCombo({ CommandKeyMask, krCodeK });
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: NSObservedObjectKey was nil for value binding in -[KRRecorderControl keyRecorderCell:keyComboDidChange:]")));
    control->info = Dictionary { { Value(ObservedObjectKey), Value(model) }, { Value(ObservedKeyPathKey), Value::null() } };
    control->setKeyCombo({ CommandKeyMask, 12 });
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: NSObservedKeyPathKey was nil for value binding in -[KRRecorderControl keyRecorderCell:keyComboDidChange:]")));
    EXPECT_TRUE(model->shortcut.isNil());
    EXPECT_EQ(control->keyCombo().code, 12) << "the combination stays changed";
}

// --- Delegate ---

class KRTestControlDelegate : public Object, public KRRecorderControlDelegate {
public:
    int changes = 0;
    bool veto = false;
    bool keyRecorderIsKeyCodeAndFlagsTakenReason(KRRecorderControl*, std::int64_t, std::uint64_t, QString* reason) override
    {
        if (veto && reason)
            *reason = QStringLiteral("it is mine");
        return veto;
    }
    void keyRecorderKeyComboDidChange(KRRecorderControl*, KRKeyCombo) override { ++changes; }
};

TEST_F(RecorderControl, DelegateHearsChangesAndVetoes)
{
    auto delegate = make<KRTestControlDelegate>();
    recorder->setDelegate(delegate.get());
    recorder->setKeyCombo({ CommandKeyMask, 12 });
    EXPECT_EQ(delegate->changes, 1);
    delegate->veto = true;
    startRecording();
    press(krCodeK, QStringLiteral("k"), CommandKeyMask);
    ASSERT_EQ(alerts.shown.size(), 1u);
    EXPECT_EQ(alerts.shown[0].informativeText, QStringLiteral("The key combination \"Ctrl + K\" can't be used because it is mine."));
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { CommandKeyMask, 12 }));
    recorder->setDelegate(nullptr);
}

TEST_F(RecorderControl, NarrowerAllowedFlagsRefilterTheStoredShortcut)
{
    auto delegate = make<KRTestControlDelegate>();
    recorder->setAutosaveName(QStringLiteral("Narrow"));
    recorder->setKeyCombo({ CommandKeyMask | ShiftKeyMask, krCodeK });
    recorder->setDelegate(delegate.get());
    recorder->setAllowedFlags(CommandKeyMask | FunctionKeyMask);
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
    EXPECT_EQ(delegate->changes, 1);
    EXPECT_EQ(krDefaultsRecord(QStringLiteral("Narrow")).dictionary().objectForKey(QStringLiteral("modifierFlags")).integerValue(), 0x100000);
    recorder->setRequiredFlags(0);
    EXPECT_EQ(delegate->changes, 1) << "nothing changed, nobody told";

    // While recording the held modifiers follow instead; the stored shortcut stays.
    startRecording();
    recorder->setRequiredFlags(AlternateKeyMask);
    EXPECT_EQ(cell().recordingFlags(), AlternateKeyMask);
    EXPECT_EQ(recorder->keyCombo(), (KRKeyCombo { CommandKeyMask, krCodeK }));
    recorder->setDelegate(nullptr);
}

} // namespace
