#include "kit/core/Class.h"

#include "kit/core/AutoreleasePool.h"
#include "kit/core/Exception.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <gtest/gtest.h>

// Known only to this file: found by name because its registration runs when the test loads.
class RegistryOnlyByName : public kit::Object {
    KIT_CLASS(RegistryOnlyByName)
};
KIT_REGISTER_CLASS(RegistryOnlyByName, kit::Object) { }

class Person : public kit::Object {
    KIT_CLASS(Person)
    QString name() const { return name_; }
    void setName(const QString& n) { setValueNotifying("name", name_, n); }
    int age() const { return age_; }
    void setAge(int a) { setValueNotifying("age", age_, a); }
    bool isValid() const { return valid_; }
    void setValid(bool v) { setValueNotifying("isValid", valid_, v); }
    kit::Rect frame() const { return frame_; }
    void setFrame(kit::Rect r) { frame_ = r; }

    void greet() { ++greetings; }
    int add(int a, int b) { return a + b; }
    void take(kit::Object* sender) { lastSender = sender; }

    int greetings = 0;
    kit::Object* lastSender = nullptr;

private:
    QString name_;
    int age_ = 0;
    bool valid_ = false;
    kit::Rect frame_;
};

KIT_REGISTER_CLASS(Person, kit::Object)
{
    c.property("name", &Person::name, &Person::setName);
    c.property("age", &Person::age, &Person::setAge);
    c.property("isValid", &Person::isValid, &Person::setValid);
    c.property("frame", &Person::frame, &Person::setFrame);
    c.action("greet", &Person::greet).action("addTo", &Person::add).action("take", &Person::take);
    c.optionalOperation("personShouldWave");
    c.protocol("Waving");
}

// Inherits everything; hides one action from dispatch.
class Student : public Person {
    KIT_CLASS(Student)
    bool respondsToSelector(const kit::Selector& s) const override { return s.name() != "greet" && Person::respondsToSelector(s); }
};
KIT_REGISTER_CLASS(Student, Person) { }

class Layerish : public kit::Object {
    KIT_CLASS(Layerish)
    kit::Value defaultValueForKey(const QString& key) const override { return key == "opacity" ? kit::Value(1.0) : kit::Value(); }
};
KIT_REGISTER_CLASS(Layerish, kit::Object) { c.storesUndefinedKeys(); }

class Cell : public kit::Object {
    KIT_CLASS(Cell)
    QString title;
    kit::Ref<kit::Object> template_;
    kit::Weak<kit::Object> delegate;
    int trackingTag = 0; // not copied

protected:
    void copyTo(kit::Object& copy) const override
    {
        kit::Object::copyTo(copy);
        auto& c = static_cast<Cell&>(copy);
        c.title = title;
        c.template_ = template_; // shallow
        c.delegate = delegate;
    }
};
KIT_REGISTER_CLASS(Cell, kit::Object) { c.copyable(); }

class ImageCell : public Cell {
    KIT_CLASS(ImageCell)
    QString imageName;

protected:
    void copyTo(kit::Object& copy) const override
    {
        Cell::copyTo(copy);
        static_cast<ImageCell&>(copy).imageName = imageName;
    }
};
KIT_REGISTER_CLASS(ImageCell, Cell) { }

namespace first {
class Twice : public kit::Object {
    KIT_CLASS(Twice)
};
KIT_REGISTER_CLASS(Twice, kit::Object) { }
} // namespace first
namespace second {
class Twice : public kit::Object {
    KIT_CLASS(Twice)
};
KIT_REGISTER_CLASS(Twice, kit::Object) { }
} // namespace second

namespace {

TEST(ClassRegistry, EveryRegisteredClassIsFoundByName)
{
    const auto all = kit::Class::allClasses();
    EXPECT_GE(all.size(), 5u);
    for (const kit::Class* c : all)
        EXPECT_EQ(kit::classFromString(c->name()), c) << c->name().toStdString();

    const kit::Class* c = kit::classFromString("RegistryOnlyByName");
    ASSERT_TRUE(c);
    auto made = c->make();
    ASSERT_TRUE(made);
    EXPECT_TRUE(made->isMemberOfClass(*c));
    EXPECT_EQ(kit::classFromString("NoSuchClass"), nullptr);
}

TEST(ClassRegistry, ASecondClassOfTheSameNameIsRefused)
{
    EXPECT_EQ(kit::classFromString("Twice"), &first::Twice::staticClass());
    EXPECT_NE(&second::Twice::staticClass(), &first::Twice::staticClass());
    EXPECT_EQ(second::Twice::staticClass().name(), "Twice");
}

TEST(ClassRegistry, KindAndMembership)
{
    auto s = kit::make<Student>();
    EXPECT_TRUE(s->isKindOfClass(Person::staticClass()));
    EXPECT_TRUE(s->isKindOfClass(kit::Object::staticClass()));
    EXPECT_FALSE(s->isMemberOfClass(Person::staticClass()));
    EXPECT_TRUE(s->isMemberOfClass(Student::staticClass()));
    EXPECT_TRUE(Student::staticClass().isSubclassOfClass(Person::staticClass()));
    EXPECT_TRUE(s->description().startsWith("<Student: 0x"));
    EXPECT_TRUE(Student::staticClass().conformsToProtocolNamed("Waving"));
}

TEST(ClassRegistry, RespondsToInheritedActionsAccessorsAndOptionalOperations)
{
    auto p = kit::make<Person>();
    auto s = kit::make<Student>();
    for (const char* name : { "name", "setName", "isValid", "setValid", "addTo", "personShouldWave", "take" }) {
        EXPECT_TRUE(p->respondsToSelector(name)) << name;
        EXPECT_TRUE(s->respondsToSelector(name)) << name;
    }
    EXPECT_FALSE(p->respondsToSelector("setIsValid"));
    EXPECT_FALSE(p->respondsToSelector("fly"));
    EXPECT_TRUE(p->respondsToSelector("greet"));
    EXPECT_FALSE(s->respondsToSelector("greet"));
}

TEST(ClassRegistry, PerformSelectorByNameWithUpToTwoArguments)
{
    auto p = kit::make<Person>();
    p->performSelector("greet");
    EXPECT_EQ(p->greetings, 1);
    EXPECT_EQ(p->performSelectorWithObjectWithObject("addTo", 2, 3), 5);
    auto sender = kit::make<kit::Object>();
    p->performSelectorWithObject("take", sender);
    EXPECT_EQ(p->lastSender, sender.get());
    try {
        p->performSelector("fly");
        FAIL();
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSInvalidArgumentException");
        EXPECT_TRUE(e.reason().contains("fly"));
    }
}

TEST(ClassRegistry, CopyIsRefusedByDefault) { EXPECT_THROW(kit::make<Person>()->copy(), kit::Exception); }

TEST(ClassRegistry, CopyMakesTheDynamicClassAndCopiesBaseToDerived)
{
    auto shared = kit::make<kit::Object>();
    auto delegate = kit::make<kit::Object>();
    auto cell = kit::make<ImageCell>();
    cell->title = "t";
    cell->imageName = "i";
    cell->template_ = shared;
    cell->delegate = delegate;
    cell->trackingTag = 7;
    auto copy = kit::dynamic_pointer_cast<ImageCell>(cell->copy());
    ASSERT_TRUE(copy);
    EXPECT_NE(copy, cell);
    EXPECT_EQ(copy->title, "t");
    EXPECT_EQ(copy->imageName, "i");
    EXPECT_EQ(copy->template_, shared);
    EXPECT_EQ(copy->delegate.lock(), delegate);
    EXPECT_EQ(copy->trackingTag, 0);
}

TEST(KeyValueCoding, AccessorsConvertNumbersAndRefuseOtherKinds)
{
    auto p = kit::make<Person>();
    p->setValueForKey(41.9, "age");
    EXPECT_EQ(p->age(), 41);
    p->setValueForKey(true, "isValid");
    EXPECT_TRUE(p->isValid());
    EXPECT_EQ(p->valueForKey("isValid"), 1);
    p->setValueForKey("Ada", "name");
    EXPECT_EQ(p->valueForKey("name"), "Ada");
    EXPECT_THROW(p->setValueForKey("12", "age"), kit::Exception);
    p->setValueForKey(kit::MakeRect(1, 2, 3, 4), "frame");
    EXPECT_EQ(p->frame(), kit::MakeRect(1, 2, 3, 4));
}

TEST(KeyValueCoding, NilIntoScalarAndUnknownKeysRaise)
{
    auto p = kit::make<Person>();
    try {
        p->setValueForKey(kit::Value(), "age");
        FAIL();
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSInvalidArgumentException");
    }
    p->setValueForKey(kit::Value(), "name"); // an object key takes nil
    try {
        p->valueForKey("height");
        FAIL();
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), "NSUnknownKeyException");
        EXPECT_TRUE(e.reason().endsWith("not key value coding-compliant for the key height."));
    }
    EXPECT_THROW(p->setValueForKey(1, "height"), kit::Exception);
    EXPECT_THROW(p->setValuesForKeysWithDictionary({ { "age", 3 }, { "height", 2 } }), kit::Exception);
    EXPECT_EQ(p->age(), 3);
}

TEST(KeyValueCoding, OptInClassesStoreAnyKey)
{
    auto l = kit::make<Layerish>();
    EXPECT_EQ(l->valueForKey("representedObject"), kit::Value());
    EXPECT_EQ(l->valueForKey("opacity"), 1.0);
    l->setValueForKey("x", "representedObject");
    EXPECT_EQ(l->valueForKey("representedObject"), "x");
}

TEST(AutoreleasePool, KeepsObjectsUntilItDrains)
{
    kit::Weak<kit::Object> weak;
    {
        kit::AutoreleasePool outer;
        {
            kit::AutoreleasePool inner;
            auto o = kit::make<kit::Object>();
            weak = o;
            kit::autorelease(o);
        }
        EXPECT_TRUE(weak.expired()); // the inner pool drained
        auto o = kit::make<kit::Object>();
        weak = o;
        kit::autorelease(o);
        o = nullptr;
        EXPECT_FALSE(weak.expired());
    }
    EXPECT_TRUE(weak.expired());
}

TEST(AutoreleasePool, NoPoolIsAnAssertionFailure)
{
    kit::test::AssertionRecorder recorder;
    ASSERT_EQ(kit::AutoreleasePool::depth(), 0);
    kit::autorelease(kit::make<kit::Object>());
    EXPECT_EQ(recorder.descriptions.size(), 1u);
}

} // namespace
