#include "JVLAppKit/JVLPreferenceWindowController/JVLPrefPaneIcon.h"

#include "kit/graphics/GraphicsContext.h"

using namespace kit;

KIT_REGISTER_CLASS(JVLPrefPaneIcon, kit::Object)
{
    c.bundle("JVLAppKit");
    c.property("itemIdentifier", &JVLPrefPaneIcon::itemIdentifier, &JVLPrefPaneIcon::setItemIdentifier);
    c.property("title", &JVLPrefPaneIcon::title, &JVLPrefPaneIcon::setTitle);
    c.property("category", &JVLPrefPaneIcon::category, &JVLPrefPaneIcon::setCategory);
}

JVLPrefPaneIcon::JVLPrefPaneIcon(const QString& identifier, Image* image, const QString& title)
    : itemIdentifier_(identifier)
    , title_(title)
{
    setImage(image);
}

void JVLPrefPaneIcon::setImage(Image* image)
{
    if (!image) {
        image_ = nullptr;
        return;
    }
    auto copy = make<Image>(MakeSize(32, 32));
    copy->lockFocus();
    image->drawInRectFromRectOperationFraction(MakeRect(0, 0, 32, 32), Rect {}, CompositeCopy, 1.0);
    copy->unlockFocus();
    image_ = copy;
}

int JVLPrefPaneIcon::compare(const JVLPrefPaneIcon& other) const { return QString::compare(title_, other.title_, Qt::CaseSensitive); }

int JVLPrefPaneIcon::caseInsensitiveCompare(const JVLPrefPaneIcon& other) const
{
    return QString::compare(title_, other.title_, Qt::CaseInsensitive);
}
