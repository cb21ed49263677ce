#pragma once

// A recoverable failure: a domain, a code and a user-info dictionary with the localized texts a
// presenter shows.

#include "kit/core/Class.h"

namespace kit {

inline const QString CocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
inline const QString LocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
inline const QString LocalizedFailureReasonErrorKey = QStringLiteral("NSLocalizedFailureReason");
inline const QString LocalizedRecoverySuggestionErrorKey = QStringLiteral("NSLocalizedRecoverySuggestion");
inline const QString LocalizedRecoveryOptionsErrorKey = QStringLiteral("NSLocalizedRecoveryOptions");
inline const QString UnderlyingErrorKey = QStringLiteral("NSUnderlyingError");

class Error : public Object {
    KIT_CLASS(Error)
    Error() = default;
    Error(QString domain, std::int64_t code, Dictionary userInfo = {});
    static Ref<Error> errorWithDomainCodeUserInfo(const QString& domain, std::int64_t code, const Dictionary& userInfo = {});

    const QString& domain() const { return domain_; }
    std::int64_t code() const { return code_; }
    const Dictionary& userInfo() const { return userInfo_; }

    // The user-info text, else a generic one naming domain and code.
    QString localizedDescription() const;
    QString localizedFailureReason() const;
    QString localizedRecoverySuggestion() const;
    Array localizedRecoveryOptions() const;

    // kit::Object:
    QString description() const override;
    bool isEqual(const Object* other) const override;

private:
    QString domain_;
    std::int64_t code_ = 0;
    Dictionary userInfo_;
};

} // namespace kit
