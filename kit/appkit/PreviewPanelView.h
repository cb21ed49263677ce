#pragma once

// What the preview panel shows for one item: a picture (an image file, or a PDF's first page), the
// start of a text file, or the file's icon and name for anything else.

#include "kit/appkit/Accessibility.h"
#include "kit/appkit/View.h"
#include "kit/graphics/Image.h"

#include <QString>
#include <QUrl>

#include <functional>

namespace kit {

struct PreviewContent {
    enum class Kind { None, Picture, Text, Other, Missing };

    Kind kind = Kind::None;
    // The picture, or the file type's icon for Other.
    Ref<Image> image;
    // The text file's start; for Missing, why there is nothing.
    QString text;
    // The file's name, the panel's title.
    QString title;
    // What kind of file it is, in words ("PNG image"); empty when unknown.
    QString kindName;

    // Reads the file `url` names (local files only). Pictures are at most `maxPixels` on their
    // larger side and never enlarged; text stops after `maxTextBytes`.
    static PreviewContent ofURL(const QUrl& url, int maxPixels = 1024, qint64 maxTextBytes = 64 * 1024);
};

// The panel's content view: the picture scaled down to fit and centred, the text from the top
// left, or the icon with the name below it. A reader meets it as what it shows: a picture named by
// the file's name and kind, or the text; "No preview" while it shows nothing.
class PreviewPanelView : public View, public Accessibility {
    KIT_CLASS(PreviewPanelView)

    PreviewPanelView();
    explicit PreviewPanelView(Rect frame);

    const PreviewContent& content() const { return content_; }
    void setContent(PreviewContent content);

    // Keys go to the handler first (the panel passes them to its delegate); unhandled ones go on.
    using KeyHandler = std::function<bool(const Event&)>;
    void setKeyHandler(KeyHandler handler) { keyHandler_ = std::move(handler); }
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& event) override;
    void drawRect(Rect dirty) override;

    // Where the picture or icon is drawn, in the view's coordinates.
    Rect pictureRect() const;

    // kit::Accessibility:
    QStringList accessibilityAttributeNames() const override;
    Value accessibilityAttributeValue(const QString& attribute) const override;

private:
    PreviewContent content_;
    KeyHandler keyHandler_;
};

} // namespace kit
