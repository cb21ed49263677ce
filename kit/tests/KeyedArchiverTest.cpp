#include "kit/foundation/KeyedArchiver.h"

#include "kit/core/Exception.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <gtest/gtest.h>

using namespace kit;

namespace {

// An outline item: settings, children, a parent and a delegate that are back references.
class Item : public Object, public Coding {
    KIT_CLASS(Item)
    QString title;
    std::int64_t badgeValue = -1; // missing in an archive: stays -1
    double ratio = 0.25;
    bool showsReflection = false;
    Array children;
    Weak<Item> parent;
    Weak<Object> delegate;
    Rect frame;

    void encodeWithCoder(Coder& coder) const override
    {
        coder.encodeObjectForKey(Value(title), "title");
        coder.encodeIntegerForKey(badgeValue, "badgeValue");
        coder.encodeDoubleForKey(ratio, "ratio");
        coder.encodeBoolForKey(showsReflection, "showsReflection");
        coder.encodeObjectForKey(Value(children), "children");
        coder.encodeConditionalObjectForKey(parent.lock().get(), "parent");
        coder.encodeConditionalObjectForKey(delegate.lock().get(), "delegate");
        coder.encodeRectForKey(frame, "frame");
    }
    void initWithCoder(Coder& coder) override
    {
        if (coder.containsValueForKey("title"))
            title = coder.decodeObjectForKey("title").stringValue();
        if (coder.containsValueForKey("badgeValue"))
            badgeValue = coder.decodeIntegerForKey("badgeValue");
        if (coder.containsValueForKey("ratio"))
            ratio = coder.decodeDoubleForKey("ratio");
        showsReflection = coder.decodeBoolForKey("showsReflection");
        children = coder.decodeObjectForKey("children").array();
        parent = static_cast<Item*>(coder.decodeObjectOfClassForKey(Item::staticClass(), "parent").get());
        delegate = coder.decodeObjectForKey("delegate").object().get();
        frame = coder.decodeRectForKey("frame");
    }
};

class SubItem : public Item {
    KIT_CLASS(SubItem)
    QString order; // records that the superclass applied its keys first
    void encodeWithCoder(Coder& coder) const override
    {
        Item::encodeWithCoder(coder);
        coder.encodeObjectForKey(Value("sub"), "extra");
    }
    void initWithCoder(Coder& coder) override
    {
        Item::initWithCoder(coder);
        order = title + "+" + coder.decodeObjectForKey("extra").stringValue();
    }
};

class NotArchivable : public Object {
    KIT_CLASS(NotArchivable)
};

Value archiveRoundTrip(const Value& v)
{
    QString error;
    Value back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(v), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return back;
}

class ValueRoundTripTest : public ::testing::TestWithParam<Value> { };

TEST_P(ValueRoundTripTest, EveryValueKindSurvives)
{
    const Value back = archiveRoundTrip(GetParam());
    EXPECT_EQ(back.kind(), GetParam().kind());
    EXPECT_EQ(back, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Kinds, ValueRoundTripTest,
    ::testing::Values(Value("text"), Value(42), Value(-7.5), Value(1.0), Value(true), Value(QByteArray("\0\1\2", 3)), Value(Date(1234.5)),
        Value(Array { Value(1), Value("a") }), Value(Dictionary { { Value("k"), Value(1) }, { Value(2), Value("two") } }), Value::null(),
        Value(Set { Value(1), Value(2) }), Value(IndexSet { 1, 2, 3, 7 }), Value(MakeRect(1, 2, 3, 4)), Value(MakePoint(-1, 0.5)),
        Value(MakeSize(3, 4)), Value(Range { 3, 9 }), Value::affineTransform({ 1, 0, 0, 1, 5, 6 }),
        Value::transform3D({ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, -0.002, 0, 0, 0, 1 }),
        Value(Dictionary { { Value("$class"), Value("not a class") } })));

TEST(KeyedArchiverTest, GraphKeepsIdentityCyclesAndConditionals)
{
    auto root = make<Item>();
    auto child = make<Item>();
    auto outsider = make<Item>();
    root->title = "root";
    child->title = "child";
    child->parent = root;
    child->delegate = outsider.get(); // conditional and encoded nowhere else: dropped
    root->delegate = child.get(); // conditional and also encoded as a child: kept
    root->children = Array { Value(child), Value(child) };
    const Value back = archiveRoundTrip(Value(root));
    auto r = back.objectAs<Item>();
    ASSERT_TRUE(r);
    ASSERT_EQ(r->children.count(), 2);
    auto c0 = r->children[0].objectAs<Item>();
    EXPECT_EQ(c0, r->children[1].objectAs<Item>()); // one instance per archived object
    EXPECT_EQ(c0->title, "child");
    EXPECT_EQ(c0->parent.lock(), r); // the cycle resolves to the same root
    EXPECT_EQ(r->delegate.lock(), c0);
    EXPECT_FALSE(c0->delegate.lock());
}

TEST(KeyedArchiverTest, MissingKeysLeaveInitialisedDefaultsAndNumbersConvert)
{
    // Written by hand: "showsReflection" stored as a real, no badge, no frame.
    const QByteArray archive = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}},
        "$objects": [{"$class": "Item", "title": "t", "showsReflection": 1.0}]})";
    auto item = KeyedUnarchiver::unarchiveObjectWithData(archive).objectAs<Item>();
    ASSERT_TRUE(item);
    EXPECT_EQ(item->badgeValue, -1);
    EXPECT_EQ(item->ratio, 0.25);
    EXPECT_TRUE(item->showsReflection);
    EXPECT_EQ(item->frame, ZeroRect);
}

TEST(KeyedArchiverTest, SuperclassKeysFirst)
{
    auto sub = make<SubItem>();
    sub->title = "base";
    auto back = archiveRoundTrip(Value(sub)).objectAs<SubItem>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->order, "base+sub");
    EXPECT_TRUE(back->isKindOfClass(Item::staticClass()));
}

TEST(KeyedArchiverTest, ObjectsWithoutCodingCannotBeArchived)
{
    try {
        KeyedArchiver::archivedDataWithRootObject(Value(make<NotArchivable>()));
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(e.name(), InvalidArchiveOperationException);
    }
}

struct KindCase {
    const char* name;
    const char* stored;
    bool boolValue;
    std::int32_t intValue;
    double doubleValue;
    bool error;
};

class DecodeKindTest : public ::testing::TestWithParam<KindCase> { };

TEST_P(DecodeKindTest, WrongKindsGiveDefaultsAndAnError)
{
    const KindCase& c = GetParam();
    const QByteArray archive = QByteArray(R"({"$archiver": "KeyedArchiver", "$top": {"v": )") + c.stored + "}}";
    auto u = make<KeyedUnarchiver>(archive);
    ASSERT_TRUE(u->isValid());
    EXPECT_EQ(u->decodeBoolForKey("v"), c.boolValue);
    EXPECT_EQ(u->decodeIntForKey("v"), c.intValue);
    EXPECT_EQ(u->decodeDoubleForKey("v"), c.doubleValue);
    EXPECT_EQ(u->decodeRectForKey("v"), ZeroRect);
    EXPECT_EQ(!u->error().isEmpty(), c.error);
}

INSTANTIATE_TEST_SUITE_P(Kinds, DecodeKindTest,
    ::testing::Values(KindCase { "int", "3", true, 3, 3, true }, // rect of an int is the error
        KindCase { "real", "2.75", true, 2, 2.75, true }, KindCase { "string", "\"7\"", false, 0, 0, true },
        KindCase { "huge", "1e300", true, 0, 1e300, true },
        KindCase { "bigInt", "9223372036854775807", true, 0, 9223372036854775807.0, true }, KindCase { "bool", "true", true, 1, 1, true }),
    [](const auto& info) { return std::string(info.param.name); });

struct HostileCase {
    const char* name;
    QByteArray archive;
};

QByteArray chain(int length)
{
    QByteArray objects;
    for (int i = 0; i < length; ++i) {
        if (i)
            objects += ',';
        objects += R"({"$class": "Item", "children": [{"$ref": )" + QByteArray::number(i + 1) + "}]}";
    }
    return R"({"$archiver": "KeyedArchiver", "$top": {"root": {"$ref": 0}}, "$objects": [)" + objects + "]}";
}

QByteArray wrap(const QByteArray& objects, const QByteArray& root = R"({"$ref": 0})")
{
    return R"({"$archiver": "KeyedArchiver", "$top": {"root": )" + root + R"(}, "$objects": )" + objects + "}";
}

class HostileArchiveTest : public ::testing::TestWithParam<HostileCase> { };

TEST_P(HostileArchiveTest, NeverCrashesAndReportsAnError)
{
    QString error;
    const Value root = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(GetParam().archive, &error);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(root.isNil());
}

INSTANTIATE_TEST_SUITE_P(Archives, HostileArchiveTest,
    ::testing::Values(HostileCase { "truncated", wrap(R"([{"$class": "Item")") }, HostileCase { "notJson", "\x89PNG" },
        HostileCase { "notArchive", R"({"root": 1})" }, HostileCase { "unknownClass", wrap(R"([{"$class": "Nope"}])") },
        HostileCase { "noClass", wrap(R"([{"title": "x"}])") }, HostileCase { "objectNotDict", wrap("[5]") },
        HostileCase { "danglingRef", wrap(R"([{"$class": "Item"}])", R"({"$ref": 7})") },
        HostileCase { "negativeRef", wrap("[]", R"({"$ref": -1})") }, HostileCase { "realRef", wrap("[]", R"({"$ref": 0.5})") },
        HostileCase { "deepChain", chain(5000) }, HostileCase { "badMarker", wrap("[]", R"({"$evil": 1})") },
        HostileCase { "twoMarkers", wrap("[]", R"({"$ref": 0, "$data": ""})") },
        HostileCase { "badData", wrap("[]", R"({"$data": "%%%"})") },
        HostileCase { "hugeIndexRange", wrap("[]", R"({"$indexes": [[9223372036854775806, 5]]})") },
        HostileCase { "shortRect", wrap("[]", R"({"$rect": [1, 2, 3]})") },
        HostileCase { "placeholder", wrap("[]", R"({"$placeholder": "File's Owner"})") },
        HostileCase { "notArchivableClass", wrap(R"([{"$class": "NotArchivable"}])") }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(KeyedArchiverTest, SelfReferenceAndWrongClassInsideAGraph)
{
    // An item whose child is itself, and whose parent is a string.
    const QByteArray archive = wrap(R"([{"$class": "Item", "children": [{"$ref": 0}], "parent": "oops"}])");
    QString error;
    // Untrusted: the cycle itself is refused, so nothing is left that cannot be freed.
    EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClass(Item::staticClass(), archive, &error));
    EXPECT_TRUE(error.contains("cycle"));
    auto u = make<KeyedUnarchiver>(archive);
    auto root = u->decodeObjectForKey("root").objectAs<Item>();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->children[0].objectAs<Item>(), root);
    EXPECT_FALSE(root->parent.lock());
    EXPECT_FALSE(u->error().isEmpty()); // the parent of the wrong kind
    root->children = Array(); // break the cycle the archive made
}

TEST(KeyedArchiverTest, StrictReadingOfUntrustedData)
{
    auto item = make<Item>();
    item->title = "x";
    const QByteArray data = KeyedArchiver::archivedDataWithRootObject(Value(item));
    QString error;
    EXPECT_TRUE(KeyedUnarchiver::unarchivedObjectOfClass(Item::staticClass(), data, &error));
    EXPECT_FALSE(KeyedUnarchiver::unarchivedObjectOfClass(SubItem::staticClass(), data, &error));
    EXPECT_FALSE(error.isEmpty());

    const QByteArray indexes = KeyedArchiver::archivedDataWithRootObject(Value(IndexSet { 4, 5 }));
    auto set = KeyedUnarchiver::unarchivedValueOfKind(Value::Kind::IndexSet, indexes, &error);
    ASSERT_TRUE(set);
    EXPECT_EQ(set->indexSet(), (IndexSet { 4, 5 }));
    EXPECT_FALSE(KeyedUnarchiver::unarchivedValueOfKind(Value::Kind::IndexSet, data, &error)); // names a class
    EXPECT_FALSE(
        KeyedUnarchiver::unarchivedValueOfKind(Value::Kind::IndexSet, KeyedArchiver::archivedDataWithRootObject(Value("3")), &error));
}

} // namespace

KIT_REGISTER_CLASS(Item, Object) { }
KIT_REGISTER_CLASS(SubItem, Item) { }
KIT_REGISTER_CLASS(NotArchivable, Object) { }
