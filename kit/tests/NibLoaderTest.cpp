#include "kit/foundation/NibLoader.h"

#include "kit/foundation/Bundle.h"
#include "kit/foundation/Coder.h"
#include "kit/foundation/RunLoop.h"
#include "kit/testsupport/ManualClockScope.h"
#include "kit/testsupport/RuntimeRecorders.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace kit;

namespace {

std::vector<QString>* nibJournal = nullptr;
void note(const QString& s)
{
    if (nibJournal)
        nibJournal->push_back(s);
}

class NibLabel : public Object, public Coding, public NibAwaking {
    KIT_CLASS(NibLabel)
    QString text;
    Weak<Object> target;
    QString action;
    QString value;
    void encodeWithCoder(Coder& coder) const override { coder.encodeObjectForKey(Value(text), "text"); }
    void initWithCoder(Coder& coder) override
    {
        text = coder.decodeObjectForKey("text").stringValue();
        note("decode " + text);
        // Queued while loading: runs only after the whole file is connected and awake.
        RunLoop::main().performAfterDelay(
            PerformRequest::make(this, "layout", 0, [](Object& o, int) { note("perform " + static_cast<NibLabel&>(o).text); }), 0);
    }
    void awakeFromNib() override { note("awake " + text + (target.lock() ? " with target" : " without target")); }
    void setValue(const QString& v)
    {
        value = v;
        note("value " + v);
    }
};

class NibPanel : public Object, public Coding, public NibAwaking {
    KIT_CLASS(NibPanel)
    Array subviews;
    void encodeWithCoder(Coder& coder) const override { coder.encodeObjectForKey(Value(subviews), "subviews"); }
    void initWithCoder(Coder& coder) override { subviews = coder.decodeObjectForKey("subviews").array(); }
    void awakeFromNib() override { note("awake panel"); }
};

class NibOwner : public Object, public NibAwaking {
    KIT_CLASS(NibOwner)
    Ref<NibPanel> window;
    Weak<NibLabel> label;
    QString title() const { return title_; }
    void setTitle(const QString& t) { setValueNotifying("title", title_, t); }
    void send() { note("send"); }
    void awakeFromNib() override { note(QStringLiteral("awake owner, outlets ") + (window && label.lock() ? "set" : "missing")); }

private:
    QString title_ = "initial";
};

const char* goodFile = R"({"$archiver": "KeyedArchiver", "$version": 1,
  "$top": {
    "objects": [{"$ref": 0}],
    "outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "window", "destination": {"$ref": 0}},
                {"source": {"$placeholder": "File's Owner"}, "key": "label", "destination": {"$ref": 1}}],
    "actions": [{"source": {"$ref": 1}, "selector": "send", "target": {"$placeholder": "File's Owner"}},
                {"source": {"$ref": 2}, "selector": "copy", "target": {"$placeholder": "First Responder"}}],
    "bindings": [{"source": {"$ref": 1}, "binding": "value", "observable": {"$placeholder": "File's Owner"}, "keyPath": "title"}]
  },
  "$objects": [{"$class": "NibPanel", "subviews": [{"$ref": 1}, {"$ref": 2}]},
               {"$class": "NibLabel", "text": "one"},
               {"$class": "NibLabel", "text": "two"}]})";

struct NibLoaderTest : ::testing::Test {
    test::ManualClockScope clock;
    std::vector<QString> log;
    void SetUp() override { nibJournal = &log; }
    void TearDown() override { nibJournal = nullptr; }
};

TEST_F(NibLoaderTest, ConnectsEverythingThenAwakesEachOnceOwnerLast)
{
    auto owner = make<NibOwner>();
    Array top;
    ASSERT_TRUE(NibLoader::loadInterfaceData(goodFile, "Good", owner.get(), &top));
    EXPECT_EQ(top.count(), 1);
    ASSERT_TRUE(owner->window);
    auto label = owner->label.lock();
    ASSERT_TRUE(label);
    EXPECT_EQ(label->target.lock(), owner);
    EXPECT_EQ(label->action, "send");
    auto second = owner->window->subviews[1].objectAs<NibLabel>();
    EXPECT_FALSE(second->target.lock()); // first responder: nil target
    EXPECT_EQ(second->action, "copy");
    EXPECT_EQ(label->value, "initial");
    owner->setTitle("changed");
    EXPECT_EQ(label->value, "changed"); // the binding is live
    RunLoop::main().runPending();
    const std::vector<QString> expected { "decode one", "decode two", "value initial", "awake panel", "awake one with target",
        "awake two without target", "awake owner, outlets set", "value changed", "perform one", "perform two" };
    EXPECT_EQ(log, expected);
    label->unbind("value");
}

struct BrokenCase {
    const char* name;
    QByteArray file;
    const char* logged;
};

QByteArray withObjects(const char* top, const char* objects)
{
    return QByteArray(R"({"$archiver": "KeyedArchiver", "$top": )") + top + R"(, "$objects": )" + objects + "}";
}

class BrokenNibTest : public NibLoaderTest, public ::testing::WithParamInterface<BrokenCase> { };

TEST_P(BrokenNibTest, AnswersNoBeforeConnectingAnything)
{
    test::LogRecorder recorder;
    auto owner = make<NibOwner>();
    QString error;
    EXPECT_FALSE(NibLoader::loadInterfaceData(GetParam().file, "Broken", owner.get(), nullptr, &error));
    EXPECT_TRUE(error.contains("Broken"));
    EXPECT_TRUE(error.contains(GetParam().logged)) << error.toStdString();
    EXPECT_TRUE(recorder.contains("Broken"));
    EXPECT_FALSE(owner->window);
    EXPECT_FALSE(owner->label.lock());
    EXPECT_TRUE(std::find(log.begin(), log.end(), "awake owner, outlets missing") == log.end());
    RunLoop::main().runPending();
}

INSTANTIATE_TEST_SUITE_P(Files, BrokenNibTest,
    ::testing::Values(BrokenCase { "truncated", QByteArray(goodFile).left(200), "JSON" },
        BrokenCase { "unknownClass",
            withObjects(R"({"outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "window", "destination": {"$ref": 0}}]})",
                R"([{"$class": "NoSuchView"}])"),
            "NoSuchView" },
        BrokenCase { "danglingReference",
            withObjects(R"({"outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "window", "destination": {"$ref": 4}}]})",
                R"([{"$class": "NibPanel"}])"),
            "outside" },
        BrokenCase { "missingOutlet",
            withObjects(R"({"outlets": [{"source": {"$placeholder": "File's Owner"}, "key": "window", "destination": {"$ref": 0}},
                                                 {"source": {"$placeholder": "File's Owner"}, "key": "nope", "destination": {"$ref": 0}}]})",
                R"([{"$class": "NibPanel"}])"),
            "no outlet nope" },
        BrokenCase { "sourceNotAnObject",
            withObjects(R"({"outlets": [{"source": "text", "key": "window", "destination": {"$ref": 0}}]})", R"([{"$class": "NibPanel"}])"),
            "not an object" },
        BrokenCase { "panelCannotSendActions",
            withObjects(R"({"actions": [{"source": {"$ref": 0}, "selector": "send"}]})", R"([{"$class": "NibPanel"}])"),
            "cannot send actions" },
        BrokenCase { "unknownPlaceholder",
            withObjects(R"({"outlets": [{"source": {"$placeholder": "Nobody"}, "key": "window", "destination": {"$ref": 0}}]})",
                R"([{"$class": "NibPanel"}])"),
            "Nobody" }),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NibLoaderTest, LooksInTheOwnersBundleThenTheMainBundle)
{
    QTemporaryDir main, component;
    for (auto* d : { &main, &component })
        QDir().mkpath(d->filePath("ui"));
    auto write = [](const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(main.filePath("ui/Shared.json"), goodFile);
    write(component.filePath("ui/Own.json"), goodFile);
    Bundle::setMainBundlePathForTesting(main.path());
    NibOwner::staticClass().setBundleName(component.path());
    auto owner = make<NibOwner>();
    EXPECT_TRUE(Bundle::loadNibNamedOwner("Own", owner.get()));
    owner->label.lock()->unbind("value");
    auto other = make<NibOwner>();
    EXPECT_TRUE(Bundle::loadNibNamedOwner("Shared", other.get()));
    other->label.lock()->unbind("value");
    {
        test::LogRecorder recorder;
        EXPECT_FALSE(Bundle::loadNibNamedOwner("Missing", owner.get()));
        EXPECT_TRUE(recorder.contains("Missing"));
    }
    NibOwner::staticClass().setBundleName({});
    Bundle::setMainBundlePathForTesting({});
    RunLoop::main().runPending();
}

} // namespace

KIT_REGISTER_CLASS(NibLabel, Object)
{
    c.property(
        "target", [](const NibLabel& o) { return Value(o.target.lock()); },
        [](NibLabel& o, const Value& v) { o.target = v.object().get(); });
    c.property(
        "action", [](const NibLabel& o) { return Value(o.action); }, [](NibLabel& o, const Value& v) { o.action = v.stringValue(); });
    c.property(
        "value", [](const NibLabel& o) { return Value(o.value); }, [](NibLabel& o, const Value& v) { o.setValue(v.stringValue()); });
    c.exposeBinding("value");
}

KIT_REGISTER_CLASS(NibPanel, Object) { }

KIT_REGISTER_CLASS(NibOwner, Object)
{
    c.property(
        "window", [](const NibOwner& o) { return Value(o.window); },
        [](NibOwner& o, const Value& v) { o.window = v.objectAs<NibPanel>(); });
    c.property(
        "label", [](const NibOwner& o) { return Value(o.label.lock()); },
        [](NibOwner& o, const Value& v) { o.label = v.objectAs<NibLabel>().get(); });
    c.property("title", &NibOwner::title, &NibOwner::setTitle);
    c.action("send", &NibOwner::send);
}
