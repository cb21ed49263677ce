#include "kit/testsupport/LargePictures.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>

#include <map>
#include <mutex>
#include <string>

namespace kit::test {

const std::vector<LargePicture>& largePictures()
{
    static const std::vector<LargePicture> pictures {
        { "jpeg", QSize(8000, 6000), QColor(200, 40, 40), QColor(40, 40, 200) },
        { "png", QSize(12000, 3000), QColor(40, 160, 40), QColor(220, 200, 40) },
    };
    return pictures;
}

const QByteArray& largePictureData(const LargePicture& picture)
{
    static std::mutex mutex;
    static std::map<std::string, QByteArray> made;
    std::lock_guard guard(mutex);
    QByteArray& data = made[picture.name];
    if (data.isEmpty()) {
        QImage image(picture.size, QImage::Format_RGB888);
        image.fill(picture.left);
        {
            QPainter painter(&image);
            painter.fillRect(picture.size.width() / 2, 0, picture.size.width() - picture.size.width() / 2, picture.size.height(), picture.right);
        }
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, picture.name);
        writer.write(image);
    }
    return data;
}

} // namespace kit::test
