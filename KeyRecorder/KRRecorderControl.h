#pragma once

// The shortcut recorder: a control hosting one KRRecorderCell. It is its own first responder (no
// field editor), hands every key-down to the cell, forwards the cell's settings, tells its
// delegate of changes and writes the shortcut back through its "value" binding.
//
// The bound value is a dictionary ("characters", "keyCode", "modifierFlags") and is nil for an
// empty shortcut and for one without modifiers: hosts that allow key-only shortcuts read the
// control's keyCombo or its autosave record instead.

#include "KRRecorderCell.h"

#include "kit/controls/Control.h"

class KRRecorderControl;

class KRRecorderControlDelegate {
public:
    virtual ~KRRecorderControlDelegate() = default;
    // YES vetoes the combination; the reason is put after "because".
    virtual bool keyRecorderIsKeyCodeAndFlagsTakenReason(KRRecorderControl*, std::int64_t /*keyCode*/, std::uint64_t /*flags*/, QString* /*reason*/)
    {
        return false;
    }
    virtual void keyRecorderKeyComboDidChange(KRRecorderControl*, KRKeyCombo) { }
};

class KRRecorderControl : public kit::Control, public KRRecorderCellDelegate {
    KIT_CLASS(KRRecorderControl)
    KIT_CONTROL_CELL_CLASS(KRRecorderControl, KRRecorderCell)
public:
    explicit KRRecorderControl(kit::Rect frame = {});
    ~KRRecorderControl() override;
    void initWithCoder(kit::Coder& coder) override;

    KRRecorderCell* recorderCell() const;

    // --- Forwarded to the cell. ---
    bool animates() const { return recorderCell()->animates(); }
    void setAnimates(bool flag) { recorderCell()->setAnimates(flag); }
    int style() const { return recorderCell()->style(); }
    void setStyle(int style) { recorderCell()->setStyle(style); }
    QString keyChars() const { return recorderCell()->keyChars(); }
    QString keyCharsIgnoringModifiers() const { return recorderCell()->keyCharsIgnoringModifiers(); }
    std::uint64_t allowedFlags() const { return recorderCell()->allowedFlags(); }
    void setAllowedFlags(std::uint64_t flags) { recorderCell()->setAllowedFlags(flags); }
    bool allowsKeyOnly() const { return recorderCell()->allowsKeyOnly(); }
    // Also turns escapeKeysRecord off.
    void setAllowsKeyOnly(bool flag) { recorderCell()->setAllowsKeyOnlyEscapeKeysRecord(flag, false); }
    void setAllowsKeyOnlyEscapeKeysRecord(bool allowsKeyOnly, bool escapeKeysRecord)
    {
        recorderCell()->setAllowsKeyOnlyEscapeKeysRecord(allowsKeyOnly, escapeKeysRecord);
    }
    bool escapeKeysRecord() const { return recorderCell()->escapeKeysRecord(); }
    void setEscapeKeysRecord(bool flag) { recorderCell()->setEscapeKeysRecord(flag); }
    bool canCaptureGlobalHotKeys() const { return recorderCell()->canCaptureGlobalHotKeys(); }
    void setCanCaptureGlobalHotKeys(bool flag) { recorderCell()->setCanCaptureGlobalHotKeys(flag); }
    std::uint64_t requiredFlags() const { return recorderCell()->requiredFlags(); }
    void setRequiredFlags(std::uint64_t flags) { recorderCell()->setRequiredFlags(flags); }
    KRKeyCombo keyCombo() const { return recorderCell()->keyCombo(); }
    void setKeyCombo(KRKeyCombo combo) { recorderCell()->setKeyCombo(combo); }
    QString autosaveName() const { return recorderCell()->autosaveName(); }
    void setAutosaveName(const QString& name) { recorderCell()->setAutosaveName(name); }
    QString keyComboString() const { return recorderCell()->keyComboString(); }
    void resetTrackingRects() { recorderCell()->resetTrackingRects(); }
    std::uint32_t cocoaToCarbonFlags(std::uint64_t flags) const;
    std::uint64_t carbonToCocoaFlags(std::uint32_t flags) const;

    // The bound value: nil for code -1 or flags 0.
    kit::Value objectValue() const;
    // A dictionary with numbers under "keyCode" and "modifierFlags"; anything else empties.
    void setObjectValue(const kit::Value& value) override;
    kit::ValueKind valueClassForBinding(const QString& binding) const override;

    // kit::View:
    bool acceptsFirstResponder() const override { return true; }
    bool acceptsFirstMouse(const kit::Event*) const override { return true; }
    bool becomeFirstResponder() override;
    bool resignFirstResponder() override;
    bool performKeyEquivalent(const kit::Event& event) override;
    void keyDown(const kit::Event& event) override;
    void flagsChanged(const kit::Event& event) override;
    void viewDidMoveToWindow() override;
    // Width at least 50, height always 22.
    void setFrameSize(kit::Size size) override;

    // KRRecorderCellDelegate:
    bool keyRecorderCellIsKeyCodeAndFlagsTakenReason(KRRecorderCell*, std::int64_t keyCode, std::uint64_t flags, QString* reason) override;
    void keyRecorderCellKeyComboDidChange(KRRecorderCell*, KRKeyCombo combo) override;

protected:
    KRRecorderControl(kit::Rect frame, kit::Ref<kit::Cell> cell);

private:
    void writeBackValue();
    // Set while the bound value is written back, so the echo from the model does not write again.
    bool writingBack_ = false;
};
