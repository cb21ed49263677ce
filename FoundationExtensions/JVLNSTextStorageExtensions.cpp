#include "FoundationExtensions/JVLNSTextStorageExtensions.h"


namespace JVLNSTextStorageExtensions {

using namespace kit;

Range longestRangeForAttributeWithObjectStartAtIndex(const AttributedString& storage, const QString& name, const Value& object, std::int64_t start)
{
    const std::int64_t length = storage.length();
    if (object.isNil() || start < 0 || start >= length)
        return MakeRange(NotFound, 0);
    const Range all = MakeRange(0, length);
    for (std::int64_t i = start; i < length;) {
        Range run;
        const Value value = storage.attributeAtIndexLongestEffectiveRangeInRange(name, i, &run, all);
        if (value.identicalTo(object) && value.isObject() == object.isObject())
            return run;
        i = std::max(MaxRange(run), i + 1);
    }
    return MakeRange(NotFound, 0);
}

Range rangeForAttributeInRange(const AttributedString& storage, const QString& name, Range range)
{
    const std::int64_t length = storage.length();
    // Never forms location + length: it overflows for locations like NotFound.
    if (range.location < 0 || range.length <= 0 || range.location >= length)
        return MakeRange(NotFound, 0);
    const std::int64_t from = range.location;
    const std::int64_t to = from + std::min(range.length, length - from);
    // Run by run, not character by character.
    for (std::int64_t i = from; i < to;) {
        Range run;
        const Value value = storage.attributeAtIndexEffectiveRange(name, i, &run);
        if (!value.isNil()) {
            const Range hit = IntersectionRange(run, MakeRange(from, to - from));
            return hit.length > 0 ? hit : MakeRange(NotFound, 0);
        }
        i = MaxRange(run);
    }
    return MakeRange(NotFound, 0);
}

} // namespace JVLNSTextStorageExtensions
