#pragma once

// Batches layer changes. The first change of a run-loop pass opens an implicit transaction that
// commits at the end of the pass (or when a hosting view is about to draw, or on flush); explicit
// transactions nest inside it, inner values overriding, unset ones inherited. A commit of the
// outermost transaction lays out every marked layer top down while it is still open (so the
// animations layout makes take its duration), then starts what the changes asked for.
//
// The completion block of a transaction runs once every animation added inside it (nested
// transactions included) has finished or been removed; with none, at the commit of the outermost
// transaction, never inside an inner commit. Main thread only.

#include "kit/appkit/CAAnimation.h"
#include "kit/core/Value.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace kit {

class Layer;

inline const QString TransactionAnimationDuration = QStringLiteral("animationDuration");
inline const QString TransactionDisableActions = QStringLiteral("disableActions");
inline const QString TransactionAnimationTimingFunction = QStringLiteral("animationTimingFunction");

class Transaction {
public:
    static void begin();
    static void commit();
    // Commits the implicit transaction now, when no explicit one is open.
    static void flush();

    static bool disableActions();
    static void setDisableActions(bool flag);
    // 0.25 s unless set.
    static double animationDuration();
    static void setAnimationDuration(double seconds);
    // Whether an open transaction set a duration (the default answers no).
    static bool hasAnimationDuration();
    // Null unless set: implicit animations then take the default function.
    static Ref<MediaTimingFunction> animationTimingFunction();
    static void setAnimationTimingFunction(const Ref<MediaTimingFunction>& function);
    static void setCompletionBlock(std::function<void()> block);
    static Value valueForKey(const QString& key);
    static void setValueForKey(const Value& value, const QString& key);

    // --- Kit-internal: the layers' side. ---
    // Opens the implicit transaction when none is open.
    static void layerChanged();
    static void layerNeedsLayout(Layer* layer);
    static void layerNeedsDisplay(Layer* layer);
    // A layer made or added since the last commit takes changes without implicit animation.
    static void layerIsNew(Layer* layer);
    // Held by an animation while it runs: the open transactions' completions wait for it.
    static std::shared_ptr<void> retainCompletion();
    // Runs pending display of the layers marked since the last call.
    static void displayMarkedLayers();
    // Test-only: drops every transaction and pending list.
    static void resetForTesting();
    // Empties the list of layers to lay out (each one may be listed again).
    static void forgetLayoutQueue();
    // The commit took the layer off the list.
    static void layoutUnqueued(Layer& layer);
    // Counts the commits of outermost transactions: a tree's host asked to redraw during this one
    // is not asked again for each change that follows.
    static std::uint64_t commitCount();
};

} // namespace kit
