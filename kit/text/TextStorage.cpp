#include "kit/text/TextStorage.h"

#include "kit/core/Error.h"
#include "kit/core/Exception.h"
#include "kit/graphics/TextLayoutEngine.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/RtfReader.h"
#include "kit/text/TextAttachment.h"
#include "kit/text/TextContainer.h"
#include "kit/text/TextLayoutClient.h"

#include <QFile>

#include <algorithm>

namespace kit {

KIT_REGISTER_CLASS(TextStorage, Object) { }

TextStorage::TextStorage() = default;

TextStorage::TextStorage(QString string, Dictionary attributes)
    : AttributedString(std::move(string), std::move(attributes))
{ }

TextStorage::TextStorage(const AttributedString& string)
    : AttributedString(string)
{ }

TextStorage::~TextStorage()
{
    for (const Ref<LayoutManager>& manager : layoutManagers_)
        manager->setTextStorage(nullptr);
}

Ref<TextStorage> TextStorage::initWithRTFData(const QByteArray& data, Ref<Error>* error)
{
    std::optional<AttributedString> text = ReadRtf(data, error);
    if (!text)
        return nullptr;
    return make<TextStorage>(*text);
}

Ref<TextStorage> TextStorage::initWithRTFPath(const QString& path, Ref<Error>* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = Error::errorWithDomainCodeUserInfo(CocoaErrorDomain, 260,
                Dictionary { { LocalizedDescriptionKey, QStringLiteral("The file “%1” could not be opened.").arg(path) } });
        return nullptr;
    }
    return initWithRTFData(file.readAll(), error);
}

void TextStorage::assertNotInLayout() const
{
    for (const Ref<LayoutManager>& manager : layoutManagers_)
        KIT_ASSERT(!manager->isLayingOut(), "The text storage was edited while its text was being laid out");
}

void TextStorage::perform(std::function<void()> edit)
{
    if (processing_) {
        // Applied once the current processing is over.
        queued_.push_back(std::move(edit));
        return;
    }
    edit();
}

void TextStorage::replaceCharactersInRangeWithString(Range range, const QString& string)
{
    assertNotInLayout();
    if (processing_) {
        perform([this, range, string] { replaceCharactersInRangeWithString(range, string); });
        return;
    }
    AttributedString::replaceCharactersInRangeWithString(range, string);
    editedRangeChangeInLength(TextStorageEditedCharacters, MakeRange(range.location, string.size()), std::int64_t(string.size()) - range.length);
}

void TextStorage::setAttributesRange(const Dictionary& attributes, Range range)
{
    assertNotInLayout();
    if (processing_) {
        perform([this, attributes, range] { setAttributesRange(attributes, range); });
        return;
    }
    AttributedString::setAttributesRange(attributes, range);
    editedRangeChangeInLength(TextStorageEditedAttributes, range, 0);
}

void TextStorage::beginEditing()
{
    if (processing_) {
        perform([this] { beginEditing(); });
        return;
    }
    ++editingDepth_;
}

void TextStorage::endEditing()
{
    if (processing_) {
        perform([this] { endEditing(); });
        return;
    }
    KIT_ASSERT(editingDepth_ > 0, "endEditing without beginEditing");
    if (editingDepth_ > 0 && --editingDepth_ == 0 && editedMask_ != 0)
        processEditing();
}

void TextStorage::editedRangeChangeInLength(unsigned editedMask, Range range, std::int64_t delta)
{
    if (editedMask_ == 0) {
        editedRange_ = range;
        changeInLength_ = delta;
    } else {
        // The batch's range so far, carried into the text after this change, then widened to it.
        const std::int64_t replacedEnd = range.location + range.length - delta;
        auto carry = [&](std::int64_t p) { return p <= range.location ? p : p >= replacedEnd ? p + delta : range.location; };
        const std::int64_t from = std::min(carry(editedRange_.location), range.location);
        const std::int64_t to = std::min<std::int64_t>(std::max(carry(MaxRange(editedRange_)), MaxRange(range)), length());
        editedRange_ = MakeRange(from, std::max<std::int64_t>(0, to - from));
        changeInLength_ += delta;
    }
    editedMask_ |= editedMask;
    if (editingDepth_ == 0)
        processEditing();
}

void TextStorage::fixAttributesInRange(Range range)
{
    const QString& text = string();
    if (range.length <= 0 || length() == 0 || range.location < 0 || range.location >= length())
        return;
    const int from = textlayout::ParagraphStartBefore(text, int(range.location));
    const int to = int(range.location + std::min<std::int64_t>(range.length, length() - range.location));
    // One paragraph style per paragraph: its first character's.
    for (const textlayout::ParagraphSpan& span : textlayout::SplitParagraphs(text, from, to)) {
        const int end = span.end();
        Range run;
        const Value style = attributeAtIndexEffectiveRange(ParagraphStyleAttributeName, span.start, &run);
        if (MaxRange(run) >= end)
            continue;
        for (int i = int(MaxRange(run)); i < end;) {
            Range r;
            const Value other = attributeAtIndexLongestEffectiveRangeInRange(ParagraphStyleAttributeName, i, &r, MakeRange(i, end - i));
            if (!(other.isEqual(style)))
                style.isNil() ? removeAttributeRange(ParagraphStyleAttributeName, r) : addAttributeValueRange(ParagraphStyleAttributeName, style, r);
            i = int(MaxRange(r));
        }
    }
    // The attachment attribute only on U+FFFC.
    for (int i = from; i < to;) {
        Range r;
        const Value attachment = attributeAtIndexEffectiveRange(AttachmentAttributeName, i, &r);
        const int end = std::min<int>(to, int(MaxRange(r)));
        if (!attachment.isNil()) {
            for (int j = i; j < end; ++j)
                if (text.at(j) != QChar(AttachmentCharacter))
                    removeAttributeRange(AttachmentAttributeName, MakeRange(j, 1));
        }
        i = end;
    }
}

void TextStorage::processEditing()
{
    processing_ = true;
    const unsigned mask = editedMask_;
    const Range edited = editedRange_;
    const std::int64_t delta = changeInLength_;
    // Fixing attributes is part of the edit: its own changes widen nothing further.
    {
        processing_ = false;
        ++editingDepth_;
        const int from = textlayout::ParagraphStartBefore(string(), int(edited.location));
        const auto spans = textlayout::SplitParagraphs(string(), from, int(MaxRange(edited)));
        const int to = spans.empty() ? length() : spans.back().end();
        fixAttributesInRange(MakeRange(from, std::max(0, to - from)));
        --editingDepth_;
        processing_ = true;
    }
    const Range invalidated = editedRange_;
    editedMask_ = 0;
    editedRange_ = MakeRange(NotFound, 0);
    changeInLength_ = 0;
    const std::vector<Ref<LayoutManager>> managers = layoutManagers_;
    const Ref<TextStorage> keepAlive(this);
    for (const Ref<LayoutManager>& manager : managers)
        manager->textStorageEditedRangeChangeInLengthInvalidatedRange(this, mask, edited, delta, invalidated);
    for (const Ref<LayoutManager>& manager : managers)
        for (const Ref<TextContainer>& container : manager->textContainers())
            if (TextLayoutClient* client = container->textViewClient())
                client->textStorageDidProcessEditing(*this, mask, edited, delta);
    processing_ = false;
    std::vector<std::function<void()>> queued = std::move(queued_);
    queued_.clear();
    if (queued.empty())
        return;
    beginEditing();
    for (auto& edit : queued)
        edit();
    endEditing();
}

void TextStorage::addLayoutManager(const Ref<LayoutManager>& manager)
{
    if (!manager || std::find(layoutManagers_.begin(), layoutManagers_.end(), manager) != layoutManagers_.end())
        return;
    if (const Ref<TextStorage> old = manager->textStorage(); old && old.get() != this)
        old->removeLayoutManager(manager);
    layoutManagers_.push_back(manager);
    manager->setTextStorage(this);
}

void TextStorage::removeLayoutManager(const Ref<LayoutManager>& manager)
{
    auto it = std::find(layoutManagers_.begin(), layoutManagers_.end(), manager);
    if (it == layoutManagers_.end())
        return;
    const Ref<LayoutManager> keep = manager;
    layoutManagers_.erase(it);
    keep->setTextStorage(nullptr);
}

} // namespace kit
