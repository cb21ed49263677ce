#include "QVTabBarView/QVProgressIndicator.h"

#include "kit/foundation/RunLoop.h"

KIT_REGISTER_CLASS(QVProgressIndicator, kit::ProgressIndicator) { c.bundle("QVTabBarView"); }

namespace {

kit::PerformRequest qvIndicatorStartRequest(QVProgressIndicator* indicator)
{
    return kit::PerformRequest::make(indicator, QStringLiteral("startAnimation"), 0,
        [](kit::Object& target, int) { static_cast<QVProgressIndicator&>(target).startAnimation(nullptr); });
}

} // namespace

void QVProgressIndicator::startAnimationOnNextTurn()
{
    kit::RunLoop::main().performAfterDelay(qvIndicatorStartRequest(this), 0, { kit::DefaultRunLoopMode });
}

void QVProgressIndicator::stopAnimation(kit::Object* sender)
{
    kit::RunLoop::main().cancelPerformRequests(qvIndicatorStartRequest(this));
    kit::ProgressIndicator::stopAnimation(sender);
}
