#pragma once

// Whether a key combination is already taken: asked of the delegate first, then of the
// application's global hot keys, then of the main menu's key equivalents (submenus included). A
// taken combination comes with an error whose texts name it and say who took it;
// KRAdditions::alertWithNonRecoverableError turns that into an alert.

#include "kit/controls/Alert.h"
#include "kit/controls/Menu.h"
#include "kit/core/Error.h"
#include "kit/core/Object.h"

#include <cstdint>

class KRValidator;

// A validator's delegate adopts this to veto combinations; anything else answers NO. The reason,
// when given, is a phrase put after "because".
class KRValidation {
public:
    virtual ~KRValidation() = default;
    virtual bool shortcutValidatorIsKeyCodeAndFlagsTakenReason(KRValidator*, std::int64_t /*keyCode*/, std::uint64_t /*cocoaFlags*/, QString* /*reason*/)
    {
        return false;
    }
};

class KRValidator : public kit::Object {
    KIT_CLASS(KRValidator)
public:
    KRValidator() = default;
    explicit KRValidator(kit::Object* delegate)
        : delegate_(delegate)
    { }

    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }

    // Carbon flags; only command, shift, option and control take part. When the answer is YES and
    // `error` is given, it always receives an error.
    bool isKeyCodeAndFlagsTakenError(std::int64_t keyCode, std::uint32_t flags, kit::Ref<kit::Error>* error);
    bool isKeyCodeAndFlagsTakenInMenuError(std::int64_t keyCode, std::uint32_t flags, kit::Menu* menu, kit::Ref<kit::Error>* error);

private:
    kit::Weak<kit::Object> delegate_;
};

namespace KRAdditions {
// Message: the description; one button: the first recovery option; informative text: the
// recovery suggestion as it is (never read as a format).
kit::Ref<kit::Alert> alertWithNonRecoverableError(const kit::Error& error);
} // namespace KRAdditions
