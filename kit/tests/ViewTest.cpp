#include "kit/appkit/View.h"

#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace kit;

class FlippedView : public View {
public:
    using View::View;
    bool isFlipped() const override { return true; }
};

// Autoresizing -------------------------------------------------------------------------------------

struct AutoresizeCase {
    const char* name;
    unsigned mask;
    bool flippedSuperview;
    Rect expected;
};

class Autoresizing : public testing::TestWithParam<AutoresizeCase> { };

TEST_P(Autoresizing, GrowsTheFlexibleParts)
{
    const AutoresizeCase c = GetParam();
    Ref<View> super = c.flippedSuperview ? Ref<View>(make<FlippedView>(MakeRect(0, 0, 100, 100))) : make<View>(MakeRect(0, 0, 100, 100));
    auto sub = make<View>(MakeRect(10, 20, 30, 40));
    sub->setAutoresizingMask(c.mask);
    super->addSubview(sub.get());
    super->setFrameSize(MakeSize(200, 150));
    const Rect f = sub->frame();
    EXPECT_DOUBLE_EQ(f.minX(), c.expected.minX()) << c.name;
    EXPECT_DOUBLE_EQ(f.minY(), c.expected.minY()) << c.name;
    EXPECT_DOUBLE_EQ(f.width(), c.expected.width()) << c.name;
    EXPECT_DOUBLE_EQ(f.height(), c.expected.height()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Masks, Autoresizing,
    testing::Values(AutoresizeCase { "fixed", ViewNotSizable, false, MakeRect(10, 20, 30, 40) },
        AutoresizeCase { "width", ViewWidthSizable, false, MakeRect(10, 20, 130, 40) },
        AutoresizeCase { "min x", ViewMinXMargin, false, MakeRect(110, 20, 30, 40) },
        AutoresizeCase { "max x keeps the min edge", ViewMaxXMargin, false, MakeRect(10, 20, 30, 40) },
        AutoresizeCase {
            "both margins share by their extent", ViewMinXMargin | ViewMaxXMargin, false, MakeRect(10 + 100.0 * 10 / 70, 20, 30, 40) },
        AutoresizeCase { "all three share", ViewMinXMargin | ViewWidthSizable | ViewMaxXMargin, false, MakeRect(20, 20, 60, 40) },
        AutoresizeCase { "height", ViewHeightSizable, false, MakeRect(10, 20, 30, 90) },
        // Unflipped: MinY is the bottom margin, so the view keeps its distance to the top.
        AutoresizeCase { "min y unflipped", ViewMinYMargin, false, MakeRect(10, 70, 30, 40) },
        // Flipped: MinY is the top margin, so the view keeps its distance to the bottom.
        AutoresizeCase { "min y flipped", ViewMinYMargin, true, MakeRect(10, 70, 30, 40) },
        AutoresizeCase { "mask 9 flipped: pinned bottom right", ViewMinXMargin | ViewMinYMargin, true, MakeRect(110, 70, 30, 40) },
        AutoresizeCase { "width and height", ViewWidthSizable | ViewHeightSizable, true, MakeRect(10, 20, 130, 90) }));

TEST(Autoresizing, GoesThroughTheVirtualHooksAndCanBeTurnedOff)
{
    struct Recorder : View {
        using View::View;
        std::vector<Size> oldSizes;
        void resizeWithOldSuperviewSize(Size old) override { oldSizes.push_back(old); }
    };
    auto super = make<View>(MakeRect(0, 0, 100, 100));
    auto sub = make<Recorder>(MakeRect(0, 0, 10, 10));
    super->addSubview(sub.get());
    super->setFrame(MakeRect(5, 5, 120, 100));
    ASSERT_EQ(sub->oldSizes.size(), 1u);
    EXPECT_EQ(sub->oldSizes[0], MakeSize(100, 100));
    super->setAutoresizesSubviews(false);
    super->setFrameSize(MakeSize(130, 100));
    EXPECT_EQ(sub->oldSizes.size(), 1u);
}

// Conversion --------------------------------------------------------------------------------------

struct Tree {
    Ref<View> root = make<View>(MakeRect(0, 0, 400, 300));
    Ref<View> a = make<FlippedView>(MakeRect(50, 40, 200, 100));
    Ref<View> b = make<View>(MakeRect(20, 30, 50, 40));
    Tree()
    {
        a->setBoundsOrigin(MakePoint(10, 5));
        root->addSubview(a.get());
        a->addSubview(b.get());
    }
};

struct ViewConversionCase {
    const char* name;
    int from; // 0 root, 1 a (flipped, bounds origin 10,5), 2 b (unflipped in a), -1 base
    int to;
    Point point;
    Point expected;
};

class Conversion : public testing::TestWithParam<ViewConversionCase> { };

TEST_P(Conversion, PassesEveryFlipAndBoundsOrigin)
{
    const ViewConversionCase c = GetParam();
    Tree t;
    const View* views[] = { t.root.get(), t.a.get(), t.b.get() };
    const View* from = c.from < 0 ? nullptr : views[c.from];
    const View* to = c.to < 0 ? nullptr : views[c.to];
    Point p;
    if (to)
        p = to->convertPointFromView(c.point, from);
    else
        p = from->convertPointToView(c.point, nullptr);
    EXPECT_DOUBLE_EQ(p.x, c.expected.x) << c.name;
    EXPECT_DOUBLE_EQ(p.y, c.expected.y) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Points, Conversion,
    testing::Values(ViewConversionCase { "b origin to a: bottom edge of b in flipped a", 2, 1, MakePoint(0, 0), MakePoint(20, 70) },
        ViewConversionCase { "a bounds origin is a's top left in root", 1, 0, MakePoint(10, 5), MakePoint(50, 140) },
        ViewConversionCase { "b origin to root", 2, 0, MakePoint(0, 0), MakePoint(60, 75) },
        ViewConversionCase { "b origin to base", 2, -1, MakePoint(0, 0), MakePoint(60, 75) },
        ViewConversionCase { "base to b", -1, 2, MakePoint(60, 75), MakePoint(0, 0) },
        ViewConversionCase { "b top right to a", 2, 1, MakePoint(50, 40), MakePoint(70, 30) },
        ViewConversionCase { "root to a", 0, 1, MakePoint(50, 40), MakePoint(10, 105) },
        ViewConversionCase { "a to b", 1, 2, MakePoint(20, 30), MakePoint(0, 40) }));

TEST(Conversion, RectsBecomeBoundingBoxesAcrossAFlip)
{
    Tree t;
    const Rect r = t.b->convertRectToView(MakeRect(0, 0, 10, 5), t.a.get());
    EXPECT_EQ(r, MakeRect(20, 65, 10, 5));
    EXPECT_EQ(t.a->convertRectFromView(MakeRect(0, 0, 10, 5), t.b.get()), r);
    EXPECT_EQ(t.b->convertSizeToView(MakeSize(10, 5), nullptr), MakeSize(10, 5));
}

TEST(Conversion, ScaledBoundsScaleConversions)
{
    auto root = make<View>(MakeRect(0, 0, 100, 100));
    auto v = make<View>(MakeRect(10, 10, 50, 50));
    v->setBoundsSize(MakeSize(100, 100));
    root->addSubview(v.get());
    EXPECT_EQ(v->convertPointToView(MakePoint(100, 100), root.get()), MakePoint(60, 60));
    v->setFrameSize(MakeSize(100, 100));
    EXPECT_EQ(v->bounds().size, MakeSize(100, 100)); // scaled bounds no longer follow the frame
}

// Hit testing -------------------------------------------------------------------------------------

TEST(HitTest, HiddenViewsAndTheirSubviewsAreNeverHit)
{
    auto root = make<View>(MakeRect(0, 0, 100, 100));
    auto panel = make<View>(MakeRect(10, 10, 50, 50));
    auto child = make<View>(MakeRect(0, 0, 20, 20));
    root->addSubview(panel.get());
    panel->addSubview(child.get());
    EXPECT_EQ(root->hitTest(MakePoint(15, 15)), child);
    panel->setHidden(true);
    EXPECT_EQ(root->hitTest(MakePoint(15, 15)), root);
    EXPECT_TRUE(child->isHiddenOrHasHiddenAncestor());
    EXPECT_FALSE(child->isHidden());
}

TEST(HitTest, EdgesFollowTheMouseInRectRuleOfTheSuperview)
{
    auto unflipped = make<View>(MakeRect(0, 0, 100, 100));
    auto a = make<View>(MakeRect(10, 10, 20, 20));
    unflipped->addSubview(a.get());
    EXPECT_EQ(unflipped->hitTest(MakePoint(10, 30)), a); // top edge is in
    EXPECT_EQ(unflipped->hitTest(MakePoint(10, 10)), unflipped); // bottom edge is out
    EXPECT_EQ(unflipped->hitTest(MakePoint(30, 20)), unflipped); // right edge is out

    auto flipped = make<FlippedView>(MakeRect(0, 0, 100, 100));
    auto b = make<View>(MakeRect(10, 10, 20, 20));
    flipped->addSubview(b.get());
    // Points are in the superview's coordinates: ask b itself.
    EXPECT_EQ(b->hitTest(MakePoint(10, 10)), b);
    EXPECT_FALSE(b->hitTest(MakePoint(10, 30)));
    EXPECT_EQ(a->hitTest(MakePoint(10, 30)), a);
    EXPECT_FALSE(a->hitTest(MakePoint(10, 10)));
}

TEST(HitTest, LastSubviewIsOnTop)
{
    auto root = make<View>(MakeRect(0, 0, 100, 100));
    auto back = make<View>(MakeRect(0, 0, 50, 50));
    auto front = make<View>(MakeRect(0, 0, 50, 50));
    root->addSubview(back.get());
    root->addSubview(front.get());
    EXPECT_EQ(root->hitTest(MakePoint(5, 5)), front);
    root->addSubviewPositionedRelativeTo(back.get(), WindowAbove, nullptr);
    EXPECT_EQ(root->hitTest(MakePoint(5, 5)), back);
    auto bottom = make<View>(MakeRect(0, 0, 50, 50));
    root->addSubviewPositionedRelativeTo(bottom.get(), WindowBelow, front.get());
    ASSERT_EQ(root->subviews().size(), 3u);
    EXPECT_EQ(root->subviews()[0], bottom);
    EXPECT_EQ(root->subviews()[1], front);
}

TEST(View, VisibleRectIsClippedByEveryAncestor)
{
    Tree t;
    t.b->setFrameOrigin(MakePoint(180, 80)); // b pokes out of a's bounds to the right and the bottom
    // a's bounds are x 10..210, y 5..105; b spans x 180..230 and y 80..120 in a.
    EXPECT_EQ(t.b->visibleRect(), MakeRect(0, 15, 30, 25));
    EXPECT_TRUE(t.b->isDescendantOf(t.b.get()));
    EXPECT_TRUE(t.b->isDescendantOf(t.root.get()));
    EXPECT_EQ(t.b->ancestorSharedWithView(t.a.get()), t.a);
}

// Hierarchy ---------------------------------------------------------------------------------------

struct LifecycleView : View {
    LifecycleView(std::vector<std::string>* log, std::string name)
        : log(log)
        , name(std::move(name))
    { }
    void viewWillMoveToSuperview(View* v) override { log->push_back(name + " willMoveToSuperview " + (v ? "view" : "null")); }
    void viewWillMoveToWindow(Window* w) override { log->push_back(name + " willMoveToWindow " + (w ? "window" : "null")); }
    void viewDidMoveToWindow() override { log->push_back(name + " didMoveToWindow"); }
    void viewDidMoveToSuperview() override { log->push_back(name + " didMoveToSuperview"); }
    std::vector<std::string>* log;
    std::string name;
};

TEST(ViewHierarchy, LifecycleCallsComeInOrderAndRecurseForTheWindow)
{
    std::vector<std::string> log;
    auto window = make<Window>(MakeRect(0, 0, 100, 100), TitledWindowMask);
    auto parent = make<LifecycleView>(&log, "p");
    auto child = make<LifecycleView>(&log, "c");
    parent->addSubview(child.get());
    log.clear();
    window->contentView()->addSubview(parent.get());
    EXPECT_EQ(log,
        (std::vector<std::string> { "p willMoveToSuperview view", "p willMoveToWindow window", "c willMoveToWindow window",
            "p didMoveToWindow", "c didMoveToWindow", "p didMoveToSuperview" }));
    EXPECT_EQ(child->window(), window);
    log.clear();
    parent->removeFromSuperview();
    EXPECT_EQ(log,
        (std::vector<std::string> { "p willMoveToSuperview null", "p willMoveToWindow null", "c willMoveToWindow null", "p didMoveToWindow",
            "c didMoveToWindow", "p didMoveToSuperview" }));
    EXPECT_FALSE(child->window());
    EXPECT_FALSE(parent->nextResponder());
}

TEST(ViewHierarchy, AddSubviewResetsTheNextResponder)
{
    auto a = make<View>(MakeRect(0, 0, 10, 10));
    auto b = make<View>(MakeRect(0, 0, 10, 10));
    auto controller = make<Responder>();
    auto v = make<View>(MakeRect(0, 0, 1, 1));
    a->addSubview(v.get());
    v->setNextResponder(controller.get());
    b->addSubview(v.get());
    EXPECT_EQ(v->nextResponder(), b);
    EXPECT_TRUE(a->subviews().empty());
}

TEST(ViewHierarchy, SetSubviewsPutsTheLastOnTop)
{
    auto root = make<View>(MakeRect(0, 0, 10, 10));
    auto x = make<View>(MakeRect(0, 0, 10, 10));
    auto y = make<View>(MakeRect(0, 0, 10, 10));
    auto z = make<View>(MakeRect(0, 0, 10, 10));
    root->addSubview(x.get());
    root->setSubviews({ y, z });
    EXPECT_FALSE(x->superview());
    ASSERT_EQ(root->subviews().size(), 2u);
    EXPECT_EQ(root->hitTest(MakePoint(5, 5)), z);
    root->replaceSubviewWith(y.get(), x.get());
    EXPECT_EQ(root->subviews()[0], x);
}

TEST(ViewTouch, AcceptsTouchEventsIsStoredAndReachableByKey)
{
    auto view = make<View>(MakeRect(0, 0, 10, 10));
    EXPECT_FALSE(view->acceptsTouchEvents());
    view->setAcceptsTouchEvents(true);
    EXPECT_TRUE(view->acceptsTouchEvents());
    EXPECT_TRUE(view->valueForKey(QStringLiteral("acceptsTouchEvents")).boolValue());
    view->setValueForKey(Value(false), QStringLiteral("acceptsTouchEvents"));
    EXPECT_FALSE(view->acceptsTouchEvents());
}

} // namespace
