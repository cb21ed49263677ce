#include "kit/tests/TextViewTestSupport.h"

namespace kit::test {

KIT_REGISTER_CLASS(PipelineDelegate, Object)
{
    c.optionalOperations({ TextViewShouldChangeTextInRangeReplacementStringOperation, TextDidChangeOperation,
        TextViewWillChangeSelectionFromCharacterRangeToCharacterRangeOperation, TextViewClickedOnLinkAtIndexOperation,
        TextViewCompletionsForPartialWordRangeIndexOfSelectedItemOperation });
}

} // namespace kit::test
