#include "kit/appkit/PreviewPanelView.h"

#include "kit/appkit/Event.h"
#include "kit/appkit/Workspace.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageSource.h"
#include "kit/graphics/ParagraphStyle.h"
#include "kit/graphics/StringDrawing.h"

#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <algorithm>

namespace kit {

namespace preview_panel_view {

constexpr double margin = 16;
constexpr double iconSide = 128;
constexpr double nameHeight = 36;

// Up to `limit` bytes of the file as text; a multi-byte character cut at the limit is dropped.
QString textStart(const QString& path, qint64 limit, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return {};
    }
    const QByteArray bytes = file.read(limit);
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (bytes.size() == limit && text.endsWith(QChar::ReplacementCharacter))
        text.chop(1);
    return text;
}

} // namespace preview_panel_view

PreviewContent PreviewContent::ofURL(const QUrl& url, int maxPixels, qint64 maxTextBytes)
{
    PreviewContent content;
    if (url.isEmpty())
        return content;
    content.title = url.fileName().isEmpty() ? url.toDisplayString() : url.fileName();
    if (!url.isLocalFile()) {
        content.kind = Kind::Missing;
        content.text = QStringLiteral("Only local files can be previewed.");
        return content;
    }
    const QString path = url.toLocalFile();
    QString error;
    const QString type = Workspace::sharedWorkspace()->typeOfFileError(path, &error);
    content.kindName = QMimeDatabase().mimeTypeForName(type).comment();
    if (type.isEmpty() || QFileInfo(path).isDir()) {
        content.kind = Kind::Missing;
        content.text = error.isEmpty() ? QStringLiteral("Folders have no preview.") : error;
        return content;
    }
    if (UTTypeConformsTo(type, UTTypeImage) || UTTypeConformsTo(type, UTTypePDF))
        if (const Ref<CGImage> picture = ThumbnailImageCreate(path, maxPixels)) {
            content.kind = Kind::Picture;
            content.image = Image::imageWithCGImageSize(picture, Size { double(picture->width()), double(picture->height()) });
            return content;
        }
    if (const QMimeType mime = QMimeDatabase().mimeTypeForName(type); mime.isValid() && mime.inherits(QStringLiteral("text/plain"))) {
        content.text = preview_panel_view::textStart(path, maxTextBytes, &error);
        content.kind = error.isEmpty() ? Kind::Text : Kind::Missing;
        if (!error.isEmpty())
            content.text = error;
        return content;
    }
    content.kind = Kind::Other;
    content.image = Workspace::sharedWorkspace()->iconForFileType(type);
    return content;
}

PreviewPanelView::PreviewPanelView()
    : PreviewPanelView(ZeroRect)
{ }

PreviewPanelView::PreviewPanelView(Rect frame)
    : View(frame)
{ }

void PreviewPanelView::setContent(PreviewContent content)
{
    content_ = std::move(content);
    setNeedsDisplay(true);
    accessibilityValueChanged();
}

QStringList PreviewPanelView::accessibilityAttributeNames() const
{
    return ViewAccessibilityAttributeNames() << AccessibilityTitleAttribute << AccessibilityValueAttribute;
}

Value PreviewPanelView::accessibilityAttributeValue(const QString& attribute) const
{
    using Kind = PreviewContent::Kind;
    const bool picture = content_.kind == Kind::Picture || content_.kind == Kind::Other;
    const QString role = picture ? AccessibilityImageRole : AccessibilityStaticTextRole;
    if (attribute == AccessibilityRoleAttribute)
        return Value(role);
    if (attribute == AccessibilityRoleDescriptionAttribute)
        return Value(AccessibilityRoleDescription(role));
    if (attribute == AccessibilityTitleAttribute) {
        if (content_.kind == Kind::None)
            return Value(QStringLiteral("No preview"));
        QStringList words { content_.title };
        if (!content_.kindName.isEmpty())
            words << content_.kindName;
        return Value(words.join(QStringLiteral(", ")));
    }
    // The text shown: a text file's start, or why there is nothing to show.
    if (attribute == AccessibilityValueAttribute)
        return picture || content_.kind == Kind::None ? Value() : Value(content_.text);
    return ViewAccessibilityAttributeValue(*this, attribute);
}

void PreviewPanelView::keyDown(const Event& event)
{
    if (keyHandler_ && keyHandler_(event))
        return;
    View::keyDown(event);
}

Rect PreviewPanelView::pictureRect() const
{
    using namespace preview_panel_view;
    const Rect b = bounds();
    if (!content_.image || (content_.kind != PreviewContent::Kind::Picture && content_.kind != PreviewContent::Kind::Other))
        return ZeroRect;
    if (content_.kind == PreviewContent::Kind::Other)
        return MakeRect(b.midX() - iconSide / 2, b.midY() - iconSide / 2 + nameHeight / 2, iconSide, iconSide);
    const Size size = content_.image->size();
    const double room = std::max(0.0, b.width() - 2 * margin), roomHigh = std::max(0.0, b.height() - 2 * margin);
    if (size.width <= 0 || size.height <= 0)
        return ZeroRect;
    // Scaled down to fit, never enlarged: a small picture stays sharp.
    const double scale = std::min({ 1.0, room / size.width, roomHigh / size.height });
    const double w = size.width * scale, h = size.height * scale;
    return MakeRect(b.midX() - w / 2, b.midY() - h / 2, w, h);
}

void PreviewPanelView::drawRect(Rect)
{
    using namespace preview_panel_view;
    const Rect b = bounds();
    Color::colorWithDeviceWhiteAlpha(0.93, 1)->setFill();
    RectFill(b);
    StringAttributes attributes;
    attributes.font = Font::systemFontOfSize(12);
    switch (content_.kind) {
    case PreviewContent::Kind::None:
        break;
    case PreviewContent::Kind::Picture:
        content_.image->drawInRect(pictureRect());
        break;
    case PreviewContent::Kind::Text: {
        Color::whiteColor()->setFill();
        RectFill(InsetRect(b, margin / 2, margin / 2));
        StringDrawing::drawWithRectOptionsAttributes(content_.text, InsetRect(b, margin, margin),
            StringDrawingUsesLineFragmentOrigin | StringDrawingTruncatesLastVisibleLine, attributes);
        break;
    }
    case PreviewContent::Kind::Other:
    case PreviewContent::Kind::Missing: {
        const Rect icon = pictureRect();
        if (!IsEmptyRect(icon))
            content_.image->drawInRect(icon);
        const QString line = content_.kind == PreviewContent::Kind::Missing ? content_.title + QLatin1Char('\n') + content_.text : content_.title;
        Ref<ParagraphStyle> centred = ParagraphStyle::defaultParagraphStyle()->mutableCopy();
        centred->setAlignment(CenterTextAlignment);
        attributes.paragraphStyle = centred;
        const double top = IsEmptyRect(icon) ? b.midY() + nameHeight / 2 : icon.minY() - 8;
        StringDrawing::drawWithRectOptionsAttributes(line, MakeRect(b.minX() + margin, top - nameHeight, b.width() - 2 * margin, nameHeight),
            StringDrawingUsesLineFragmentOrigin | StringDrawingTruncatesLastVisibleLine, attributes);
        break;
    }
    }
}

KIT_REGISTER_CLASS(PreviewPanelView, View) { }

} // namespace kit
