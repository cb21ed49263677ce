#include "kit/appkit/UserInterfaceValidation.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Event.h"
#include "kit/appkit/Window.h"

namespace kit {

bool validateUserInterfaceItemForTarget(ValidatedUserInterfaceItem& item, const Weak<Object>& target, const SpecificValidation& specific)
{
    if (item.action().isNull())
        return false;
    const Ref<Object> validator = Application::sharedApplication()->targetForActionToFrom(item.action(), target, nullptr);
    if (!validator)
        return false;
    if (specific)
        if (const std::optional<bool> answer = specific(validator.get()))
            return *answer;
    if (auto* general = dynamic_cast<UserInterfaceValidations*>(validator.get()))
        return general->validateUserInterfaceItem(&item);
    return true;
}

} // namespace kit
