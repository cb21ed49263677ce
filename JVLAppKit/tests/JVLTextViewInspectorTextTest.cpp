// The inspector's form text: paragraphs built from the fields, their attribute runs, the label
// column, batches and in-place updates.

#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorCompoundField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorTextField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewField.h"
#include "JVLAppKit/TextViewInspector/JVLTextViewInspectorViewController.h"
#include "JVLAppKit/tests/JVLTextViewInspectorTestSupport.h"

#include "kit/core/Exception.h"
#include "kit/foundation/Bundle.h"

#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"
#include "kit/testsupport/RuntimeRecorders.h"
#include "kit/text/TextStorage.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using namespace kit;
using Label = JVLTextViewInspectorFieldLabel;

Ref<JVLTextViewInspectorTextField> textField(const char* id, const char* placeholder, const char* label)
{
    return JVLTextViewInspectorTextField::fieldWithIdentifierPlaceholderAndLabel(
        QString::fromUtf8(id), QString::fromUtf8(placeholder), label ? Label::fieldLabelWithString(QString::fromUtf8(label)) : nullptr);
}

double labelWidth(const char* text) { return AttributedString(QString::fromUtf8(text), JVLTextViewInspector::labelAttributes()).size().width; }

TEST(InspectorText, OneLabelledFieldIsOneParagraphAfterTheEmptyFirstOne)
{
    InspectorFixture f;
    auto name = textField("name", "Name", "Family");
    name->setValue(Value("Sans"));
    f.inspector->addField(name);
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tFamily\tSans\n"));
    EXPECT_EQ(f.inspector->stringRepresentation(), QStringLiteral("\nFamily Sans\n"));
    // Label and value carry the field; the value run carries its placeholder; closers carry neither.
    EXPECT_EQ(f.runDump(),
        QStringLiteral("\\n {NSParagraphStyle}\n"
                       "\\t {JVLTextInspectorFieldAttributeName,NSParagraphStyle}\n"
                       "Family {JVLTextInspectorFieldAttributeName,LabelAttributeName,NSColor,NSFont,NSParagraphStyle}\n"
                       "\\t {JVLTextInspectorFieldAttributeName,NSParagraphStyle}\n"
                       "Sans {JVLTextInspectorFieldAttributeName,NSColor,NSFont,NSParagraphStyle,PlaceholderValueAttributeName}\n"
                       "\\n {NSParagraphStyle}"));
    EXPECT_EQ(f.inspector->visibleFieldsArray().size(), 1u);
    EXPECT_EQ(name->textViewInspector().get(), f.inspector.get());
    EXPECT_EQ(f.inspector->charRangeOfField(name.get()), (Range { 1, 12 }));
    EXPECT_EQ(f.inspector->fieldAtIndex(10).get(), name.get());
    EXPECT_FALSE(f.inspector->fieldAtIndex(0));
}

TEST(InspectorText, TheLabelColumnIsTheWidestLabelPlusTwenty)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    f.inspector->beginFieldEditing();
    f.inspector->addField(textField("a", "A", "Family"));
    f.inspector->addField(textField("b", "B", "A much longer label"));
    f.inspector->endFieldEditing();
    const double expected = double(std::trunc(float(labelWidth("A much longer label") + 20)));
    EXPECT_EQ(f.inspector->maxLabelWidth(), expected);
    const auto style = f.inspector->textStorage()->attributeAtIndexEffectiveRange(ParagraphStyleAttributeName, 2).objectAs<ParagraphStyle>();
    ASSERT_TRUE(style);
    ASSERT_EQ(style->tabStops().size(), 2u);
    EXPECT_EQ(style->tabStops()[0], TextTab(RightTabStopType, expected - 10));
    EXPECT_EQ(style->tabStops()[1], TextTab(LeftTabStopType, expected));
    EXPECT_EQ(style->headIndent(), expected);
    EXPECT_EQ(style->paragraphSpacing(), 7);

    // The class-wide minimum wins when wider; without labels only the final 10 remains.
    JVLTextViewInspector::setMinFieldLabelWidth(500);
    f.inspector->updateTextFieldStorage();
    EXPECT_EQ(f.inspector->maxLabelWidth(), 500);
    JVLTextViewInspector::setMinFieldLabelWidth(0);
    f.inspector->removeAllFields();
    f.inspector->addField(textField("c", "C", nullptr));
    EXPECT_EQ(f.inspector->maxLabelWidth(), 10);
}

TEST(InspectorText, BatchesRebuildOnceAtTheOutermostEnd)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    const int before = f.inspector->rebuildCountForTesting();
    f.inspector->beginFieldEditing();
    f.inspector->beginFieldEditing();
    for (int i = 0; i < 10; ++i)
        f.inspector->addField(textField("f", "P", "L"));
    f.inspector->endFieldEditing();
    EXPECT_EQ(f.inspector->rebuildCountForTesting(), before);
    f.inspector->endFieldEditing();
    EXPECT_EQ(f.inspector->rebuildCountForTesting(), before + 1);
    EXPECT_EQ(f.inspector->visibleFieldsArray().size(), 10u);
}

TEST(InspectorText, StateTextsAndPlaceholders)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto multiple = textField("m", "Size", "Size");
    multiple->setValue(Value(Array { Value("a"), Value("b") }));
    auto none = textField("n", "Style", "Style");
    none->setValue(Value(Array {}));
    auto empty = textField("e", "Designer", "Designer");
    auto noPlaceholder = textField("x", "", "Notes");
    f.inspector->addFieldsArray({ multiple, none, empty, noPlaceholder });
    EXPECT_EQ(f.inspector->string(),
        QStringLiteral("\n\tSize\tMultiple values\n\tStyle\tNo selection\n\tDesigner\tDesigner\n\tNotes\tmissing placeholder\n"));
    // Without a placeholder there is no value run: nothing to edit in place.
    const std::int64_t missing = f.inspector->string().indexOf(QStringLiteral("missing"));
    EXPECT_TRUE(f.inspector->textStorage()->attributeAtIndexEffectiveRange(JVLPlaceholderValueAttributeName, missing).isNil());
}

TEST(InspectorText, AFieldWithoutNewlineIsContinuedOnItsLine)
{
    InspectorFixture f;
    auto first = textField("a", "A", "Label");
    first->setShouldAppendNewline(false);
    first->setValue(Value("one"));
    auto second = textField("b", "B", nullptr);
    second->setValue(Value("two"));
    auto third = textField("c", "C", nullptr);
    third->setValue(Value("three"));
    f.inspector->addFieldsArray({ first, second, third });
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tLabel\tone two\n\t\tthree\n"));
}

TEST(InspectorText, ViewFieldLabelsGetOneColonAndCompoundLabelsLeadTheirFirstField)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto plain = JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel(
        "v", make<View>(MakeRect(0, 0, 20, 10)), Label::fieldLabelWithString("Rating"));
    auto colon = JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel(
        "w", make<View>(MakeRect(0, 0, 20, 10)), Label::fieldLabelWithString("Flag:"));
    auto compound = JVLTextViewInspectorCompoundField::fieldWithIdentifierAndLabel("c", Label::fieldLabelWithString("Link"));
    auto sub = textField("s", "URL", nullptr);
    compound->addField(sub);
    f.inspector->addFieldsArray({ plain, colon, compound });
    const QString obj(QChar(0xFFFC));
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tRating:\t") + obj + QStringLiteral("\n\tFlag:\t") + obj + QStringLiteral("\n\tLink\tURL\n"));
    EXPECT_EQ(f.inspector->visibleFieldsArray().size(), 3u);
    EXPECT_EQ(f.inspector->visibleIndexOfField(sub.get()), 2);
    // Hosted views are added hidden until their attachments are drawn.
    EXPECT_EQ(plain->view()->superview().get(), f.inspector.get());
    EXPECT_TRUE(plain->view()->isHidden());
}

TEST(InspectorText, UpdatingOneFieldTouchesOnlyItsRun)
{
    InspectorFixture f;
    auto a = textField("a", "A", "First");
    a->setValue(Value("one"));
    auto b = textField("b", "B", "Second");
    b->setValue(Value("two"));
    f.inspector->addFieldsArray({ a, b });
    const int rebuilds = f.inspector->rebuildCountForTesting();
    a->setValue(Value("uno"));
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tFirst\tuno\n\tSecond\ttwo\n"));
    EXPECT_EQ(f.inspector->rebuildCountForTesting(), rebuilds);
    // A one-element selection is reduced without a second redisplay of the run being built.
    b->setValue(Value(Array { Value("dos") }));
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tFirst\tuno\n\tSecond\tdos\n"));
    EXPECT_EQ(b->value(), Value("dos"));
}

TEST(InspectorText, RemovingAllFieldsLeavesNoHostedView)
{
    InspectorFixture f;
    f.inspector->setEditableState(true);
    auto view = JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel("v", make<View>(MakeRect(0, 0, 20, 10)), nullptr);
    auto compound = JVLTextViewInspectorCompoundField::fieldWithIdentifierAndLabel("c", nullptr);
    compound->addField(JVLTextViewInspectorViewField::viewFieldWithIdentifierFieldViewAndLabel("w", make<View>(MakeRect(0, 0, 20, 10)), nullptr));
    f.inspector->addFieldsArray({ view, compound });
    EXPECT_EQ(f.inspector->subviews().size(), 2u);
    f.inspector->removeAllFields();
    EXPECT_TRUE(f.inspector->subviews().empty());
    EXPECT_TRUE(f.inspector->string().isEmpty());
}

TEST(InspectorText, UnknownIdentifiersAreLoggedAndChangeNothing)
{
    InspectorFixture f;
    auto a = textField("a", "A", "First");
    f.inspector->addField(a);
    f.inspector->setValueForFieldWithIdentifier(Value("x"), "a");
    EXPECT_EQ(a->value(), Value("x"));
    test::LogRecorder log;
    f.inspector->setValueForFieldWithIdentifier(Value("y"), "nobody");
    f.inspector->setObjectValueForFieldWithIdentifier(Value("y"), "nobody");
    EXPECT_EQ(a->value(), Value("x"));
    EXPECT_TRUE(log.contains("JVLTextViewInspector: could not set value for field with identifier: nobody"));
    EXPECT_TRUE(log.contains("JVLTextViewInspector: could not set object value for field with identifier: nobody"));
    EXPECT_EQ(f.inspector->fieldsWithIdentifier("a").size(), 1u);
    EXPECT_FALSE(f.inspector->fieldWithIdentifier("nobody"));
}

} // namespace

namespace {

TEST(InspectorStateViews, AStateViewIsCentredInsteadOfTheForm)
{
    InspectorFixture f;
    f.inspector->setVerticallyResizable(false);
    f.inspector->setFrameSize(MakeSize(300, 200));
    auto name = textField("name", "Name", "Family");
    name->setValue(Value("Sans"));
    f.inspector->addField(name);
    f.inspector->setDisplaymode(JVLTextViewInspector::NoSelectionDisplayMode);
    const Ref<View> view = JVLTextViewInspectorViewController::noSelectionView();
    ASSERT_TRUE(view);
    EXPECT_EQ(view->superview().get(), f.inspector.get());
    EXPECT_EQ(view->frame(), MakeRect(99, 75, 101, 50));
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n"));
    EXPECT_EQ(f.inspector->subviews().size(), 1u);

    // The views are shared: a second inspector in the same mode takes it over.
    auto other = make<JVLTextViewInspector>(MakeRect(0, 0, 300, 200));
    other->setDisplaymode(JVLTextViewInspector::NoSelectionDisplayMode);
    EXPECT_EQ(view->superview().get(), other.get());
    other->setDisplaymode(JVLTextViewInspector::FieldsDisplayMode);

    f.inspector->setDisplaymode(JVLTextViewInspector::FieldsDisplayMode);
    EXPECT_EQ(f.inspector->string(), QStringLiteral("\n\tFamily\tSans\n"));
}

TEST(InspectorStateViews, AMissingInterfaceFileRaisesTheNamedException)
{
    QTemporaryDir empty;
    JVLTextViewInspectorViewController::resetForTesting();
    JVLTextViewInspectorViewController::staticClass().setBundleName(empty.path());
    Bundle::setMainBundlePathForTesting(empty.path());
    try {
        JVLTextViewInspectorViewController::sharedTextViewInspectorViewController();
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), QStringLiteral("View initialization failed"));
        EXPECT_EQ(e.reason(), QStringLiteral("JVLTextViewInspectorViewController: Could not load views resources!"));
    }
    JVLTextViewInspectorViewController::staticClass().setBundleName({});
    Bundle::setMainBundlePathForTesting(QString());
    JVLTextViewInspectorViewController::resetForTesting();
}

} // namespace
