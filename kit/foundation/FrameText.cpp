#include "kit/foundation/FrameText.h"

#include <QStringList>

#include <cmath>

namespace kit {

QString windowFrameDefaultsKey(const QString& autosaveName) { return WindowFrameDefaultsKeyFormat.arg(autosaveName); }

QString stringWithSavedFrame(Rect frame, Rect screen)
{
    QString out;
    for (double v : { frame.origin.x, frame.origin.y, frame.size.width, frame.size.height, screen.origin.x, screen.origin.y,
             screen.size.width, screen.size.height }) {
        out += QString::number(qint64(std::llround(v)));
        out += u' ';
    }
    return out;
}

std::optional<double> savedFrameNumber(const QString& field)
{
    bool ok = false;
    // QString::toDouble reads '.' whatever the process locale.
    const double v = field.toDouble(&ok);
    if (!ok || !std::isfinite(v) || std::abs(v) > WindowGeometryLimit)
        return std::nullopt;
    return v;
}

std::vector<double> savedFrameFields(const QString& text)
{
    std::vector<double> fields;
    for (const QString& part : text.split(u' ', Qt::SkipEmptyParts)) {
        const std::optional<double> v = savedFrameNumber(part);
        if (!v)
            break;
        fields.push_back(*v);
    }
    return fields;
}

std::optional<Rect> savedFrameFromString(const QString& text)
{
    const auto f = savedFrameFields(text);
    if (f.size() < 4)
        return std::nullopt;
    return MakeRect(f[0], f[1], f[2], f[3]);
}

std::optional<Point> originKeepingSavedTopLeft(const QString& text, Size currentSize)
{
    const auto frame = savedFrameFromString(text);
    if (!frame)
        return std::nullopt;
    return MakePoint(frame->origin.x, frame->origin.y + frame->size.height - currentSize.height);
}

} // namespace kit
