#pragma once

// One pane in the overview: identifier, a 32 x 32 copy of its image, title, category, and the
// target and action a click sends (with the icon as argument).

#include "kit/core/Class.h"
#include "kit/core/Selector.h"
#include "kit/graphics/Image.h"

class JVLPrefPaneIcon : public kit::Object {
    KIT_CLASS(JVLPrefPaneIcon)

    JVLPrefPaneIcon() = default;
    JVLPrefPaneIcon(const QString& identifier, kit::Image* image, const QString& title);

    QString itemIdentifier() const { return itemIdentifier_; }
    void setItemIdentifier(const QString& identifier) { itemIdentifier_ = identifier; }
    kit::Ref<kit::Image> image() const { return image_; }
    // Any image becomes a 32 x 32 bitmap copy.
    void setImage(kit::Image* image);
    QString title() const { return title_; }
    void setTitle(const QString& title) { title_ = title; }
    // Null: no category (a group of its own in the overview).
    QString category() const { return category_; }
    void setCategory(const QString& category) { category_ = category; }
    kit::Ref<kit::Object> target() const { return target_.lock(); }
    void setTarget(kit::Object* target) { target_ = target; }
    kit::Selector selector() const { return selector_; }
    void setSelector(kit::Selector selector) { selector_ = selector; }

    // Titles compared as text (<0, 0, >0).
    int compare(const JVLPrefPaneIcon& other) const;
    int caseInsensitiveCompare(const JVLPrefPaneIcon& other) const;

private:
    QString itemIdentifier_ = QStringLiteral("");
    kit::Ref<kit::Image> image_;
    QString title_ = QStringLiteral("");
    QString category_ = QStringLiteral("");
    kit::Weak<kit::Object> target_;
    kit::Selector selector_;
};
