#include "kit/appkit/Workspace.h"
#include "kit/core/Exception.h"
#include "kit/core/MainThread.h"
#include "kit/graphics/CGImage.h"
#include "kit/graphics/Image.h"

#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMimeDatabase>
#include <QPainter>

namespace kit {

namespace workspace_files {

bool mimeInherits(const QString& name, const QString& prefix, const QString& exact = {})
{
    if (name.isEmpty())
        return false;
    const QMimeType mime = QMimeDatabase().mimeTypeForName(name);
    const auto matches = [&](const QString& n) { return (!prefix.isEmpty() && n.startsWith(prefix)) || (!exact.isEmpty() && n == exact); };
    if (matches(name))
        return true;
    if (!mime.isValid())
        return false;
    for (const QString& parent : mime.allAncestors())
        if (matches(parent))
            return true;
    return false;
}

// A sheet with a folded corner, drawn here so that a desktop without an icon theme still shows one.
QImage documentIcon(int side)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    const double u = side / 32.0;
    QPainterPath sheet;
    sheet.moveTo(7 * u, 2 * u);
    sheet.lineTo(20 * u, 2 * u);
    sheet.lineTo(26 * u, 8 * u);
    sheet.lineTo(26 * u, 30 * u);
    sheet.lineTo(7 * u, 30 * u);
    sheet.closeSubpath();
    painter.setPen(QPen(QColor(120, 124, 136), std::max(1.0, u)));
    painter.setBrush(QColor(246, 247, 250));
    painter.drawPath(sheet);
    QPainterPath fold;
    fold.moveTo(20 * u, 2 * u);
    fold.lineTo(20 * u, 8 * u);
    fold.lineTo(26 * u, 8 * u);
    painter.setBrush(QColor(214, 217, 226));
    painter.drawPath(fold);
    painter.setPen(QPen(QColor(170, 174, 186), std::max(1.0, u)));
    for (int line = 0; line < 5; ++line)
        painter.drawLine(QPointF(10 * u, (13 + 3 * line) * u), QPointF(23 * u, (13 + 3 * line) * u));
    return image;
}

} // namespace workspace_files

bool UTTypeConformsTo(const QString& type, const QString& conformsTo)
{
    if (type.isEmpty() || conformsTo.isEmpty())
        return false;
    if (type == conformsTo)
        return true;
    if (conformsTo == UTTypeImage)
        return workspace_files::mimeInherits(type, QStringLiteral("image/"));
    if (conformsTo == UTTypePDF)
        return workspace_files::mimeInherits(type, {}, QStringLiteral("application/pdf"));
    if (conformsTo == UTTypeMovie)
        return workspace_files::mimeInherits(type, QStringLiteral("video/"));
    return workspace_files::mimeInherits(type, {}, conformsTo);
}

QString Workspace::typeOfFileError(const QString& path, QString* error) const
{
    const QFileInfo info(path);
    if (path.isEmpty() || !info.exists()) {
        if (error)
            *error = QStringLiteral("The file \"%1\" does not exist.").arg(path);
        return {};
    }
    if (error)
        error->clear();
    if (info.isDir())
        return QStringLiteral("inode/directory");
    return QMimeDatabase().mimeTypeForFile(info).name();
}

Ref<Image> Workspace::iconForFileType(const QString& fileType) const
{
    KIT_ASSERT(isMainThread(), "Theme icons are drawn on the main thread only");
    constexpr int side = 256;
    QMimeDatabase db;
    QMimeType mime = db.mimeTypeForName(fileType);
    if (!mime.isValid() || fileType.isEmpty())
        mime = db.mimeTypeForFile(QStringLiteral("file.") + fileType, QMimeDatabase::MatchExtension);
    QImage pixels;
    if (mime.isValid() && !mime.isDefault()) {
        const QIcon icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
        if (!icon.isNull())
            pixels = icon.pixmap(side, side).toImage();
    }
    if (pixels.isNull())
        pixels = workspace_files::documentIcon(side);
    return Image::imageWithCGImageSize(CGImage::create(pixels), Size { 32, 32 });
}

bool Workspace::openFile(const QString& path) { return !path.isEmpty() && openURL(QUrl::fromLocalFile(path)); }

bool Workspace::openFileFromImageAtInView(const QString& path, Image*, Point, View*) { return openFile(path); }

} // namespace kit
