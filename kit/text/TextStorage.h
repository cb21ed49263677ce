#pragma once

// The text system's attributed string: an object that sees every edit through the two
// primitives, batches them between beginEditing and endEditing (nesting), and processes the
// batch once, at the outermost endEditing (or after each change outside a batch):
// fixAttributesInRange over the edited range widened to whole paragraphs, then each layout
// manager's textStorageEditedRangeChangeInLengthInvalidatedRange, then every text view showing it
// fixes its selection. An edit made during processing is queued and applied after it. Owns its
// layout managers; the text view owns the storage.

#include "kit/core/Class.h"
#include "kit/core/Object.h"
#include "kit/graphics/AttributedString.h"

#include <QByteArray>

#include <cstdint>
#include <functional>
#include <vector>

namespace kit {

class Error;
class LayoutManager;

enum TextStorageEditActions : unsigned {
    TextStorageEditedAttributes = 1,
    TextStorageEditedCharacters = 2,
};

class TextStorage : public Object, public AttributedString {
    KIT_CLASS(TextStorage)
    TextStorage();
    explicit TextStorage(QString string, Dictionary attributes = {});
    explicit TextStorage(const AttributedString& string);
    ~TextStorage() override;

    // Our RTF subset (document attributes ignored). Null with `error` set on unreadable or
    // malformed input.
    static Ref<TextStorage> initWithRTFPath(const QString& path, Ref<Error>* error = nullptr);
    static Ref<TextStorage> initWithRTFData(const QByteArray& data, Ref<Error>* error = nullptr);

    // AttributedString:
    void replaceCharactersInRangeWithString(Range range, const QString& string) override;
    void setAttributesRange(const Dictionary& attributes, Range range) override;
    void beginEditing() override;
    void endEditing() override;

    // What the current batch changed: actions, the range in the new text, the change in length.
    unsigned editedMask() const { return editedMask_; }
    Range editedRange() const { return editedRange_; }
    std::int64_t changeInLength() const { return changeInLength_; }
    // Records a change (the primitives call it); processes now unless inside a batch.
    void editedRangeChangeInLength(unsigned editedMask, Range range, std::int64_t delta);
    bool isEditing() const { return editingDepth_ > 0; }
    bool isProcessingEditing() const { return processing_; }

    // One paragraph style per paragraph (its first character's), the attachment attribute only on
    // U+FFFC. Never changes a character and never splits a run for fonts (fallback is left to
    // drawing).
    virtual void fixAttributesInRange(Range range);
    // Runs the processing steps; called once per outermost batch.
    virtual void processEditing();

    const std::vector<Ref<LayoutManager>>& layoutManagers() const { return layoutManagers_; }
    void addLayoutManager(const Ref<LayoutManager>& manager);
    void removeLayoutManager(const Ref<LayoutManager>& manager);

private:
    void perform(std::function<void()> edit);
    void assertNotInLayout() const;

    std::vector<Ref<LayoutManager>> layoutManagers_;
    unsigned editedMask_ = 0;
    Range editedRange_ { NotFound, 0 };
    std::int64_t changeInLength_ = 0;
    int editingDepth_ = 0;
    bool processing_ = false;
    std::vector<std::function<void()>> queued_;
};

} // namespace kit
