#pragma once

// Helpers shared by the split view tests: a delegate that records calls and answers as told, and
// split views of given pane sizes laid out without a window.

#include "ZQSplitView/ZQSplitView.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <set>
#include <string>

class RecordingDelegate : public kit::Object, public ZQSplitViewDelegate {
public:
    std::set<std::string, std::less<>> implemented;
    QStringList calls;
    std::function<bool(ZQSplitSubview*)> canCollapse;
    double animationDuration = -1; // < 0: not implemented

    // Answers for the operations a test switches on, as a registered class answers for its own.
    bool respondsToSelector(const kit::Selector& selector) const override { return implemented.count(selector.name().toStdString()) != 0; }

    bool splitViewCanCollapse(ZQSplitView*, ZQSplitSubview* pane) override { return canCollapse ? canCollapse(pane) : false; }
    void splitViewChangedFrameOfSubviewFromTo(ZQSplitView*, ZQSplitSubview* pane, kit::Rect, kit::Rect) override
    {
        calls << QStringLiteral("changed:%1").arg(pane->identifier());
    }
    void splitViewDidCollapse(ZQSplitView*, ZQSplitSubview* pane) override
    {
        calls << QStringLiteral("collapse:%1").arg(pane->identifier());
    }
    void splitViewDidExpand(ZQSplitView*, ZQSplitSubview* pane) override { calls << QStringLiteral("expand:%1").arg(pane->identifier()); }
    void willAdjustSubviews(ZQSplitView*) override { calls << QStringLiteral("will"); }
    void didAdjustSubviews(ZQSplitView*) override { calls << QStringLiteral("did"); }
    double splitViewWillAnimateSubviewWithDimension(ZQSplitView*, ZQSplitSubview*, double) override { return animationDuration; }
};

// A vertical split view (panes left to right) of the given widths, 100 high, laid out.
inline kit::Ref<ZQSplitView> makeSplitView(std::initializer_list<double> widths, double thickness = 0)
{
    double total = thickness * double(widths.size() - 1);
    for (double w : widths)
        total += w;
    auto split = kit::make<ZQSplitView>(kit::MakeRect(0, 0, total, 100));
    split->setDividerThickness(thickness);
    int i = 0;
    for (double w : widths) {
        auto pane = kit::make<ZQSplitSubview>(kit::MakeRect(0, 0, w, 100));
        pane->setIdentifier(QString::number(i++));
        split->addSubview(pane.get());
    }
    split->adjustSubviews();
    return split;
}

inline double widthOf(const ZQSplitView& split, unsigned i) { return split.subviewAtPosition(i)->frame().size.width; }
