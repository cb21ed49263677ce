#include "ControlsTestSupport.h"
#include "kit/controls/Control.h"
#include "kit/controls/ControlTextEditingDelegate.h"
#include "kit/foundation/NumberFormatter.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/RecordingBackend.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;
using namespace kit::test;

// Shows numbers as "N %" and reads "N %" or "N" back; anything else is refused.
class PercentFormatter : public Formatter {
    KIT_CLASS(PercentFormatter)
public:
    QString stringForObjectValue(const Value& value) const override
    {
        return value.isNumber() ? QString::number(value.integerValue()) + QStringLiteral(" %") : QString();
    }
    bool getObjectValueForStringErrorDescription(Value* object, const QString& string, QString* error) const override
    {
        QString digits = string.trimmed();
        if (digits.endsWith(u'%'))
            digits = digits.chopped(1).trimmed();
        bool ok = false;
        const int n = digits.toInt(&ok);
        if (!ok) {
            if (error)
                *error = QStringLiteral("Not a percentage");
            return false;
        }
        if (object)
            *object = Value(std::int64_t(n));
        return true;
    }
};

KIT_REGISTER_CLASS(PercentFormatter, Formatter) { }

// A control that answers "delegate", as text controls do.
class DelegatingControl : public Control {
    KIT_CLASS(DelegatingControl)
public:
    using Control::Control;
    Ref<Object> delegate() const { return delegate_.lock(); }
    void setDelegate(Object* delegate) override { delegate_ = delegate; }

private:
    Weak<Object> delegate_;
};

KIT_REGISTER_CLASS(DelegatingControl, Control) { c.property("delegate", &DelegatingControl::delegate, &DelegatingControl::setDelegate); }

class FormatFailureRecorder : public Object, public ControlTextEditingDelegate {
    KIT_CLASS(FormatFailureRecorder)
public:
    bool controlDidFailToFormatStringErrorDescription(Control* control, const QString& string, const QString& error) override
    {
        reports << string + u'|' + error;
        controls.push_back(control);
        return accept;
    }
    QStringList reports;
    std::vector<Control*> controls;
    bool accept = false;
};

KIT_REGISTER_CLASS(FormatFailureRecorder, Object) { c.optionalOperation(ControlDidFailToFormatStringErrorDescriptionOperation); }

TEST(FormatterCell, StringsAreTheFormattersTextOfTheValue)
{
    auto cell = make<ActionCell>();
    cell->setIntegerValue(42);
    EXPECT_EQ(cell->stringValue(), "42");
    cell->setFormatter(make<PercentFormatter>());
    EXPECT_EQ(cell->stringValue(), "42 %");
    EXPECT_EQ(cell->attributedStringValue().string(), "42 %");
    EXPECT_EQ(cell->intValue(), 42);
    // A value the formatter has no text for keeps its own.
    cell->setObjectValue(Value(QStringLiteral("n/a")));
    EXPECT_EQ(cell->stringValue(), "n/a");
    // Text in the value is read through the formatter for the numeric accessors.
    cell->setObjectValue(Value(QStringLiteral("17 %")));
    EXPECT_EQ(cell->integerValue(), 17);
    EXPECT_DOUBLE_EQ(cell->doubleValue(), 17);
}

struct StringCase {
    const char* name;
    const char* input;
    bool withDelegate;
    bool delegateAccepts;
    Value expected; // the value afterwards (7 before)
    bool valid;
    int reports;
};

class FormatterStrings : public testing::TestWithParam<StringCase> { };

TEST_P(FormatterStrings, RefusedTextKeepsTheValueUnlessTheDelegateTakesIt)
{
    const StringCase& c = GetParam();
    auto control = make<DelegatingControl>(MakeRect(0, 0, 80, 20));
    auto recorder = make<FormatFailureRecorder>();
    recorder->accept = c.delegateAccepts;
    if (c.withDelegate)
        control->setDelegate(recorder.get());
    control->setFormatter(make<PercentFormatter>());
    control->setIntegerValue(7);
    control->setStringValue(QString::fromUtf8(c.input));
    EXPECT_TRUE(control->objectValue().isEqual(c.expected)) << c.name << ": " << control->objectValue().description().toStdString();
    EXPECT_EQ(control->cell()->hasValidObjectValue(), c.valid) << c.name;
    ASSERT_EQ(recorder->reports.size(), c.reports) << c.name;
    if (c.reports) {
        EXPECT_EQ(recorder->reports[0], QString::fromUtf8(c.input) + QStringLiteral("|Not a percentage")) << c.name;
        EXPECT_EQ(recorder->controls[0], control.get()) << c.name;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, FormatterStrings,
    testing::Values(StringCase { "read", "12 %", true, false, Value(std::int64_t(12)), true, 0 },
        StringCase { "bare number", "5", false, false, Value(std::int64_t(5)), true, 0 },
        StringCase { "refused, no delegate", "lots", false, false, Value(std::int64_t(7)), false, 0 },
        StringCase { "refused, delegate declines", "lots", true, false, Value(std::int64_t(7)), false, 1 },
        StringCase { "refused, delegate takes it", "lots", true, true, Value(QStringLiteral("lots")), true, 1 }));

TEST(FormatterCell, ANewValueMakesAnInvalidCellValidAgain)
{
    auto cell = make<ActionCell>();
    cell->setFormatter(make<PercentFormatter>());
    cell->setStringValue("x");
    EXPECT_FALSE(cell->hasValidObjectValue());
    cell->setIntegerValue(3);
    EXPECT_TRUE(cell->hasValidObjectValue());
    EXPECT_EQ(cell->stringValue(), "3 %");
}

TEST(FormatterCell, WithoutAFormatterStringsAreStoredAsTheyAre)
{
    auto cell = make<ActionCell>();
    cell->setStringValue("12 %");
    EXPECT_TRUE(cell->objectValue().isString());
    EXPECT_EQ(cell->stringValue(), "12 %");
    EXPECT_EQ(cell->integerValue(), 12);
    // An object that is not a kit::Formatter converts nothing.
    cell->setFormatter(make<Menu>());
    cell->setStringValue("8");
    EXPECT_TRUE(cell->objectValue().isString());
}

// The integer field of the inspector: a copy of one "#0" template per field; "3.5" is refused.
TEST(FormatterCell, IntegerNumberFormatterRefusesFractions)
{
    auto formatter = make<NumberFormatter>();
    formatter->setNumberStyle(NumberFormatterDecimalStyle);
    formatter->setAllowsFloats(false);
    formatter->setFormat("#0");
    formatter->setLenient(true);
    auto cell = make<ActionCell>();
    cell->setFormatter(formatter->copy());
    cell->setStringValue("1234");
    EXPECT_EQ(cell->integerValue(), 1234);
    EXPECT_EQ(cell->stringValue(), "1234");
    cell->setStringValue("3.5");
    EXPECT_FALSE(cell->hasValidObjectValue());
    EXPECT_EQ(cell->integerValue(), 1234);
}

// A text cell draws its attributedStringValue: the formatter's text in the cell's font.
TEST(FormatterCell, ATextCellDrawsTheFormattedText)
{
    auto cell = make<ActionCell>();
    cell->setFormatter(make<PercentFormatter>());
    cell->setIntegerValue(64);
    cell->setAlignment(RightTextAlignment);
    auto backend = std::make_shared<RecordingBackend>(QSize(200, 40));
    {
        GraphicsContext::Scope scope(GraphicsContext::graphicsContextWithBackend(backend, true));
        cell->drawInteriorWithFrameInView(MakeRect(0, 0, 200, 40), nullptr);
    }
    ASSERT_EQ(backend->records.size(), 1u);
    EXPECT_EQ(backend->records[0].text, "64 %");
    EXPECT_EQ(backend->records[0].font.pixelSize(), cell->font().pixelSize());
    // Right-aligned in the title rectangle, which keeps the editor's inset from the edge.
    const Rect title = cell->titleRectForBounds(MakeRect(0, 0, 200, 40));
    EXPECT_GT(backend->records[0].baseline.x(), 100);
    EXPECT_LT(backend->records[0].baseline.x(), title.maxX());
}

} // namespace
