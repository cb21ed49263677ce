#include "QVFlowView/QVLayerAccessibilityHelper.h"

#include "kit/appkit/AccessibilityBridge.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/Window.h"
#include "kit/layers/Transaction.h"

#include <QAccessible>

#include <gtest/gtest.h>

#include <memory>
#include <numbers>

namespace q_v_layer_accessibility_helper_test {

using namespace kit;

using Helper = QVLayerAccessibilityHelper;

class QVLayerAccessibility : public testing::Test {
protected:
    void SetUp() override
    {
        window = make<Window>(MakeRect(100, 100, 400, 300), TitledWindowMask);
        view = make<View>(MakeRect(0, 0, 400, 300));
        window->contentView()->addSubview(view.get());
        root = Layer::layer();
        view->setLayer(root.get());
        picture = Layer::layer();
        picture->setBounds(MakeRect(0, 0, 100, 50));
        picture->setAnchorPoint({ 0, 0 });
        picture->setPosition({ 40, 30 });
        root->addSublayer(picture.get());
        Transaction::flush();
        list = Helper::layerAccesibilityHelperWithRoleParentLayerView(AccessibilityListRole, view.get(), root.get(), view.get());
    }
    void TearDown() override
    {
        Transaction::resetForTesting();
        Application::resetForTesting();
    }
    Ref<Helper> element(const QString& role = AccessibilityImageRole)
    {
        return Helper::layerAccesibilityHelperWithRoleParentLayerView(role, list.get(), picture.get(), view.get());
    }
    static QSet<QString> names(const Helper& h)
    {
        const QStringList list = h.accessibilityAttributeNames();
        return QSet<QString>(list.begin(), list.end());
    }

    Ref<Window> window;
    Ref<View> view;
    Ref<Layer> root;
    Ref<Layer> picture;
    Ref<Helper> list;
};

TEST_F(QVLayerAccessibility, ListsTheNineStandardAttributesAndThenTheOwners)
{
    auto e = element();
    EXPECT_EQ(e->accessibilityAttributeNames().size(), 9);
    e->setAttributeNames(QSet<QString> { AccessibilityTitleAttribute, AccessibilitySelectedAttribute });
    EXPECT_EQ(e->accessibilityAttributeNames().size(), 11);
    EXPECT_TRUE(names(*e).contains(AccessibilityEnabledAttribute));
    // Unset names: children come and go without being listed.
    list->addChildrenObject(e.get());
    EXPECT_FALSE(names(*list).contains(AccessibilityChildrenAttribute));
    list->setAttributeNames(QSet<QString> {});
    auto second = element();
    list->addChildrenObject(second.get());
    EXPECT_TRUE(names(*list).contains(AccessibilityChildrenAttribute));
    list->removeObjectFromChildrenAtIndex(1);
    list->removeObjectFromChildrenAtIndex(0);
    EXPECT_FALSE(names(*list).contains(AccessibilityChildrenAttribute));
    EXPECT_EQ(list->accessibilityAttributeNames().size(), 9);
}

TEST_F(QVLayerAccessibility, AnswersThroughHandlersAndWritesOnlyWhatIsListed)
{
    auto e = element();
    e->addHandlerForAttribute(AccessibilityTitleAttribute, [](Helper*) { return Value("Sunset"); });
    Value written;
    e->addHandlerForWritableAttribute(AccessibilitySelectedAttribute, [&](Helper*, const Value& v) { written = v; });
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilityTitleAttribute).stringValue(), "Sunset");
    EXPECT_TRUE(e->accessibilityAttributeValue(AccessibilityHelpAttribute).isNil());
    // A handler is not a listing: not settable until the owner lists the name.
    EXPECT_FALSE(e->accessibilityIsAttributeSettable(AccessibilitySelectedAttribute));
    e->setWritableAttributeNames(QSet<QString> { AccessibilitySelectedAttribute, AccessibilityValueAttribute });
    EXPECT_TRUE(e->accessibilityIsAttributeSettable(AccessibilitySelectedAttribute));
    e->accessibilitySetValueForAttribute(Value(true), AccessibilitySelectedAttribute);
    EXPECT_TRUE(written.boolValue());
    // Listed without a handler: nothing happens.
    e->accessibilitySetValueForAttribute(Value(3), AccessibilityValueAttribute);
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilityRoleAttribute).stringValue(), AccessibilityImageRole);
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilityRoleDescriptionAttribute).stringValue(), "image");
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilityEnabledAttribute).boolValue(), true);
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilityFocusedAttribute).boolValue(), false);
    EXPECT_EQ(e->description(), "<QVLayerAccessibilityHelper> role: AXImage");
}

TEST_F(QVLayerAccessibility, ChildrenKeepTheirParentOnInsertAndRemove)
{
    std::vector<Ref<Helper>> three { element(), element(), element() };
    for (const auto& c : three)
        c->setParent(nullptr);
    list->insertChildrenAtIndexes(three, IndexSet { 0, 1, 2 });
    ASSERT_EQ(list->countOfChildren(), 3u);
    for (const auto& c : three) {
        EXPECT_EQ(c->parent(), list);
        EXPECT_EQ(c->accessibilityAttributeValue(AccessibilityParentAttribute).object(), list);
    }
    const auto middle = list->childrenAtIndexes(IndexSet { 1 });
    ASSERT_EQ(middle.size(), 1u);
    EXPECT_EQ(middle[0], three[1]);
    const Value children = list->accessibilityAttributeValue(AccessibilityChildrenAttribute);
    ASSERT_EQ(children.array().count(), 3);
    // One at a time, as Qt's bridge asks: the count, a slice, a child's place; nothing outside.
    const Value listValue { Ref<Object>(list) };
    EXPECT_EQ(AccessibilityArrayAttributeCount(listValue, AccessibilityChildrenAttribute), 3);
    const Array tail = AccessibilityArrayAttributeValues(listValue, AccessibilityChildrenAttribute, 1, 5);
    ASSERT_EQ(tail.count(), 2);
    EXPECT_EQ(tail.objectAtIndex(1).object(), three[2]);
    EXPECT_EQ(AccessibilityArrayAttributeValues(listValue, AccessibilityChildrenAttribute, -1, 1).count(), 0);
    EXPECT_EQ(AccessibilityIndexOfChild(listValue, Value(Ref<Object>(three[2]))), 2);
    EXPECT_EQ(AccessibilityIndexOfChild(listValue, Value(Ref<Object>(element()))), -1);
    list->removeChildrenAtIndexes(IndexSet { 0, 2 });
    EXPECT_EQ(three[0]->parent(), nullptr);
    EXPECT_EQ(three[2]->parent(), nullptr);
    EXPECT_EQ(list->objectInChildrenAtIndex(0), three[1]);
}

TEST_F(QVLayerAccessibility, HitTestAndFocusAnswerTheElementItself)
{
    auto child = element();
    list->addChildrenObject(child.get());
    EXPECT_EQ(list->accessibilityHitTest({ 150, 150 }).object(), list);
    EXPECT_EQ(list->accessibilityFocusedUIElement().object(), list);
    // The list's parent, the view, is ignored: the window stands in.
    EXPECT_EQ(list->accessibilityAttributeValue(AccessibilityParentAttribute).object(), window);
    EXPECT_EQ(child->accessibilityAttributeValue(AccessibilityWindowAttribute).object(), window);
}

TEST_F(QVLayerAccessibility, PositionAndSizeAreTheDrawnBoxOnTheScreen)
{
    auto e = element();
    // Untransformed at depth 0: the frame, moved by the window's place on the screen.
    const Point viewOnScreen = window->convertBaseToScreen(view->convertPointToView(MakePoint(0, 0), nullptr));
    EXPECT_EQ(e->accessibilityAttributeValue(AccessibilitySizeAttribute).sizeValue(), MakeSize(100, 50));
    const Point p = e->accessibilityAttributeValue(AccessibilityPositionAttribute).pointValue();
    EXPECT_NEAR(p.x, viewOnScreen.x + 40, 1e-9);
    EXPECT_NEAR(p.y, viewOnScreen.y + 30, 1e-9);

    // Turned and pushed back under a perspective: the box covers what is drawn (smaller).
    Transform3D perspective;
    perspective.m34 = -1.0 / 500;
    root->setSublayerTransform(perspective);
    picture->setZPosition(-500);
    const Size s = e->accessibilityAttributeValue(AccessibilitySizeAttribute).sizeValue();
    EXPECT_NEAR(s.width, 50, 1e-9);
    EXPECT_NEAR(s.height, 25, 1e-9);
}

TEST_F(QVLayerAccessibility, AnElementThatGoesTakesItsInterfaceWithIt)
{
    auto e = element();
    list->addChildrenObject(e.get());
    QAccessibleInterface* listInterface = AccessibilityBridge::interfaceFor(Value(list));
    ASSERT_NE(listInterface, nullptr);
    ASSERT_EQ(listInterface->childCount(), 1);
    QAccessibleInterface* child = listInterface->child(0);
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->role(), QAccessible::Graphic);
    const QAccessible::Id id = QAccessible::uniqueId(child);
    // The owner retires the element while Qt still knows its interface.
    list->removeObjectFromChildrenAtIndex(0);
    e = nullptr;
    EXPECT_EQ(QAccessible::accessibleInterface(id), nullptr);
    EXPECT_EQ(listInterface->childCount(), 0);
}

} // namespace q_v_layer_accessibility_helper_test
