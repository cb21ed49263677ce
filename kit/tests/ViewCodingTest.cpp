#include "kit/appkit/ScrollView.h"
#include "kit/appkit/View.h"
#include "kit/foundation/KeyedArchiver.h"
#include "kit/foundation/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <vector>

using namespace kit;

namespace {

class CodedView : public View {
    KIT_CLASS(CodedView)
    using View::View;
    int tag = 0;
    void encodeWithCoder(Coder& coder) const override
    {
        View::encodeWithCoder(coder);
        coder.encodeIntegerForKey(tag, "tag");
    }
    void initWithCoder(Coder& coder) override
    {
        View::initWithCoder(coder);
        tag = int(coder.decodeIntegerForKey("tag"));
    }
};

class FlippedCodedView : public CodedView {
    KIT_CLASS(FlippedCodedView)
    bool isFlipped() const override { return true; }
};

// Lays itself out on every move and resize, as views that follow their frame do.
class FrameFollowingView : public CodedView {
    KIT_CLASS(FrameFollowingView)
public:
    std::vector<Point> originsSeen;
    std::vector<Size> sizesSeen;
    void setFrameOrigin(Point origin) override
    {
        CodedView::setFrameOrigin(origin);
        originsSeen.push_back(frame().origin);
    }
    void setFrameSize(Size size) override
    {
        CodedView::setFrameSize(size);
        sizesSeen.push_back(frame().size);
    }
};

class PartView : public CodedView {
    KIT_CLASS(PartView)
};

// Makes one subview of its own and lets only the others into archives.
class PartsMakingView : public CodedView {
    KIT_CLASS(PartsMakingView)
public:
    PartsMakingView()
    {
        part = make<PartView>();
        addSubview(part.get());
    }
    Ref<PartView> part;
    std::vector<Ref<View>> subviewsForCoding() const override
    {
        std::vector<Ref<View>> out;
        for (const Ref<View>& sub : subviews())
            if (sub != part)
                out.push_back(sub);
        return out;
    }
};

Ref<CodedView> roundTrip(View* root)
{
    QString error;
    const Value back
        = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(Ref<View>(root))), &error);
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    return back.objectAs<CodedView>();
}

} // namespace

KIT_REGISTER_CLASS(CodedView, View) { }
KIT_REGISTER_CLASS(FlippedCodedView, CodedView) { }
KIT_REGISTER_CLASS(FrameFollowingView, CodedView) { }
KIT_REGISTER_CLASS(PartView, CodedView) { }
KIT_REGISTER_CLASS(PartsMakingView, CodedView) { }

TEST(ViewCoding, OnlyTheSubviewsASubclassLetsThroughAreArchived)
{
    auto root = make<PartsMakingView>();
    auto added = make<CodedView>(MakeRect(1, 2, 3, 4));
    added->tag = 7;
    root->addSubview(added.get());
    const QString json = QString::fromUtf8(KeyedArchiver::archivedDataWithRootObject(Value(Ref<View>(root))));
    EXPECT_FALSE(json.contains("PartView\""));
    const auto back = dynamic_pointer_cast<PartsMakingView>(roundTrip(root.get()));
    ASSERT_TRUE(back);
    // Its own part made again, the added subview decoded after it.
    ASSERT_EQ(back->subviews().size(), 2u);
    EXPECT_EQ(back->subviews()[0], back->part);
    const auto decoded = dynamic_pointer_cast<CodedView>(back->subviews()[1]);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->tag, 7);
    // With nothing let through, no subviews key at all.
    EXPECT_FALSE(QString::fromUtf8(KeyedArchiver::archivedDataWithRootObject(Value(Ref<View>(make<PartsMakingView>())))).contains("subviews"));
}

TEST(ViewCoding, NestedTreeRoundTripsWithSettingsAndOrder)
{
    auto root = make<CodedView>(MakeRect(10, 20, 300, 200));
    root->tag = 1;
    root->setAutoresizingMask(ViewWidthSizable | ViewHeightSizable);
    root->setAutoresizesSubviews(false);
    root->setBoundsOrigin(MakePoint(5, -7));
    auto first = make<FlippedCodedView>();
    first->setFrame(MakeRect(0, 0, 100, 50));
    first->tag = 2;
    first->setHidden(true);
    auto plain = make<View>(MakeRect(1, 1, 2, 2));
    auto second = make<CodedView>(MakeRect(100, 0, 200, 50));
    second->tag = 3;
    auto grandchild = make<CodedView>(MakeRect(4, 4, 8, 8));
    grandchild->tag = 4;
    grandchild->setAutoresizingMask(ViewMinXMargin);
    root->addSubview(first.get());
    root->addSubview(plain.get());
    root->addSubview(second.get());
    second->addSubview(grandchild.get());

    const auto back = roundTrip(root.get());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->tag, 1);
    EXPECT_EQ(back->frame(), MakeRect(10, 20, 300, 200));
    EXPECT_EQ(back->bounds(), MakeRect(5, -7, 300, 200));
    EXPECT_EQ(back->autoresizingMask(), unsigned(ViewWidthSizable | ViewHeightSizable));
    EXPECT_FALSE(back->autoresizesSubviews());
    ASSERT_EQ(back->subviews().size(), 3u);

    auto* b1 = dynamic_cast<FlippedCodedView*>(back->subviews()[0].get());
    const Ref<View> bPlain = back->subviews()[1];
    auto* b2 = dynamic_cast<CodedView*>(back->subviews()[2].get());
    ASSERT_TRUE(b1 && b2);
    EXPECT_TRUE(bPlain->isMemberOfClass(View::staticClass())); // every view archives its own part
    EXPECT_EQ(bPlain->frame(), MakeRect(1, 1, 2, 2));
    EXPECT_EQ(b1->tag, 2);
    EXPECT_TRUE(b1->isHidden());
    EXPECT_TRUE(b1->isFlipped()); // from the class, not the archive
    EXPECT_EQ(b1->superview().get(), back.get());
    EXPECT_EQ(b2->tag, 3);
    EXPECT_FALSE(b2->isHidden());
    EXPECT_TRUE(b2->autoresizesSubviews());
    EXPECT_EQ(b2->superview().get(), back.get());
    ASSERT_EQ(b2->subviews().size(), 1u);
    auto* b3 = dynamic_cast<CodedView*>(b2->subviews()[0].get());
    ASSERT_TRUE(b3);
    EXPECT_EQ(b3->tag, 4);
    EXPECT_EQ(b3->frame(), MakeRect(4, 4, 8, 8));
    EXPECT_EQ(b3->bounds().origin, ZeroPoint);
    EXPECT_EQ(b3->autoresizingMask(), unsigned(ViewMinXMargin));
    EXPECT_EQ(b3->superview().get(), b2);
}

TEST(ViewCoding, AViewThatFollowsItsFrameSeesTheArchivedOne)
{
    auto root = make<CodedView>(MakeRect(0, 0, 400, 300));
    auto child = make<FrameFollowingView>();
    child->setFrame(MakeRect(12, 30, 160, 48));
    root->addSubview(child.get());

    const auto back = roundTrip(root.get());
    ASSERT_TRUE(back);
    ASSERT_EQ(back->subviews().size(), 1u);
    const auto decoded = dynamic_pointer_cast<FrameFollowingView>(back->subviews()[0]);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->frame(), MakeRect(12, 30, 160, 48));
    EXPECT_EQ(decoded->sizesSeen, std::vector<Size> { MakeSize(160, 48) });
    EXPECT_EQ(decoded->originsSeen, std::vector<Point> { MakePoint(12, 30) });
}

TEST(ViewCoding, ZeroBoundsOriginAndVisibleAreNotWritten)
{
    auto view = make<CodedView>(MakeRect(0, 0, 10, 10));
    const QString json = QString::fromUtf8(KeyedArchiver::archivedDataWithRootObject(Value(Ref<View>(view))));
    EXPECT_FALSE(json.contains("boundsOrigin"));
    EXPECT_FALSE(json.contains("hidden"));
    EXPECT_FALSE(json.contains("subviews"));
    EXPECT_TRUE(json.contains("frame"));
}

TEST(ViewCoding, MissingKeysKeepTheDefaults)
{
    const QByteArray archive = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}},
        "$objects": [{"$class": "CodedView", "tag": 9}]})";
    QString error;
    const auto back = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(archive, &error).objectAs<CodedView>();
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_EQ(back->tag, 9);
    EXPECT_EQ(back->frame(), ZeroRect);
    EXPECT_TRUE(back->autoresizesSubviews());
    EXPECT_EQ(back->autoresizingMask(), unsigned(ViewNotSizable));
    EXPECT_FALSE(back->isHidden());
}

// Archives from files or other processes: a subview list that names the view itself or one of its
// ancestors must not close a loop in the tree (which would never be freed), and wrong kinds give
// the defaults.
TEST(ViewCoding, UntrustedSubviewListsNeverCloseALoop)
{
    const QByteArray archive = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}},
        "$objects": [{"$class": "CodedView", "subviews": [{"$ref": 0}, {"$ref": 1}, 7, "x"]},
                     {"$class": "CodedView", "subviews": [{"$ref": 0}, {"$ref": 2}]},
                     {"$class": "View", "subviews": "not a list", "frame": "wide", "hidden": "yes"}]})";
    auto unarchiver = make<KeyedUnarchiver>(archive);
    const auto root = unarchiver->decodeObjectForKey("root").objectAs<CodedView>();
    ASSERT_TRUE(root);
    // The root reaches the child while the child names the root back: one of the two links is
    // kept (whichever comes first), never both.
    std::vector<Ref<View>> views;
    for (const Ref<Object>& o : unarchiver->decodedObjects())
        views.push_back(dynamic_pointer_cast<View>(o));
    ASSERT_EQ(views.size(), 3u);
    const bool rootHoldsChild = views[1]->superview().get() == root.get();
    const bool childHoldsRoot = root->superview() == views[1];
    EXPECT_NE(rootHoldsChild, childHoldsRoot);
    for (const Ref<View>& v : views) {
        int depth = 0;
        for (Ref<View> up = v->superview(); up && depth < 4; up = up->superview())
            ++depth;
        EXPECT_LT(depth, 3); // three views: a longer chain goes round
    }
    ASSERT_EQ(views[2]->superview(), views[1]);
    const Ref<View> leaf = views[2];
    EXPECT_TRUE(leaf->subviews().empty());
    EXPECT_EQ(leaf->frame(), ZeroRect);
    EXPECT_FALSE(leaf->isHidden());
    EXPECT_FALSE(unarchiver->error().isEmpty()); // the wrong kinds are reported
}

// A scroll view makes its clip view and scrollers itself: the archived clip view (with the
// document and the scroll position) replaces the made one, and nothing comes back twice.
TEST(ViewCoding, AScrollViewComesBackWithOneClipViewItsDocumentAndItsPosition)
{
    auto scroll = make<ScrollView>(MakeRect(0, 0, 100, 80));
    scroll->setHasVerticalScroller(true);
    scroll->setVerticalLineScroll(17);
    auto document = make<CodedView>(MakeRect(0, 0, 90, 400));
    document->tag = 5;
    scroll->setDocumentView(document.get());
    scroll->contentView()->scrollToPoint(MakePoint(0, 120));
    scroll->contentView()->setDrawsBackground(false);
    auto overlay = make<CodedView>(MakeRect(1, 1, 5, 5));
    scroll->addSubview(overlay.get());

    QString error;
    const auto back
        = KeyedUnarchiver::unarchiveTopLevelObjectWithDataError(KeyedArchiver::archivedDataWithRootObject(Value(scroll)), &error)
              .objectAs<ScrollView>();
    ASSERT_TRUE(back) << error.toStdString();
    ASSERT_EQ(back->subviews().size(), 3u); // clip view, overlay, vertical scroller
    EXPECT_EQ(back->subviews()[0], back->contentView());
    EXPECT_EQ(back->subviews()[1]->frame(), MakeRect(1, 1, 5, 5));
    EXPECT_EQ(back->subviews()[2], back->verticalScroller());
    const auto doc = dynamic_pointer_cast<CodedView>(back->documentView());
    ASSERT_TRUE(doc);
    EXPECT_EQ(doc->tag, 5);
    EXPECT_EQ(doc->superview(), back->contentView());
    EXPECT_EQ(back->contentView()->subviews().size(), 1u);
    EXPECT_EQ(back->documentVisibleRect().origin, scroll->documentVisibleRect().origin);
    EXPECT_FALSE(back->drawsBackground());
    EXPECT_TRUE(back->hasVerticalScroller());
    EXPECT_EQ(back->verticalLineScroll(), 17);
    EXPECT_EQ(back->verticalScroller()->target().get(), back.get());
}

TEST(ViewCoding, AClipViewHoldingItsOwnScrollViewIsRefused)
{
    const QByteArray archive = R"({"$archiver": "KeyedArchiver", "$version": 1, "$top": {"root": {"$ref": 0}},
        "$objects": [{"$class": "ScrollView", "kit.contentView": {"$ref": 1}},
                     {"$class": "ClipView", "subviews": [{"$ref": 0}], "kit.documentView": {"$ref": 0}}]})";
    auto unarchiver = make<KeyedUnarchiver>(archive);
    const auto scroll = unarchiver->decodeObjectForKey("root").objectAs<ScrollView>();
    ASSERT_TRUE(scroll);
    EXPECT_NE(scroll->contentView().get(), unarchiver->decodedObjects()[1].get());
    EXPECT_EQ(scroll->contentView()->superview(), scroll);
}
