#include "kit/text/TextContainer.h"

#include "kit/graphics/Color.h"
#include "kit/text/LayoutManager.h"
#include "kit/text/TextLayoutClient.h"
#include "kit/text/TextStorage.h"

#include <QGuiApplication>
#include <QPalette>

namespace kit {

KIT_REGISTER_CLASS(TextContainer, Object) { }

Ref<Color> TextLayoutClient::textLayoutSelectionColor() const
{
    return Color::fromQColor(QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight));
}

TextContainer::TextContainer() = default;

TextContainer::TextContainer(Size size)
    : size_(size)
{ }

Ref<LayoutManager> TextContainer::layoutManager() const { return layoutManager_.lock(); }

void TextContainer::setLayoutManager(LayoutManager* manager) { layoutManager_ = manager; }

void TextContainer::setContainerSize(Size size)
{
    if (size == size_)
        return;
    const bool widthChanged = size.width != size_.width;
    size_ = size;
    if (widthChanged)
        if (const Ref<LayoutManager> manager = layoutManager())
            manager->textContainerChangedGeometry(this);
}

void TextContainer::setLineFragmentPadding(double padding)
{
    if (padding == padding_)
        return;
    padding_ = padding;
    if (const Ref<LayoutManager> manager = layoutManager())
        manager->textContainerChangedGeometry(this);
}

void TextContainer::setTextViewClient(Object* view, TextLayoutClient* client)
{
    textView_ = view;
    client_ = view ? client : nullptr;
}

TextLayoutClient* TextContainer::textViewClient() const { return textView_.lock() ? client_ : nullptr; }

void TextContainer::replaceLayoutManager(const Ref<LayoutManager>& manager)
{
    const Ref<LayoutManager> old = layoutManager();
    if (!manager || manager == old)
        return;
    const Ref<TextContainer> keep(this);
    const Ref<TextStorage> storage = old ? old->textStorage() : nullptr;
    if (old) {
        const auto& containers = old->textContainers();
        for (std::size_t i = 0; i < containers.size(); ++i) {
            if (containers[i].get() == this) {
                old->removeTextContainerAtIndex(i);
                break;
            }
        }
    }
    manager->addTextContainer(keep);
    if (storage) {
        if (old && old->textContainers().empty())
            storage->removeLayoutManager(old);
        storage->addLayoutManager(manager);
    }
}

} // namespace kit
