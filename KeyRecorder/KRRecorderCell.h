#pragma once

// The cell of the shortcut recorder: a rounded field that shows the shortcut, records a new one
// on a click or the space bar (showing the modifiers held meanwhile), refuses combinations its
// validator finds taken, and offers a remove button when idle and a snap-back button while
// recording. While recording it may silence the application's global hot keys and hold the
// keyboard. Two styles; style 1 slides between the idle and the recording look.

#include "KRValidator.h"

#include "kit/appkit/SymbolicHotKeys.h"
#include "kit/controls/ActionCell.h"
#include "kit/graphics/Gradient.h"

#include <cstdint>
#include <optional>

class KRRecorderCell;

// A shortcut: Cocoa flags and a virtual key code; empty is flags 0 and code -1.
struct KRKeyCombo {
    std::uint64_t flags = 0;
    std::int64_t code = -1;
    friend bool operator==(const KRKeyCombo&, const KRKeyCombo&) = default;
};

// What the cell tells its delegate (normally the control); each answer has a default.
class KRRecorderCellDelegate {
public:
    virtual ~KRRecorderCellDelegate() = default;
    virtual bool keyRecorderCellIsKeyCodeAndFlagsTakenReason(KRRecorderCell*, std::int64_t /*keyCode*/, std::uint64_t /*flags*/, QString* /*reason*/)
    {
        return false;
    }
    virtual void keyRecorderCellKeyComboDidChange(KRRecorderCell*, KRKeyCombo) { }
};

class KRRecorderCell : public kit::ActionCell, public KRValidation {
    KIT_CLASS(KRRecorderCell)
public:
    static constexpr std::uint64_t AllModifierBits = 0x9E0000;
    static constexpr double TickInterval = double(1.0f / 30.0f);
    static constexpr double TickStep = double(2.0f / 21.0f);

    KRRecorderCell();
    ~KRRecorderCell() override;
    void copyTo(kit::Object& copy) const override;
    void encodeWithCoder(kit::Coder& coder) const override;
    void initWithCoder(kit::Coder& coder) override;

    // --- Settings. ---
    bool animates() const { return animates_; }
    void setAnimates(bool flag) { animates_ = flag; }
    int style() const { return style_; }
    // 1 stays 1; anything else becomes 0.
    void setStyle(int style);
    static bool styleSupportsAnimation(int style) { return style == 1; }
    bool allowsKeyOnly() const { return allowsKeyOnly_; }
    void setAllowsKeyOnly(bool flag) { allowsKeyOnly_ = flag; }
    bool escapeKeysRecord() const { return escapeKeysRecord_; }
    void setEscapeKeysRecord(bool flag) { escapeKeysRecord_ = flag; }
    void setAllowsKeyOnlyEscapeKeysRecord(bool allowsKeyOnly, bool escapeKeysRecord);
    bool canCaptureGlobalHotKeys() const { return globalHotKeys_; }
    void setCanCaptureGlobalHotKeys(bool flag) { globalHotKeys_ = flag; }
    QString autosaveName() const { return autosaveName_; }
    // No reload: the record is read at initialisation and after decoding.
    void setAutosaveName(const QString& name) { autosaveName_ = name; }
    kit::Ref<kit::Object> delegate() const { return delegate_.lock(); }
    void setDelegate(kit::Object* delegate) { delegate_ = delegate; }
    std::uint64_t allowedFlags() const { return allowedFlags_; }
    void setAllowedFlags(std::uint64_t flags);
    std::uint64_t requiredFlags() const { return requiredFlags_; }
    void setRequiredFlags(std::uint64_t flags);

    // --- The shortcut. ---
    KRKeyCombo keyCombo() const { return combo_; }
    void setKeyCombo(KRKeyCombo combo);
    // The remove button's press, by mouse, key or screen reader: empties the shortcut while the
    // button shows (a shortcut held, enabled, not recording). Answers whether it did.
    bool pressRemoveButton();
    // Null when empty, else the modifier glyphs and the key's display string.
    QString keyComboString() const;
    QString keyChars() const;
    QString keyCharsIgnoringModifiers() const;

    // --- State, for the control and for tests. ---
    bool isRecording() const { return recording_; }
    bool isAnimatingNow() const { return animatingNow_; }
    bool isAnimatingTowardsRecording() const { return towardsRecording_; }
    double transitionProgress() const { return progress_; }
    std::uint64_t recordingFlags() const { return recordingFlags_; }
    bool mouseInsideTrackingArea() const { return mouseInside_; }
    bool holdsHotKeyModeToken() const { return hotKeyToken_.has_value(); }
    std::int64_t removeTrackingRectTag() const { return removeTag_; }
    std::int64_t snapbackTrackingRectTag() const { return snapbackTag_; }
    KRValidator* validator() const { return validator_.get(); }
    // The images used for a frame.
    kit::Rect removeButtonRectForFrame(kit::Rect frame) const;
    kit::Rect snapbackRectForFrame(kit::Rect frame) const;
    // What the field shows now.
    QString labelString() const;
    // The same for a screen reader: the shortcut or the held modifiers in words, a prompt as it
    // stands; empty while idle without a shortcut.
    QString spokenLabelString() const;

    // --- Events. ---
    bool performKeyEquivalent(const kit::Event& event) override;
    void flagsChanged(const kit::Event& event);
    bool trackMouseInRectOfViewUntilMouseUp(const kit::Event& event, kit::Rect cellFrame, kit::View* controlView, bool untilMouseUp) override;
    bool becomeFirstResponder();
    bool resignFirstResponder();
    void resetTrackingRects();
    void mouseEntered(const kit::Event& event) override;
    void mouseExited(const kit::Event& event) override;
    void drawWithFrameInView(kit::Rect cellFrame, kit::View* controlView) override;

    // KRValidation: passed on to the delegate.
    bool shortcutValidatorIsKeyCodeAndFlagsTakenReason(KRValidator*, std::int64_t keyCode, std::uint64_t flags, QString* reason) override;

    // Autosave: the record under "KeyRecorder <name>" in the shared defaults controller's values.
    void saveKeyCombo();
    // Without a record nothing changes.
    void loadKeyCombo();

    void startRecordingTransition();
    void endRecordingTransition();
    void transitionTick();

    // kit::Accessibility: a field whose text is the recorded shortcut (its prompt while empty),
    // with a clear button while there is one to clear.
    QStringList accessibilityAttributeNames() const override;
    kit::Value accessibilityAttributeValue(const QString& attribute) const override;
    kit::Value accessibilityHitTest(kit::Point point) const override;

private:
    mutable kit::Ref<kit::Object> clearButtonElement_;
    // Tells a reader what the field says now, when that changed: a text change it cannot tie to a
    // key (Space, a recorded shortcut) a reader would drop.
    mutable kit::Ref<kit::Object> newsElement_;
    void tellNews();
    void setDefaults();
    std::uint64_t filteredCocoaFlags(std::uint64_t flags) const;
    bool validModifierFlags(std::uint64_t flags) const;
    // After a flag setting changed: the recording flags, or the stored combination, follow it.
    void applyFlagRules();
    bool isEmpty() const;
    void startRecording();
    void endRecording();
    void beginTransition(bool towardsRecording);
    void scheduleTick();
    void setMouseInsideFromEvent(bool inside, const kit::Event& event);
    void createGradient();
    void observeColours();
    void redisplay();
    void redisplayFocusRing();
    void tellDelegateComboChanged();
    std::uint64_t currentEventFlags() const;
    QString removeImageName() const;
    QString idleLabelString() const;
    QString recordingLabelString() const;
    // Style 0 centres by the label rule; style 1 draws from the rectangle's top.
    void drawLabel(const QString& text, kit::Rect rect, bool dim, double alpha, bool centreInFrame) const;
    void drawStyle0(kit::Rect frame, kit::View* view);
    void drawStyle1(kit::Rect frame, kit::View* view);

    kit::Ref<kit::Gradient> recordingGradient_;
    QString autosaveName_;
    bool recording_ = false;
    bool mouseInside_ = false;
    bool mouseDown_ = false;
    int style_ = 0;
    bool animates_ = false;
    double progress_ = 0;
    bool animatingNow_ = false;
    bool towardsRecording_ = false;
    bool comboJustChanged_ = false;
    std::int64_t removeTag_ = 0;
    std::int64_t snapbackTag_ = 0;
    KRKeyCombo combo_;
    bool hasKeyChars_ = false;
    QString keyChars_;
    QString keyCharsIgnoringModifiers_;
    std::uint64_t allowedFlags_ = AllModifierBits;
    std::uint64_t requiredFlags_ = 0;
    std::uint64_t recordingFlags_ = 0;
    bool allowsKeyOnly_ = false;
    bool escapeKeysRecord_ = false;
    kit::Ref<KRValidator> validator_;
    kit::Weak<kit::Object> delegate_;
    bool globalHotKeys_ = false;
    // Held exactly while hot keys are silenced for this cell.
    std::optional<kit::SymbolicHotKeyModeToken> hotKeyToken_;
};
