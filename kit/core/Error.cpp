#include "kit/core/Error.h"

#include "kit/core/Format.h"

namespace kit {

KIT_REGISTER_CLASS(Error, Object)
{
    c.property("domain", &Error::domain).property("code", &Error::code).property("userInfo", &Error::userInfo);
    c.property("localizedDescription", &Error::localizedDescription);
}

Error::Error(QString domain, std::int64_t code, Dictionary userInfo)
    : domain_(std::move(domain))
    , code_(code)
    , userInfo_(std::move(userInfo))
{ }

Ref<Error> Error::errorWithDomainCodeUserInfo(const QString& domain, std::int64_t code, const Dictionary& userInfo)
{
    return make<Error>(domain, code, userInfo);
}

QString Error::localizedDescription() const
{
    const Value v = userInfo_.objectForKey(LocalizedDescriptionKey);
    if (v.isString())
        return v.string();
    return format(QStringLiteral("The operation couldn\u2019t be completed. (%@ error %ld.)"), domain_, code_);
}

QString Error::localizedFailureReason() const { return userInfo_.objectForKey(LocalizedFailureReasonErrorKey).string(); }

QString Error::localizedRecoverySuggestion() const { return userInfo_.objectForKey(LocalizedRecoverySuggestionErrorKey).string(); }

Array Error::localizedRecoveryOptions() const { return userInfo_.objectForKey(LocalizedRecoveryOptionsErrorKey).array(); }

QString Error::description() const
{
    return format(QStringLiteral("Error Domain=%@ Code=%ld \"%@\""), domain_, code_, localizedDescription());
}

bool Error::isEqual(const Object* other) const
{
    auto* e = dynamic_cast<const Error*>(other);
    return e && e->domain_ == domain_ && e->code_ == code_ && e->userInfo_ == userInfo_;
}

} // namespace kit
