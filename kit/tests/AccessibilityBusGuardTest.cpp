// The guard before Qt's accessibility bus adaptor: what it refuses, mends and hands on, in process;
// and where it stands aside.

#include "kit/linux/AccessibilityBusGuard.h"
#include "kit/testsupport/PrivateBus.h"

#include <QAccessibleInterface>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>

#include <gtest/gtest.h>

#include <climits>

namespace accessibility_bus_guard_test {

using kit::AccessibilityBusGuard;
using Verdict = AccessibilityBusGuard::Verdict;

// An element of Qt's accessibility with the interfaces a case asks for; its text is "hello".
class Element : public QAccessibleInterface, public QAccessibleTextInterface {
public:
    enum Has { Plain = 0, Text = 1, Editable = 2, Table = 4 };
    explicit Element(int has)
        : has_(has)
    { }
    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text) const override { return {}; }
    void setText(QAccessible::Text, const QString&) override { }
    QRect rect() const override { return {}; }
    QAccessible::Role role() const override { return QAccessible::Client; }
    QAccessible::State state() const override { return {}; }
    void* interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::TextInterface && (has_ & Text))
            return static_cast<QAccessibleTextInterface*>(this);
        // Only whether there is one counts.
        if ((type == QAccessible::EditableTextInterface && (has_ & Editable)) || (type == QAccessible::TableInterface && (has_ & Table)))
            return this;
        return nullptr;
    }

    void selection(int, int* start, int* end) const override { *start = *end = 0; }
    int selectionCount() const override { return 0; }
    void addSelection(int, int) override { }
    void removeSelection(int) override { }
    void setSelection(int, int, int) override { }
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int) override { }
    QString text(int, int) const override { return QStringLiteral("hello"); }
    int characterCount() const override { return 5; }
    QRect characterRect(int) const override { return {}; }
    int offsetAtPoint(const QPoint&) const override { return -1; }
    void scrollToSubstring(int, int) override { }
    QString attributes(int, int*, int*) const override { return {}; }

private:
    int has_;
};

const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString unknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString unknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString notSupported = QStringLiteral("org.freedesktop.DBus.Error.NotSupported");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");

QVariant variant(const QVariant& v) { return QVariant::fromValue(QDBusVariant(v)); }

struct GuardCase {
    const char* what;
    QString interface; // "Text" for "org.a11y.atspi.Text"; a dotted name stands as it is
    QString member;
    QList<QVariant> arguments;
    int element;       // Element::Has; -1 for a path that names no live element
    Verdict verdict;
    QString error = {};
    QList<QVariant> mended = {};
};

class AccessibilityBusGuardDecision : public testing::TestWithParam<GuardCase> { };

TEST_P(AccessibilityBusGuardDecision, RefusesWhatQtMisreadsAndMendsWhatItMishandles)
{
    const GuardCase& c = GetParam();
    const QString interface = c.interface.contains(u'.') ? c.interface : QStringLiteral("org.a11y.atspi.") + c.interface;
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral(":1.1"), QStringLiteral("/org/a11y/atspi/accessible/2147483649"), interface, c.member);
    message.setArguments(c.arguments);
    Element element(c.element < 0 ? 0 : c.element);
    const AccessibilityBusGuard::Decision d = AccessibilityBusGuard::decide(message, c.element < 0 ? nullptr : &element);
    EXPECT_EQ(d.verdict, c.verdict) << c.what;
    EXPECT_EQ(d.error, c.error) << c.what;
    ASSERT_EQ(d.arguments.size(), c.mended.size()) << c.what;
    for (qsizetype i = 0; i < c.mended.size(); ++i) {
        if (c.mended[i].metaType() == QMetaType::fromType<QDBusVariant>())
            EXPECT_EQ(qvariant_cast<QDBusVariant>(d.arguments[i]).variant(), qvariant_cast<QDBusVariant>(c.mended[i]).variant()) << c.what;
        else
            EXPECT_EQ(d.arguments[i], c.mended[i]) << c.what << " argument " << i;
    }
}

const int text = Element::Text;
const int editable = Element::Text | Element::Editable;

INSTANTIATE_TEST_SUITE_P(Calls, AccessibilityBusGuardDecision,
    testing::Values(
        // Missing, extra and wrong-typed arguments: Qt reads them by position.
        GuardCase { "no index", "Accessible", "GetChildAtIndex", {}, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "an index", "Accessible", "GetChildAtIndex", { 3 }, Element::Plain, Verdict::Forward },
        GuardCase { "an unsigned index", "Accessible", "GetChildAtIndex", { 3u }, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "no coordinate type", "Component", "GetExtents", {}, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "two coordinate types", "Component", "GetExtents", { 0u, 0u }, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "one argument too few", "Text", "GetTextAtOffset", { 0 }, text, Verdict::Refuse, invalidArgs },
        GuardCase { "a word", "Text", "GetTextAtOffset", { 0, 1u }, text, Verdict::Forward },
        GuardCase { "wrong arguments to no live element", "Text", "GetText", { QStringLiteral("x") }, -1, Verdict::Refuse, invalidArgs },
        GuardCase { "no live element", "Table", "GetAccessibleAt", { 0, 0 }, -1, Verdict::Forward },
        GuardCase { "an unknown member Qt would not answer", "TableCell", "GetSpan", {}, Element::Table, Verdict::Refuse, unknownMethod },
        GuardCase { "not Qt's interface", "org.freedesktop.DBus.Introspectable", "Introspect", {}, Element::Plain, Verdict::Forward },
        // Properties: Qt reads the interface and the property, and a set's value third.
        GuardCase { "a get without arguments", properties, "Get", {}, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "a set without arguments", properties, "Set", {}, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "all properties", properties, "GetAll", { QStringLiteral("org.a11y.atspi.Accessible") }, Element::Plain, Verdict::Refuse, notSupported },
        GuardCase { "a name", properties, "Get", { QStringLiteral("org.a11y.atspi.Accessible"), QStringLiteral("Name") }, Element::Plain, Verdict::Forward },
        GuardCase { "a method read as a property", properties, "Get", { QStringLiteral("org.a11y.atspi.Text"), QStringLiteral("BoundedRanges") }, text,
            Verdict::Refuse, unknownProperty },
        GuardCase { "a value", properties, "Set", { QStringLiteral("org.a11y.atspi.Value"), QStringLiteral("CurrentValue"), variant(4.0) }, Element::Plain,
            Verdict::Forward },
        GuardCase { "a value that is no number", properties, "Set", { QStringLiteral("org.a11y.atspi.Value"), QStringLiteral("CurrentValue"), variant(QStringLiteral("4")) },
            Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "a table's row count of a cell", properties, "Get", { QStringLiteral("org.a11y.atspi.Table"), QStringLiteral("NRows") }, Element::Plain,
            Verdict::Refuse, invalidArgs },
        // Interfaces Qt reaches whether or not the element has them.
        GuardCase { "a cell of a table", "Table", "GetAccessibleAt", { 0, 0 }, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "a cell of a table", "Table", "GetAccessibleAt", { 0, 0 }, Element::Table, Verdict::Forward },
        GuardCase { "a delete from a list", "EditableText", "DeleteText", { 0, -1000 }, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "a cut from a label", "EditableText", "CutText", { 0, -1000 }, text, Verdict::Refuse, invalidArgs },
        GuardCase { "a delete from a field", "EditableText", "DeleteText", { 0, -1000 }, editable, Verdict::Forward },
        GuardCase { "a point in the window of an element in none", "Text", "GetOffsetAtPoint", { 0, 0, 1u }, text, Verdict::Refuse, invalidArgs },
        GuardCase { "a point on the screen", "Text", "GetOffsetAtPoint", { 0, 0, 0u }, text, Verdict::Forward },
        // Well-formed calls Qt mishandles.
        GuardCase { "a value set as a method", "Value", "SetCurrentValue", { 4.0 }, Element::Plain, Verdict::Mend, {},
            { QStringLiteral("org.a11y.atspi.Value"), QStringLiteral("CurrentValue"), variant(4.0) } },
        GuardCase { "no value", "Value", "SetCurrentValue", {}, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "two values", "Value", "SetCurrentValue", { 4.0, 4.0 }, Element::Plain, Verdict::Refuse, invalidArgs },
        GuardCase { "extents to the end of time", "Text", "GetRangeExtents", { 0, INT_MAX, 0u }, text, Verdict::Mend, {}, { 0, 5, 0u } },
        GuardCase { "extents from before the start", "Text", "GetRangeExtents", { INT_MIN, 2, 0u }, text, Verdict::Mend, {}, { 0, 2, 0u } },
        GuardCase { "extents to the end", "Text", "GetRangeExtents", { 1, -1, 0u }, text, Verdict::Forward },
        GuardCase { "extents within", "Text", "GetRangeExtents", { 1, 3, 0u }, text, Verdict::Forward },
        GuardCase { "an insert longer than its text", "EditableText", "InsertText", { 0, QStringLiteral("x"), INT_MAX }, editable, Verdict::Mend, {},
            { 0, QStringLiteral("x"), 1 } },
        GuardCase { "an insert of its text", "EditableText", "InsertText", { 0, QStringLiteral("x"), 1 }, editable, Verdict::Forward }));

// The guard knows the reads of one Qt: anywhere else it stands aside and says why.
TEST(AccessibilityBusGuard, StandsAsideWhereItFindsNoAdaptorItKnows)
{
    EXPECT_FALSE(AccessibilityBusGuard::takeOver(QDBusConnection(QStringLiteral("no such connection"))));
    EXPECT_FALSE(AccessibilityBusGuard::standingAsideBecause().isEmpty());

    kit::test::PrivateBus bus;
    if (bus.address().isEmpty())
        GTEST_SKIP() << "no dbus-daemon";
    QDBusConnection connection = QDBusConnection::connectToBus(bus.address(), QStringLiteral("accessibility-bus-guard-test"));
    ASSERT_TRUE(connection.isConnected());
    EXPECT_FALSE(AccessibilityBusGuard::takeOver(connection, QStringLiteral("6.4.2"))) << "nothing registered";

    class Adaptor : public QDBusVirtualObject {
    public:
        QString introspect(const QString&) const override { return {}; }
        bool handleMessage(const QDBusMessage&, const QDBusConnection&) override { return false; }
    } adaptor;
    const QString subtree = QStringLiteral("/org/a11y/atspi/accessible");
    ASSERT_TRUE(connection.registerVirtualObject(subtree, &adaptor, QDBusConnection::SubPath));
    EXPECT_FALSE(AccessibilityBusGuard::takeOver(connection, QStringLiteral("6.5.0")));
    EXPECT_TRUE(AccessibilityBusGuard::standingAsideBecause().contains(QStringLiteral("6.5.0")));
    EXPECT_EQ(connection.objectRegisteredAt(subtree), &adaptor);

    EXPECT_TRUE(AccessibilityBusGuard::takeOver(connection, QStringLiteral("6.4.2")));
    EXPECT_TRUE(AccessibilityBusGuard::standingAsideBecause().isEmpty());
    EXPECT_NE(connection.objectRegisteredAt(subtree), &adaptor);
    EXPECT_TRUE(AccessibilityBusGuard::takeOver(connection, QStringLiteral("6.4.2"))) << "once taken, taken";
    connection.unregisterObject(subtree);
    QDBusConnection::disconnectFromBus(QStringLiteral("accessibility-bus-guard-test"));
}

} // namespace accessibility_bus_guard_test
