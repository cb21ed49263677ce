#include "kit/linux/AccessibilityBusGuard.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QPointer>

#include <algorithm>
#include <climits>

namespace kit {

namespace accessibilitybusguard {

const QString subtree = QStringLiteral("/org/a11y/atspi/accessible");
const QString rootPath = QStringLiteral("/org/a11y/atspi/accessible/root");
const QString properties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString invalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString unknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString unknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString notSupported = QStringLiteral("org.freedesktop.DBus.Error.NotSupported");
// The Qt whose reads the table below describes; another stands aside.
constexpr QLatin1StringView describedQt { "6.4." };

// How Qt 6.4's adaptor reaches a member: as a method only, or also as the getter or setter of a
// property (a Properties.Get of "Name" runs its "GetName" with the property call's arguments).
enum class Form { Method, Getter, Setter };

struct Read {
    const char* interface; // after "org.a11y.atspi."
    const char* member;
    const char* signature; // of a method call: the arguments Qt reads, by position
    Form form;
};

// Every member Qt 6.4's adaptor answers on the accessible subtree, with what it reads. Qt reads
// each argument with `arguments().at(n)` unchecked: any other signature reads past the end.
constexpr Read qtReads[] = {
    { "Accessible", "GetChildAtIndex", "i", Form::Method },
    { "Accessible", "GetName", "", Form::Getter },
    { "Accessible", "GetDescription", "", Form::Getter },
    { "Accessible", "GetParent", "", Form::Getter },
    { "Accessible", "GetChildCount", "", Form::Getter },
    { "Accessible", "GetRole", "", Form::Method },
    { "Accessible", "GetRoleName", "", Form::Method },
    { "Accessible", "GetLocalizedRoleName", "", Form::Method },
    { "Accessible", "GetIndexInParent", "", Form::Method },
    { "Accessible", "GetInterfaces", "", Form::Method },
    { "Accessible", "GetState", "", Form::Method },
    { "Accessible", "GetAttributes", "", Form::Method },
    { "Accessible", "GetRelationSet", "", Form::Method },
    { "Accessible", "GetApplication", "", Form::Method },
    { "Accessible", "GetChildren", "", Form::Method },
    { "Application", "GetId", "", Form::Getter },
    { "Application", "SetId", "ssv", Form::Setter },
    { "Application", "GetToolkitName", "", Form::Getter },
    { "Application", "GetVersion", "", Form::Getter },
    { "Application", "GetLocale", "u", Form::Method },
    { "Component", "Contains", "iiu", Form::Method },
    { "Component", "GetAccessibleAtPoint", "iiu", Form::Method },
    { "Component", "GetAlpha", "", Form::Method },
    { "Component", "GetExtents", "u", Form::Method },
    { "Component", "GetLayer", "", Form::Method },
    { "Component", "GetMDIZOrder", "", Form::Method },
    { "Component", "GetPosition", "u", Form::Method },
    { "Component", "GetSize", "", Form::Method },
    { "Component", "GrabFocus", "", Form::Method },
    { "Component", "SetExtents", "iiiiu", Form::Method },
    { "Component", "SetPosition", "iiu", Form::Method },
    { "Component", "SetSize", "ii", Form::Method },
    { "Action", "GetNActions", "", Form::Getter },
    { "Action", "DoAction", "i", Form::Method },
    { "Action", "GetActions", "", Form::Method },
    { "Action", "GetName", "i", Form::Method },
    { "Action", "GetDescription", "i", Form::Method },
    { "Action", "GetKeyBinding", "i", Form::Method },
    { "Text", "GetCaretOffset", "", Form::Getter },
    { "Text", "GetCharacterCount", "", Form::Getter },
    { "Text", "AddSelection", "ii", Form::Method },
    { "Text", "GetAttributeRun", "ib", Form::Method },
    { "Text", "GetAttributeValue", "is", Form::Method },
    { "Text", "GetAttributes", "i", Form::Method },
    { "Text", "GetBoundedRanges", "iiiiuuu", Form::Method },
    { "Text", "GetCharacterAtOffset", "i", Form::Method },
    { "Text", "GetCharacterExtents", "iu", Form::Method },
    { "Text", "GetDefaultAttributeSet", "", Form::Method },
    { "Text", "GetDefaultAttributes", "", Form::Method },
    { "Text", "GetNSelections", "", Form::Method },
    { "Text", "GetOffsetAtPoint", "iiu", Form::Method },
    { "Text", "GetRangeExtents", "iiu", Form::Method },
    { "Text", "GetSelection", "i", Form::Method },
    { "Text", "GetText", "ii", Form::Method },
    { "Text", "GetTextAfterOffset", "iu", Form::Method },
    { "Text", "GetTextAtOffset", "iu", Form::Method },
    { "Text", "GetTextBeforeOffset", "iu", Form::Method },
    { "Text", "RemoveSelection", "i", Form::Method },
    { "Text", "SetCaretOffset", "i", Form::Method },
    { "Text", "SetSelection", "iii", Form::Method },
    { "EditableText", "CopyText", "ii", Form::Method },
    { "EditableText", "CutText", "ii", Form::Method },
    { "EditableText", "DeleteText", "ii", Form::Method },
    { "EditableText", "InsertText", "isi", Form::Method },
    { "EditableText", "PasteText", "i", Form::Method },
    { "EditableText", "SetTextContents", "s", Form::Method },
    // As a method Qt reads it as the property's setter (the value third): the guard mends it.
    { "Value", "SetCurrentValue", "d", Form::Setter },
    { "Value", "GetCurrentValue", "", Form::Getter },
    { "Value", "GetMaximumValue", "", Form::Getter },
    { "Value", "GetMinimumIncrement", "", Form::Getter },
    { "Value", "GetMinimumValue", "", Form::Getter },
    { "Table", "GetCaption", "", Form::Getter },
    { "Table", "GetNColumns", "", Form::Getter },
    { "Table", "GetNRows", "", Form::Getter },
    { "Table", "GetNSelectedColumns", "", Form::Getter },
    { "Table", "GetNSelectedRows", "", Form::Getter },
    { "Table", "GetSummary", "", Form::Getter },
    { "Table", "GetAccessibleAt", "ii", Form::Method },
    { "Table", "GetIndexAt", "ii", Form::Method },
    { "Table", "GetColumnAtIndex", "i", Form::Method },
    { "Table", "GetRowAtIndex", "i", Form::Method },
    { "Table", "GetColumnDescription", "i", Form::Method },
    { "Table", "GetRowDescription", "i", Form::Method },
    { "Table", "GetRowColumnExtentsAtIndex", "i", Form::Method },
    { "Table", "GetColumnExtentAt", "ii", Form::Method },
    { "Table", "GetRowExtentAt", "ii", Form::Method },
    { "Table", "GetColumnHeader", "i", Form::Method },
    { "Table", "GetRowHeader", "i", Form::Method },
    { "Table", "GetSelectedColumns", "", Form::Method },
    { "Table", "GetSelectedRows", "", Form::Method },
    { "Table", "IsColumnSelected", "i", Form::Method },
    { "Table", "IsRowSelected", "i", Form::Method },
    { "Table", "IsSelected", "ii", Form::Method },
    { "Table", "AddColumnSelection", "i", Form::Method },
    { "Table", "AddRowSelection", "i", Form::Method },
    { "Table", "RemoveColumnSelection", "i", Form::Method },
    { "Table", "RemoveRowSelection", "i", Form::Method },
    // Qt answers an unknown member of this one with no reply at all: the table lists them all.
    { "TableCell", "GetColumnSpan", "", Form::Getter },
    { "TableCell", "GetPosition", "", Form::Getter },
    { "TableCell", "GetRowSpan", "", Form::Getter },
    { "TableCell", "GetTable", "", Form::Getter },
    { "TableCell", "GetRowColumnSpan", "", Form::Method },
};

constexpr QLatin1StringView atspiPrefix { "org.a11y.atspi." };

// The entry for `member` of the interface named `interface` (its full name); null when Qt 6.4 has none.
const Read* readOf(const QString& interface, const QString& member)
{
    if (!interface.startsWith(atspiPrefix))
        return nullptr;
    const QStringView name = QStringView(interface).mid(atspiPrefix.size());
    const auto it = std::find_if(std::begin(qtReads), std::end(qtReads),
        [&](const Read& r) { return name == QLatin1StringView(r.interface) && member == QLatin1StringView(r.member); });
    return it == std::end(qtReads) ? nullptr : it;
}

// Whether Qt 6.4's adaptor has an interface of that name (it answers unknown members of some with
// silence, so an unknown member of one is refused here).
bool isQtInterface(const QString& interface)
{
    if (!interface.startsWith(atspiPrefix))
        return false;
    const QStringView name = QStringView(interface).mid(atspiPrefix.size());
    return std::any_of(std::begin(qtReads), std::end(qtReads), [&](const Read& r) { return name == QLatin1StringView(r.interface); });
}

bool isNumber(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
        return true;
    default:
        return false;
    }
}

AccessibilityBusGuard::Decision refuse(const QString& error) { return { AccessibilityBusGuard::Verdict::Refuse, error, {} }; }
AccessibilityBusGuard::Decision mend(QList<QVariant> arguments) { return { AccessibilityBusGuard::Verdict::Mend, {}, std::move(arguments) }; }

// An interface Qt reaches whether or not the element has it: without it Qt reads through null
// (a table's) or edits its value text unchecked (an editable text's).
bool lacksInterface(const QString& interface, QAccessibleInterface* element)
{
    if (interface == QLatin1StringView("org.a11y.atspi.Table"))
        return !element->tableInterface();
    if (interface == QLatin1StringView("org.a11y.atspi.EditableText"))
        return !element->editableTextInterface();
    return false;
}

// The well-formed calls Qt mishandles, mended; `Forward` for the rest.
AccessibilityBusGuard::Decision mended(const QString& interface, const QString& member, const QList<QVariant>& args, QAccessibleInterface* element)
{
    if (interface == QLatin1StringView("org.a11y.atspi.Value") && member == QLatin1StringView("SetCurrentValue"))
        return mend({ interface, QStringLiteral("CurrentValue"), QVariant::fromValue(QDBusVariant(args.at(0).toDouble())) });
    if (interface == QLatin1StringView("org.a11y.atspi.Text") && member == QLatin1StringView("GetRangeExtents")) {
        // Qt walks from start to end in an int: an end past the text wraps it round for ever.
        QAccessibleTextInterface* text = element->textInterface();
        if (!text)
            return {};
        const int count = text->characterCount();
        const int start = std::clamp(args.at(0).toInt(), 0, count);
        const int end = args.at(1).toInt() == -1 ? -1 : std::clamp(args.at(1).toInt(), 0, count);
        if (start == args.at(0).toInt() && end == args.at(1).toInt())
            return {};
        return mend({ start, end, args.at(2) });
    }
    if (interface == QLatin1StringView("org.a11y.atspi.EditableText") && member == QLatin1StringView("InsertText")) {
        // Qt makes the text `length` characters long before any element is asked.
        const QString text = args.at(1).toString();
        const int length = std::clamp(args.at(2).toInt(), 0, int(std::min<qsizetype>(text.size(), INT_MAX)));
        if (length == args.at(2).toInt())
            return {};
        return mend({ args.at(0), text, length });
    }
    return {};
}

AccessibilityBusGuard::Decision decideProperty(const QDBusMessage& message, QAccessibleInterface* element)
{
    const QString member = message.member();
    const QString signature = AccessibilityBusGuard::signatureOf(message);
    // Qt 6.4 reads a second argument GetAll does not have.
    if (member == QLatin1StringView("GetAll"))
        return signature == QLatin1StringView("s") ? refuse(notSupported) : refuse(invalidArgs);
    const bool get = member == QLatin1StringView("Get");
    if (!get && member != QLatin1StringView("Set"))
        return {};
    if (signature != (get ? QLatin1StringView("ss") : QLatin1StringView("ssv")))
        return refuse(invalidArgs);
    const QList<QVariant> args = message.arguments();
    const QString interface = args.at(0).toString();
    if (!interface.startsWith(atspiPrefix))
        return {};
    const Read* read = readOf(interface, member + args.at(1).toString());
    if (!read || read->form != (get ? Form::Getter : Form::Setter))
        return refuse(unknownProperty);
    if (element && lacksInterface(interface, element))
        return refuse(invalidArgs);
    // A value that is no number would be set as 0.
    if (!get && !isNumber(qvariant_cast<QDBusVariant>(args.at(2)).variant()))
        return refuse(invalidArgs);
    return {};
}

} // namespace accessibilitybusguard

QString AccessibilityBusGuard::signatureOf(const QDBusMessage& message)
{
    QString signature;
    for (const QVariant& v : message.arguments()) {
        if (v.metaType() == QMetaType::fromType<QDBusArgument>())
            signature += v.value<QDBusArgument>().currentSignature();
        else if (v.metaType() == QMetaType::fromType<QDBusVariant>())
            signature += u'v';
        else if (const char* s = QDBusMetaType::typeToSignature(v.metaType()))
            signature += QLatin1StringView(s);
        else
            signature += u'?';
    }
    return signature;
}

AccessibilityBusGuard::Decision AccessibilityBusGuard::decide(const QDBusMessage& message, QAccessibleInterface* element)
{
    using namespace accessibilitybusguard;
    const QString interface = message.interface();
    if (interface == properties)
        return decideProperty(message, element);
    if (!isQtInterface(interface))
        return {};
    const Read* read = readOf(interface, message.member());
    if (!read)
        return refuse(unknownMethod);
    if (signatureOf(message) != QLatin1StringView(read->signature))
        return refuse(invalidArgs);
    // Without a live element Qt answers nothing, reading nothing.
    if (!element)
        return {};
    if (lacksInterface(interface, element))
        return refuse(invalidArgs);
    // A point in window coordinates: Qt reads the element's window unchecked.
    constexpr uint windowCoordinates = 1;
    if (interface == QLatin1StringView("org.a11y.atspi.Text") && message.member() == QLatin1StringView("GetOffsetAtPoint")
        && message.arguments().at(2).toUInt() == windowCoordinates && !element->window())
        return refuse(invalidArgs);
    return mended(interface, message.member(), message.arguments(), element);
}

namespace accessibilitybusguard {

// The live element a path of the subtree names, as Qt's adaptor finds it; null for none.
QAccessibleInterface* elementAt(const QString& path)
{
    if (path == rootPath)
        return QAccessible::queryAccessibleInterface(QCoreApplication::instance());
    if (!path.startsWith(subtree + u'/'))
        return nullptr;
    bool ok = false;
    const QAccessible::Id id = path.mid(subtree.size() + 1).toUInt(&ok);
    QAccessibleInterface* element = ok ? QAccessible::accessibleInterface(id) : nullptr;
    return element && element->isValid() ? element : nullptr;
}

class Guard final : public QDBusVirtualObject {
public:
    explicit Guard(QDBusVirtualObject* qt)
        : QDBusVirtualObject(qt)
        , qt_(qt)
    { }

    QString introspect(const QString& path) const override { return qt_ ? qt_->introspect(path) : QString(); }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        if (!qt_)
            return false;
        const AccessibilityBusGuard::Decision decision = AccessibilityBusGuard::decide(message, elementAt(message.path()));
        switch (decision.verdict) {
        case AccessibilityBusGuard::Verdict::Refuse:
            if (message.isReplyRequired())
                connection.send(message.createErrorReply(decision.error,
                    QStringLiteral("%1.%2(%3) is not answered here").arg(message.interface(), message.member(), AccessibilityBusGuard::signatureOf(message))));
            return true;
        case AccessibilityBusGuard::Verdict::Mend: {
            QDBusMessage mended = message;
            mended.setArguments(decision.arguments);
            return qt_->handleMessage(mended, connection);
        }
        case AccessibilityBusGuard::Verdict::Forward:
            break;
        }
        return qt_->handleMessage(message, connection);
    }

private:
    QPointer<QDBusVirtualObject> qt_;
};

QString& standingAside()
{
    static QString why;
    return why;
}

bool standAside(const QString& why)
{
    standingAside() = why;
    return false;
}

bool takeOver(QDBusConnection connection, const QString& qtVersion)
{
    if (!connection.isConnected())
        return standAside(QStringLiteral("no accessibility connection"));
    QObject* there = connection.objectRegisteredAt(subtree);
    if (dynamic_cast<Guard*>(there)) {
        standingAside().clear();
        return true;
    }
    auto* qt = qobject_cast<QDBusVirtualObject*>(there);
    if (!qt)
        return standAside(QStringLiteral("no adaptor at %1").arg(subtree));
    if (!qtVersion.startsWith(describedQt))
        return standAside(QStringLiteral("Qt %1 is not the Qt whose reads the guard knows").arg(qtVersion));
    connection.unregisterObject(subtree);
    auto* guard = new Guard(qt);
    if (!connection.registerVirtualObject(subtree, guard, QDBusConnection::SubPath)) {
        delete guard;
        connection.registerVirtualObject(subtree, qt, QDBusConnection::SubPath);
        return standAside(QStringLiteral("the subtree could not be registered again"));
    }
    standingAside().clear();
    return true;
}

} // namespace accessibilitybusguard

bool AccessibilityBusGuard::takeOver()
{
    // The connection Qt's accessibility bridge opens to the accessibility bus.
    return takeOver(QDBusConnection(QStringLiteral("a11y")));
}

bool AccessibilityBusGuard::takeOver(QDBusConnection connection, const QString& qtVersion)
{
    return accessibilitybusguard::takeOver(std::move(connection), qtVersion.isEmpty() ? QString::fromLatin1(qVersion()) : qtVersion);
}

void AccessibilityBusGuard::takeOverSoon()
{
    if (QCoreApplication* app = QCoreApplication::instance())
        QMetaObject::invokeMethod(app, [] { takeOver(); }, Qt::QueuedConnection);
}

QString AccessibilityBusGuard::standingAsideBecause() { return accessibilitybusguard::standingAside(); }

} // namespace kit
