#pragma once

// A cell with storage for target, action and tag, which asks its control view to update
// whenever its value or appearance changes. Every control's default cell is one of these.

#include "kit/controls/Cell.h"

namespace kit {

class ActionCell : public Cell {
    KIT_CLASS(ActionCell)
public:
    // Settings only (no target, control view or transient highlight).
    void encodeWithCoder(Coder& coder) const override;
    void initWithCoder(Coder& coder) override;
    using Cell::Cell;
    // Shallow: shared references stay shared.
    void copyTo(Object& copy) const override;

    // Cell:
    Selector action() const override { return action_; }
    void setAction(Selector action) override { action_ = action; }
    Ref<Object> target() const override { return target_.lock(); }
    void setTarget(Object* target) override { target_ = target; }
    std::int64_t tag() const override { return tag_; }
    void setTag(std::int64_t tag) override { tag_ = tag; }

protected:
    // Cell:
    void changed() override;
    Weak<Object> targetForSending() const override { return target_; }

private:
    Weak<Object> target_;
    Selector action_;
    std::int64_t tag_ = 0;
};

} // namespace kit
