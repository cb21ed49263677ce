#pragma once

// Stands in front of Qt's accessibility bus adaptor. Qt 6.4 reads a client's arguments by position
// without checking their count or type, and reaches interfaces an element may not have: one
// malformed request from any process of the session ends or stops the application. The guard
// takes the adaptor's object subtree over on the accessibility connection, refuses what Qt would
// misread, mends the well-formed requests Qt mishandles, and hands everything else to Qt's adaptor
// unchanged. Where it finds no adaptor (another Qt, accessibility off) it stands aside. Main thread.

#include <QList>
#include <QString>
#include <QVariant>

class QAccessibleInterface;
class QDBusConnection;
class QDBusMessage;

namespace kit {

class AccessibilityBusGuard {
public:
    enum class Verdict { Forward, Refuse, Mend };
    struct Decision {
        Verdict verdict = Verdict::Forward;
        QString error;               // for Refuse: the error's name
        QList<QVariant> arguments;   // for Mend: the arguments Qt reads instead
    };
    // What becomes of `message` sent to `element` (null when its path names no live element).
    static Decision decide(const QDBusMessage& message, QAccessibleInterface* element);
    // The request's signature as its arguments arrived ("" for none).
    static QString signatureOf(const QDBusMessage& message);

    // Takes over the accessible subtree of Qt's accessibility connection; false when it stands
    // aside (no such connection, nothing there that it knows). Again once taken: true.
    static bool takeOver();
    // `qtVersion` stands for the running Qt's (tests): the guard knows only the reads of Qt 6.4.
    static bool takeOver(QDBusConnection connection, const QString& qtVersion = {});
    // Takes over one turn of the event loop after now: Qt registers its adaptor after telling the
    // activation observers that accessibility is on.
    static void takeOverSoon();
    // Why the last take-over stood aside; empty while guarding or before any.
    static QString standingAsideBecause();
};

} // namespace kit
