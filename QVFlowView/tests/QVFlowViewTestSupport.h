#pragma once

// Items, a data source and a delegate that record what the flow view asks, and a window fixture
// on the manual clock that settles layout, animations and the image queue.

#include "QVFlowView/QVFlowView.h"
#include "kit/appkit/Application.h"
#include "kit/appkit/FrameDriver.h"
#include "kit/appkit/Window.h"
#include "kit/foundation/Bundle.h"
#include "kit/foundation/RunLoop.h"
#include "kit/layers/Transaction.h"
#include "kit/testsupport/ManualClockScope.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qv_flow_view_test {

// An item of the kind applications hand over: the four accessors as key-value properties.
class FlowItem : public kit::Object {
    KIT_CLASS(FlowItem)
public:
    FlowItem() = default;
    FlowItem(QString uid, QString type, kit::Value representation, QString title)
        : uid_(std::move(uid))
        , type_(std::move(type))
        , representation_(std::move(representation))
        , title_(std::move(title))
    { }
    QString imageItemUID() const { return uid_; }
    void setImageItemUID(const QString& uid) { setValueNotifying(QStringLiteral("imageItemUID"), uid_, uid); }
    QString imageItemRepresentationType() const { return type_; }
    void setImageItemRepresentationType(const QString& type)
    {
        setValueNotifying(QStringLiteral("imageItemRepresentationType"), type_, type);
    }
    kit::Value imageItemRepresentation() const { return representation_; }
    void setImageItemRepresentation(const kit::Value& representation)
    {
        setValueNotifying(QStringLiteral("imageItemRepresentation"), representation_, representation);
    }
    QString imageItemTitle() const { return title_; }
    void setImageItemTitle(const QString& title) { setValueNotifying(QStringLiteral("imageItemTitle"), title_, title); }
    bool isEqual(const kit::Object* other) const override
    {
        const auto* item = dynamic_cast<const FlowItem*>(other);
        return item && item->uid_ == uid_ && item->title_ == title_;
    }
    std::size_t hash() const override { return qHash(uid_); }

private:
    QString uid_;
    QString type_;
    kit::Value representation_;
    QString title_;
};

// A plain object with none of the accessors.
class BareItem : public kit::Object {
    KIT_CLASS(BareItem)
};

class FlowSource : public kit::Object, public QVFlowViewDataSource {
    KIT_CLASS(FlowSource)
public:
    std::int64_t numberOfItemsInFlowView(QVFlowView*) override { return std::int64_t(items.size()); }
    kit::Value flowViewItemAtIndex(QVFlowView*, std::int64_t index) override
    {
        asked.push_back(index);
        return index >= 0 && index < std::int64_t(items.size()) ? kit::Value(items[std::size_t(index)]) : kit::Value();
    }
    bool flowViewWriteItemAtIndexToPasteboard(QVFlowView*, std::int64_t index, kit::Pasteboard* board) override
    {
        log.push_back("write " + std::to_string(index));
        board->declareTypesOwner({ kit::StringPboardType }, nullptr);
        board->setStringForType(QStringLiteral("item"), kit::StringPboardType);
        return true;
    }
    void flowViewRemoveItemAtIndex(QVFlowView*, std::int64_t index) override { log.push_back("remove " + std::to_string(index)); }
    std::uint64_t flowViewValidateDropProposedIndex(QVFlowView*, kit::DraggingInfo&, std::int64_t index) override
    {
        log.push_back("validate " + std::to_string(index));
        return kit::DragOperationCopy;
    }
    bool flowViewAcceptDropAtIndex(QVFlowView*, kit::DraggingInfo&, std::int64_t index) override
    {
        log.push_back("accept " + std::to_string(index));
        return true;
    }

    std::vector<kit::Ref<FlowItem>> items;
    std::vector<std::int64_t> asked;
    std::vector<std::string> log;
};

// Answers only the count (no flowViewItemAtIndex).
class CountOnlySource : public kit::Object, public QVFlowViewDataSource {
    KIT_CLASS(CountOnlySource)
public:
    std::int64_t numberOfItemsInFlowView(QVFlowView*) override { return 5; }
};

class FlowDelegate : public kit::Object, public QVFlowViewDelegate {
    KIT_CLASS(FlowDelegate)
public:
    void flowViewSelectionDidChange(QVFlowView* view) override { log.push_back("selection " + std::to_string(view->selectedIndex())); }
    void flowViewItemWasDoubleClickedAtIndex(QVFlowView*, std::int64_t index) override { log.push_back("double " + std::to_string(index)); }
    void flowViewItemWasRightClickedAtIndexWithEvent(QVFlowView*, std::int64_t index, const kit::Event&) override
    {
        log.push_back("right " + std::to_string(index));
    }
    std::vector<std::string> log;
};

// Answers selection changes only.
class SelectionDelegate : public kit::Object, public QVFlowViewDelegate {
    KIT_CLASS(SelectionDelegate)
public:
    void flowViewSelectionDidChange(QVFlowView*) override { ++changes; }
    int changes = 0;
};

kit::Ref<kit::CGImage> solidImage(int width, int height, QColor color = Qt::red);
kit::Ref<FlowItem> imageItem(int i, int width = 200, int height = 200);
// A PNG file's bytes of one colour.
QByteArray pngData(int width, int height, QColor color = Qt::blue);

class FlowViewFixture : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // n items of solid images, in a window of the given size filled by the view.
    void makeView(int items, kit::Size size = { 600, 350 });
    // Lays out, runs every animation to its end and drains the image queue.
    void settle();
    // Item i's layers (replicator, picture).
    kit::Ref<kit::ReplicatorLayer> item(std::int64_t i) const;
    kit::Ref<kit::Layer> picture(std::int64_t i) const;
    // Where item i's picture is drawn, in window coordinates.
    kit::Point pictureCentre(std::int64_t i) const;

    kit::test::ManualClockScope clock;
    QTemporaryDir bundleDir;
    kit::Ref<kit::Window> window;
    kit::Ref<QVFlowView> view;
    kit::Ref<FlowSource> source;
    kit::Ref<FlowDelegate> delegate;
};

} // namespace qv_flow_view_test
