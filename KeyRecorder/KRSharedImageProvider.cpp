#include "KRSharedImageProvider.h"

#include "kit/graphics/AffineTransform.h"
#include "kit/graphics/BezierPath.h"
#include "kit/graphics/Color.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/graphics/ImageRep.h"
#include "kit/graphics/Shadow.h"

#include <functional>
#include <map>

using namespace kit;

namespace {

struct KRImageRecipe {
    Size size;
    std::function<void(Rect)> draw;
};

void krDrawRemoveBox(Rect bounds, double opacity)
{
    const double w = bounds.size.width;
    const double h = bounds.size.height;
    const double x = bounds.origin.x;
    const double y = bounds.origin.y;
    Color::colorWithCalibratedWhiteAlpha(0, 1 - opacity)->setFill();
    BezierPath::bezierPathWithOvalInRect(bounds)->fill();
    auto cross = BezierPath::bezierPath();
    const double u = w / 14;
    const double v = h / 14;
    cross->moveToPoint({ x + 4 * u, y + 4 * v });
    cross->lineToPoint({ x + 10 * u, y + 10 * v });
    cross->moveToPoint({ x + 10 * u, y + 4 * v });
    cross->lineToPoint({ x + 4 * u, y + 10 * v });
    cross->setLineWidth(1.2 * u);
    Color::whiteColor()->setStroke();
    cross->stroke();
}

void krDrawSnapback(Rect bounds)
{
    auto* context = GraphicsContext::currentContext();
    if (!context)
        return;
    context->saveGraphicsState();
    Shadow shadow;
    shadow.setShadowColor(Color::colorWithCalibratedWhiteAlpha(0, 0.45));
    shadow.setShadowBlurRadius(1);
    shadow.setShadowOffset({ 0, -1 });
    shadow.set();
    Color::whiteColor()->setFill();
    auto path = KRSharedImageProvider::snapbackPathForSize(bounds.size);
    AffineTransform move;
    move.translateXByYBy(bounds.origin.x, bounds.origin.y);
    path->transformUsingAffineTransform(move);
    path->fill();
    context->restoreGraphicsState();
}

const std::map<QString, KRImageRecipe>& krImageRecipes()
{
    static const std::map<QString, KRImageRecipe> recipes {
        { QStringLiteral("KRSnapback"), { { 14, 14 }, krDrawSnapback } },
        { QStringLiteral("KRRemoveShortcut"), { { 14, 14 }, [](Rect r) { krDrawRemoveBox(r, 0.75); } } },
        { QStringLiteral("KRRemoveShortcutRollover"), { { 14, 14 }, [](Rect r) { krDrawRemoveBox(r, 0.65); } } },
        { QStringLiteral("KRRemoveShortcutPressed"), { { 14, 14 }, [](Rect r) { krDrawRemoveBox(r, 0.55); } } },
    };
    return recipes;
}

} // namespace

Ref<BezierPath> KRSharedImageProvider::snapbackPathForSize(Size size)
{
    const double w = size.width;
    const double h = size.height;
    auto at = [&](double x, double y) { return Point { x * w, y * h }; };
    auto path = BezierPath::bezierPath();
    path->moveToPoint(at(0.0489685, 0.6181513));
    path->lineToPoint(at(0.408575, 0.9469318));
    path->lineToPoint(at(0.408575, 0.7226146));
    path->curveToPointControlPoint1ControlPoint2(at(0.8508247, 0.4836237), at(0.408575, 0.7226146), at(0.8371143, 0.7491841));
    path->curveToPointControlPoint1ControlPoint2(at(0.5507195, 0.0530682), at(0.8677834, 0.1545071), at(0.5507195, 0.0530682));
    path->curveToPointControlPoint1ControlPoint2(at(0.7421721, 0.3391942), at(0.5507195, 0.0530682), at(0.7458685, 0.1913146));
    path->curveToPointControlPoint1ControlPoint2(at(0.408575, 0.515413), at(0.7383412, 0.4930328), at(0.408575, 0.515413));
    path->lineToPoint(at(0.408575, 0.2654));
    // Built as scale then translate; the kit's operations prepend, so the translation acts first.
    AffineTransform t;
    t.scaleXByYBy(0.9, 1.0);
    t.translateXByYBy(0.5, -0.5);
    path->transformUsingAffineTransform(t);
    return path;
}

Ref<Image> KRSharedImageProvider::supportingImageWithName(const QString& name)
{
    static std::map<QString, Ref<Image>> images;
    if (auto found = images.find(name); found != images.end())
        return found->second;
    const auto& recipes = krImageRecipes();
    auto recipe = recipes.find(name);
    if (recipe == recipes.end())
        return nullptr;
    auto image = make<Image>(recipe->second.size);
    image->addRepresentation(make<CustomImageRep>(recipe->second.size, recipe->second.draw));
    image->setScalesWhenResized(true);
    images.emplace(name, image);
    return image;
}
