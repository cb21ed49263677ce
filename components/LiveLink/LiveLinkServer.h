#pragma once

// A server application's published name: clients find it on the bus and open links through it.
// Published servers live in a process-wide table until retracted.

#include "components/LiveLink/LiveLink.h"

#include <QUrl>

class LiveLinkServer : public kit::Object {
    KIT_CLASS(LiveLinkServer)

    LiveLinkServer() = default;
    ~LiveLinkServer() override;

    static kit::Ref<LiveLinkServer> initWithNameDelegate(const QString& name, kit::Object* delegate);
    // The published server of that name, or null.
    static kit::Ref<LiveLinkServer> LiveLinkServerWithName(const QString& name);
    static bool publishServerWithNameDelegate(const QString& name, kit::Object* delegate);
    // A proxy of the server published as "<bundleIdentifier>:<name>", starting its application
    // when asked to and needed; null when none answers within ten seconds.
    static kit::Ref<kit::DistantObject> LiveLinkServerWithNameInApplicationLaunchIfNeededFallbackURLAppName(
        const QString& name, const QString& bundleIdentifier, bool launch, const QUrl& fallbackURL, const QString& appName);

    QString name() const { return name_; }
    kit::Object* delegate() const { return delegate_.lock().get(); }
    bool isPublished() const { return bool(listener_); }
    bool publish();
    void retract();

    // From a client (protocol LiveLinkServer): [client link, source name, source application
    // name, item key]; answers the new server-side link.
    kit::Ref<kit::Object> initiateLiveLinkFromClient(const kit::Value& client);

    // Whether a "LiveLinkServer" entry (a string or an array of them) names `name`.
    static bool liveLinkServerNameMatches(const QString& name, const kit::Value& entry);
    // The desktop entry under `folder` (down to four levels of subfolders) of the application with
    // that identifier serving that name; empty when none.
    static QString findLiveLinkServerApplication(const QString& bundleIdentifier, const QString& serverName, const QString& folder, int depth);
    // The critical not-found alert; "_GetApplication" opens the fallback URL.
    static void launchLiveLinkServerApplication(const QString& appName, const QUrl& fallbackURL);

private:
    kit::Ref<kit::Connection> listener_;
    QString name_;
    kit::Weak<kit::Object> delegate_;
};
