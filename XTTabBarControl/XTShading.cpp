#include "XTTabBarControl/XTShading.h"

#include "kit/graphics/CGContext.h"
#include "kit/graphics/GraphicsContext.h"

namespace XTShading {

namespace {

QColor xtShadingDeviceColor(const kit::Color& color)
{
    const kit::Ref<kit::Color> device = color.colorUsingColorSpaceName(kit::DeviceRGBColorSpace);
    return (device ? *device : color).toQColor();
}

} // namespace

void customFillWithFunction(
    const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second, kit::Point start, kit::Point end)
{
    kit::GraphicsContext* context = kit::GraphicsContext::currentContext();
    if (!context)
        return;
    const kit::Ref<kit::CGContext> port = context->graphicsPort();
    const kit::Ref<kit::Shading> shading
        = kit::Shading::axial(start, end, function(xtShadingDeviceColor(first), xtShadingDeviceColor(second)), false, false);
    context->saveGraphicsState();
    path.addClip();
    port->drawShading(*shading);
    context->restoreGraphicsState();
}

void customHorizontalFillWithFunction(const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second)
{
    const kit::Rect b = path.bounds();
    customFillWithFunction(path, function, first, second, kit::MakePoint(0, b.origin.y), kit::MakePoint(0, b.origin.y + b.size.height));
}

void customVerticalFillWithFunction(const kit::BezierPath& path, FunctionMaker function, const kit::Color& first, const kit::Color& second)
{
    const kit::Rect b = path.bounds();
    customFillWithFunction(path, function, first, second, kit::MakePoint(b.origin.x, 0), kit::MakePoint(b.origin.x + b.size.width, 0));
}

void linearGradientFillWithStartColorEndColor(const kit::BezierPath& path, const kit::Color& start, const kit::Color& end)
{
    customHorizontalFillWithFunction(path, &kit::Shading::linearFunction, start, end);
}

void linearVerticalGradientFillWithStartColorEndColor(const kit::BezierPath& path, const kit::Color& start, const kit::Color& end)
{
    customVerticalFillWithFunction(path, &kit::Shading::linearFunction, start, end);
}

void bilinearGradientFillWithOuterColorInnerColor(const kit::BezierPath& path, const kit::Color& outer, const kit::Color& inner)
{
    customHorizontalFillWithFunction(path, &kit::Shading::bilinearFunction, inner, outer);
}

} // namespace XTShading
