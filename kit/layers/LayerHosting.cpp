// kit::View's side of layer hosting: the view keeps its root layer's frame on its bounds, and the
// display pass draws the tree instead of calling drawRect.

#include "kit/appkit/View.h"
#include "kit/graphics/GraphicsContext.h"
#include "kit/layers/Layer.h"
#include "kit/layers/Transaction.h"

namespace kit {

Ref<Layer> View::layer() const { return static_pointer_cast<Layer>(layer_); }

void View::setLayer(Layer* layer)
{
    if (layer_.get() == layer)
        return;
    if (const Ref<Layer> old = this->layer())
        old->hostingView_ = nullptr;
    if (layer) {
        // A tree has one host, and its root has no superlayer.
        if (const Ref<View> other = layer->hostingView(); other && other.get() != this)
            other->setLayer(nullptr);
        layer->removeFromSuperlayer();
        layer->hostingView_ = this;
    }
    layer_ = Ref<Object>(layer);
    if (layer)
        layer->hostMarkedIn_ = 0;
    Layer::treeChanged();
    syncLayerGeometry();
    setNeedsDisplay(true);
}

void View::setWantsLayer(bool flag)
{
    wantsLayer_ = flag;
    setNeedsDisplay(true);
}

void View::syncLayerGeometry()
{
    if (!layer_)
        return;
    Layer& root = static_cast<Layer&>(*layer_);
    if (root.frame() == bounds())
        return;
    // The root follows its view at once: a window resize does not animate the tree's frame.
    Transaction::begin();
    Transaction::setDisableActions(true);
    root.setFrame(bounds());
    Transaction::commit();
}

void View::drawForDisplayPass(Rect dirty)
{
    if (!layer_) {
        drawRect(dirty);
        return;
    }
    GraphicsContext* context = GraphicsContext::currentContext();
    const Ref<Layer> root = layer();
    // Layout and display run now change the tree without asking for a redraw each time.
    struct Preparing {
        Layer& root;
        explicit Preparing(Layer& l)
            : root(l)
        {
            root.preparing_ = true;
            root.changedWhilePreparing_ = false;
            root.hostMarkedIn_ = 0; // drawn now: the next change asks again
        }
        ~Preparing() { root.preparing_ = false; }
    };
    bool changed = false;
    {
        Preparing preparing(*root);
        syncLayerGeometry();
        root->prepareTree();
        changed = root->changedWhilePreparing_;
    }
    // What the running pass covers is drawn now; the window schedules only the rest.
    if (changed)
        setNeedsDisplay(true);
    if (!context)
        return;
    context->saveGraphicsState();
    if (isFlipped()) {
        // The tree is y up: mirror about the bounds' mid-line.
        const Rect b = bounds();
        context->concatCTM(AffineTransform(AffineTransformStruct { 1, 0, 0, -1, 0, b.minY() + b.maxY() }));
    }
    root->drawRoot(*context);
    context->restoreGraphicsState();
}

} // namespace kit
