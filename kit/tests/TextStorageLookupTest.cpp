// Attribute lookups by index in a storage of many runs, as a long form holds them: the stored run
// found by binary search, and longest effective ranges that stop at their limit.

#include "kit/text/TextStorage.h"

#include <gtest/gtest.h>

namespace {

using namespace kit;

const QString lookupFieldKey = QStringLiteral("Field");
const QString lookupValueKey = QStringLiteral("Value");

// Paragraph p: "L" (field p) + "vv" (field p, value p) + "\n" (no attributes).
Ref<TextStorage> makeLookupForm(int paragraphs)
{
    auto storage = make<TextStorage>();
    storage->beginEditing();
    for (int p = 0; p < paragraphs; ++p) {
        Dictionary label;
        label.setObjectForKey(Value(std::int64_t(p)), Value(lookupFieldKey));
        Dictionary value = label;
        value.setObjectForKey(Value(QStringLiteral("v%1").arg(p)), Value(lookupValueKey));
        storage->appendAttributedString(AttributedString(QStringLiteral("L"), label));
        storage->appendAttributedString(AttributedString(QStringLiteral("vv"), value));
        storage->appendAttributedString(AttributedString(QStringLiteral("\n")));
    }
    storage->endEditing();
    return storage;
}

TEST(TextStorageLookup, EveryIndexOfALongFormFindsItsStoredRun)
{
    constexpr int paragraphs = 2000;
    const Ref<TextStorage> storage = makeLookupForm(paragraphs);
    ASSERT_EQ(storage->runs().size(), std::size_t(3 * paragraphs));
    for (int p = 0; p < paragraphs; p += 37) {
        const std::int64_t start = 4 * p;
        Range run;
        EXPECT_EQ(storage->attributeAtIndexEffectiveRange(lookupValueKey, start + 2, &run), Value(QStringLiteral("v%1").arg(p)));
        EXPECT_EQ(run, (Range { start + 1, 2 }));
        // The field covers label and value: two stored runs, one longest range.
        EXPECT_EQ(storage->attributeAtIndexEffectiveRange(lookupFieldKey, start, &run), Value(std::int64_t(p)));
        EXPECT_EQ(run, (Range { start, 1 }));
        EXPECT_EQ(storage->attributeAtIndexLongestEffectiveRangeInRange(lookupFieldKey, start, &run, { 0, storage->length() }),
            Value(std::int64_t(p)));
        EXPECT_EQ(run, (Range { start, 3 }));
        // The newline has neither attribute; its longest range without the value ends at the next value.
        EXPECT_TRUE(storage->attributeAtIndexLongestEffectiveRangeInRange(lookupValueKey, start + 3, &run, { 0, storage->length() }).isNil());
        EXPECT_EQ(run, (Range { start + 3, p + 1 < paragraphs ? 2 : 1 }));
    }
}

TEST(TextStorageLookup, LongestRangesStopAtTheirLimitAndFollowEdits)
{
    const Ref<TextStorage> storage = makeLookupForm(500);
    Range run;
    // A limit inside the field's paragraph cuts the answer.
    EXPECT_EQ(storage->attributeAtIndexLongestEffectiveRangeInRange(lookupFieldKey, 1001, &run, { 1001, 1 }), Value(std::int64_t(250)));
    EXPECT_EQ(run, (Range { 1001, 1 }));

    // Typing into a value early in the text moves every later run.
    storage->replaceCharactersInRangeWithString({ 6, 0 }, QStringLiteral("xyz"));
    EXPECT_EQ(storage->attributeAtIndexEffectiveRange(lookupValueKey, 6, &run), Value(QStringLiteral("v1")));
    EXPECT_EQ(run, (Range { 5, 5 }));
    EXPECT_EQ(storage->attributeAtIndexEffectiveRange(lookupValueKey, 4 * 250 + 3 + 1, &run), Value(QStringLiteral("v250")));
    EXPECT_EQ(run, (Range { 4 * 250 + 3 + 1, 2 }));
    const std::int64_t last = storage->length() - 2;
    EXPECT_EQ(storage->attributeAtIndexEffectiveRange(lookupValueKey, last, &run), Value(QStringLiteral("v499")));
    EXPECT_EQ(run, (Range { last - 1, 2 }));
}

} // namespace
