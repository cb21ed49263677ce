#pragma once

// Shared by the cover-flow view tests: model objects with a picture under "cover", solid pictures,
// and a window holding a view.

#include "JVLAppKit/JVLCoverFlowView/JVLCoverFlowView.h"

#include "kit/appkit/Window.h"
#include "kit/core/Class.h"
#include "kit/foundation/RunLoop.h"
#include "kit/graphics/CGImage.h"

#include <QBuffer>
#include <QColor>
#include <QImage>

namespace jvl_cover_flow_test {

// A model object whose "cover" is a picture (kit::Image or data) or anything else.
class CoverItem : public kit::Object {
    KIT_CLASS(CoverItem)
public:
    CoverItem() = default;
    explicit CoverItem(kit::Value cover)
        : cover_(std::move(cover))
    { }
    kit::Value cover() const { return cover_; }
    void setCover(const kit::Value& cover) { setValueNotifying(QStringLiteral("cover"), cover_, cover); }

private:
    kit::Value cover_;
};

inline kit::Ref<kit::Image> solidPicture(QColor colour, int width = 60, int height = 40)
{
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(colour);
    return kit::Image::imageWithCGImageSize(kit::CGImage::create(pixels), {});
}

inline QByteArray solidPNG(QColor colour, int width = 60, int height = 40)
{
    QImage pixels(width, height, QImage::Format_ARGB32);
    pixels.fill(colour);
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    pixels.save(&buffer, "PNG");
    return data;
}

// Runs the main loop until the view's load queue is empty and what it handed back has run.
inline bool drainLoads(JVLCoverFlowView& view)
{
    auto& loop = kit::RunLoop::main();
    const bool done = loop.runUntil([&] { return view.imageLoadQueue()->operationCount() == 0 && loop.pendingMainBlockCount() == 0; });
    loop.runPending();
    return done;
}

} // namespace jvl_cover_flow_test
