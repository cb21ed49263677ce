#include "kit/graphics/AttributedString.h"

#include "kit/core/Exception.h"

#include <QHash>

#include <algorithm>

namespace kit {

AttributedString::AttributedString(QString string)
    : AttributedString(std::move(string), Dictionary())
{ }

AttributedString::AttributedString(QString string, const StringAttributes& attributes)
    : AttributedString(std::move(string), attributes.dictionary())
{ }

void AttributedString::checkRange(Range range, const char* method) const
{
    // Never forms location + length: it overflows for locations like NotFound.
    if (range.location < 0 || range.length < 0 || range.location > length() || range.length > length() - range.location)
        Exception::raise(RangeException,
            QStringLiteral("%1: range {%2, %3} out of bounds; string length %4")
                .arg(QLatin1String(method))
                .arg(range.location)
                .arg(range.length)
                .arg(length()));
}

void AttributedString::checkIndex(std::int64_t index, const char* method) const
{
    if (index < 0 || index >= length())
        Exception::raise(RangeException,
            QStringLiteral("%1: index %2 out of bounds; string length %3").arg(QLatin1String(method)).arg(index).arg(length()));
}

std::size_t AttributedString::runIndexAt(int index) const
{
    // The last run starting at or before `index`.
    auto it = std::upper_bound(runs_.begin(), runs_.end(), index, [](int i, const Run& run) { return i < run.start; });
    return std::size_t(it - runs_.begin()) - 1;
}

std::size_t AttributedString::splitAt(int index)
{
    if (index >= length())
        return runs_.size();
    const std::size_t i = runIndexAt(index);
    Run& run = runs_[i];
    if (run.start == index)
        return i;
    Run tail { index, run.start + run.length - index, run.attributes };
    run.length = index - run.start;
    runs_.insert(runs_.begin() + std::ptrdiff_t(i) + 1, std::move(tail));
    return i + 1;
}

void AttributedString::coalesceAround(std::size_t first, std::size_t last)
{
    // Merges equal neighbours among runs [first - 1, last + 1].
    std::size_t i = first > 0 ? first - 1 : 0;
    std::size_t end = std::min(last + 1, runs_.size() - 1);
    while (i < end && i + 1 < runs_.size()) {
        if (runs_[i].attributes.identicalTo(runs_[i + 1].attributes) || runs_[i].attributes.isEqualToDictionary(runs_[i + 1].attributes)) {
            runs_[i].length += runs_[i + 1].length;
            runs_.erase(runs_.begin() + std::ptrdiff_t(i) + 1);
            --end;
        } else {
            ++i;
        }
    }
}

Dictionary AttributedString::attributesAtIndexEffectiveRange(std::int64_t index, Range* effectiveRange) const
{
    checkIndex(index, "attributesAtIndexEffectiveRange");
    const Run& run = runs_[runIndexAt(int(index))];
    if (effectiveRange)
        *effectiveRange = MakeRange(run.start, run.length);
    return run.attributes;
}

Value AttributedString::attributeAtIndexEffectiveRange(const QString& name, std::int64_t index, Range* effectiveRange) const
{
    return attributesAtIndexEffectiveRange(index, effectiveRange).objectForKey(name);
}

Value AttributedString::attributeAtIndexLongestEffectiveRangeInRange(const QString& name, std::int64_t index, Range* longest, Range limit) const
{
    checkIndex(index, "attributeAtIndexLongestEffectiveRangeInRange");
    checkRange(limit, "attributeAtIndexLongestEffectiveRangeInRange");
    const std::size_t at = runIndexAt(int(index));
    const Value value = runs_[at].attributes.objectForKey(name);
    if (longest) {
        auto same = [&](std::size_t i) { return runs_[i].attributes.objectForKey(name).isEqual(value); };
        std::size_t first = at, last = at;
        while (first > 0 && runs_[first].start > limit.location && same(first - 1))
            --first;
        while (last + 1 < runs_.size() && runs_[last].start + runs_[last].length < MaxRange(limit) && same(last + 1))
            ++last;
        const std::int64_t from = std::max<std::int64_t>(runs_[first].start, limit.location);
        const std::int64_t to = std::min<std::int64_t>(runs_[last].start + runs_[last].length, MaxRange(limit));
        *longest = MakeRange(from, std::max<std::int64_t>(0, to - from));
    }
    return value;
}

Dictionary AttributedString::attributesAtIndexLongestEffectiveRangeInRange(std::int64_t index, Range* longest, Range limit) const
{
    checkRange(limit, "attributesAtIndexLongestEffectiveRangeInRange");
    Range run;
    Dictionary attributes = attributesAtIndexEffectiveRange(index, &run);
    // Runs are coalesced: the stored run is already the longest.
    if (longest)
        *longest = IntersectionRange(run, limit);
    return attributes;
}

AttributedString AttributedString::attributedSubstringFromRange(Range range) const
{
    checkRange(range, "attributedSubstringFromRange");
    const int from = int(range.location), to = int(MaxRange(range));
    AttributedString out;
    out.string_ = string_.mid(from, to - from);
    if (from == to)
        return out;
    for (std::size_t i = runIndexAt(from); i < runs_.size() && runs_[i].start < to; ++i) {
        const Run& run = runs_[i];
        const int start = std::max(run.start, from), end = std::min(run.start + run.length, to);
        out.runs_.push_back({ start - from, end - start, run.attributes });
    }
    return out;
}

void AttributedString::replaceCharactersInRangeWithString(Range range, const QString& string)
{
    checkRange(range, "replaceCharactersInRangeWithString");
    const int from = int(range.location), to = int(MaxRange(range));
    Dictionary attributes;
    if (!runs_.empty()) {
        const int source = from < to ? from : from > 0 ? from - 1 : 0;
        attributes = runs_[runIndexAt(source)].attributes;
    }
    const std::size_t first = splitAt(from);
    const std::size_t last = splitAt(to);
    runs_.erase(runs_.begin() + std::ptrdiff_t(first), runs_.begin() + std::ptrdiff_t(last));
    const int delta = int(string.size()) - (to - from);
    for (std::size_t i = first; i < runs_.size(); ++i)
        runs_[i].start += delta;
    string_.replace(from, to - from, string);
    if (!string.isEmpty())
        runs_.insert(runs_.begin() + std::ptrdiff_t(first), Run { from, int(string.size()), std::move(attributes) });
    if (!runs_.empty())
        coalesceAround(first, first);
}

void AttributedString::setAttributesRange(const Dictionary& attributes, Range range)
{
    checkRange(range, "setAttributesRange");
    const int from = int(range.location), to = int(MaxRange(range));
    if (from == to)
        return;
    const std::size_t first = splitAt(from);
    const std::size_t last = splitAt(to);
    runs_.erase(runs_.begin() + std::ptrdiff_t(first), runs_.begin() + std::ptrdiff_t(last));
    runs_.insert(runs_.begin() + std::ptrdiff_t(first), Run { from, to - from, attributes });
    coalesceAround(first, first);
}

void AttributedString::replaceCharactersInRangeWithAttributedString(Range range, const AttributedString& string)
{
    checkRange(range, "replaceCharactersInRangeWithAttributedString");
    // A copy: `string` may be this very string.
    const AttributedString incoming = string;
    beginEditing();
    replaceCharactersInRangeWithString(range, incoming.string_);
    for (const Run& run : incoming.runs_)
        setAttributesRange(run.attributes, MakeRange(range.location + run.start, run.length));
    endEditing();
}

void AttributedString::insertAttributedStringAtIndex(const AttributedString& string, std::int64_t index)
{
    replaceCharactersInRangeWithAttributedString(MakeRange(index, 0), string);
}

void AttributedString::appendAttributedString(const AttributedString& string)
{
    replaceCharactersInRangeWithAttributedString(MakeRange(length(), 0), string);
}

void AttributedString::deleteCharactersInRange(Range range) { replaceCharactersInRangeWithString(range, QString()); }

void AttributedString::setAttributedString(const AttributedString& string)
{
    replaceCharactersInRangeWithAttributedString(MakeRange(0, length()), string);
}

namespace {

// The pieces of `range` with the stored attributes over each, as `change` transforms them.
template <class Change>
void changeRunsInRange(AttributedString& s, Range range, const Change& change)
{
    std::vector<std::pair<Range, Dictionary>> pieces;
    for (const AttributedString::Run& run : s.runs()) {
        const Range piece = IntersectionRange(MakeRange(run.start, run.length), range);
        if (piece.length > 0) {
            Dictionary d = run.attributes;
            change(d);
            pieces.emplace_back(piece, std::move(d));
        }
    }
    s.beginEditing();
    for (const auto& [piece, attributes] : pieces)
        s.setAttributesRange(attributes, piece);
    s.endEditing();
}

} // namespace

void AttributedString::addAttributeValueRange(const QString& name, const Value& value, Range range)
{
    checkRange(range, "addAttributeValueRange");
    changeRunsInRange(*this, range, [&](Dictionary& d) { d.setObjectForKey(value, name); });
}

void AttributedString::addAttributesRange(const Dictionary& attributes, Range range)
{
    checkRange(range, "addAttributesRange");
    changeRunsInRange(*this, range, [&](Dictionary& d) { d.addEntriesFromDictionary(attributes); });
}

void AttributedString::removeAttributeRange(const QString& name, Range range)
{
    checkRange(range, "removeAttributeRange");
    changeRunsInRange(*this, range, [&](Dictionary& d) { d.removeObjectForKey(name); });
}

bool AttributedString::isEqualToAttributedString(const AttributedString& other) const
{
    if (string_ != other.string_ || runs_.size() != other.runs_.size())
        return false;
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const Run &a = runs_[i], &b = other.runs_[i];
        if (a.start != b.start || a.length != b.length || !a.attributes.isEqualToDictionary(b.attributes))
            return false;
    }
    return true;
}

std::size_t AttributedString::hash() const
{
    // Runs are canonical (coalesced), so equal strings have equal run boundaries.
    std::size_t h = qHash(string_);
    for (const Run& run : runs_)
        h = qHashMulti(h, run.start, run.attributes.count());
    return h;
}

StringAttributes AttributedString::attributesAtIndex(std::int64_t index, Range* effectiveRange) const
{
    return StringAttributes::fromDictionary(attributesAtIndexEffectiveRange(index, effectiveRange));
}

void AttributedString::setAttributes(const StringAttributes& attributes, Range range) { setAttributesRange(attributes.dictionary(), range); }

void AttributedString::addAttributes(const StringAttributes& attributes, Range range) { addAttributesRange(attributes.dictionary(), range); }

} // namespace kit
