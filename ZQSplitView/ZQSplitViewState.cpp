// The split view's saved state: one text entry per split view in the user defaults, written and
// read without regard to the process locale ("240.5", never "240,5").

#include "ZQSplitView/ZQSplitView.h"
#include "kit/foundation/UserDefaults.h"

#include <QStringList>

#include <cmath>

using kit::Rect;
using kit::Ref;

namespace {

const QString defaultsKeyFormat = QStringLiteral("ZQSplitView %1 %2");

// " %g": six significant digits in the shortest general form, always with a decimal point.
QString formatNumber(double v) { return QString::number(v, 'g', 6); }

// The number a part starts with, as a lenient reader would take it: "240.5H" is 240.5, junk is 0.
double leadingDouble(QStringView part)
{
    qsizetype end = part.size();
    while (end > 0) {
        bool ok = false;
        const double v = part.first(end).toDouble(&ok);
        if (ok)
            return v;
        --end;
    }
    return 0;
}

int leadingInt(QStringView part)
{
    qsizetype end = part.size();
    while (end > 0) {
        bool ok = false;
        const int v = part.first(end).toInt(&ok);
        if (ok)
            return v;
        --end;
    }
    return 0;
}

} // namespace

QString ZQSplitView::defaultsKeyForNameIsHorizontal(const QString& name, bool horizontal)
{
    return defaultsKeyFormat.arg(horizontal ? QStringLiteral("H") : QStringLiteral("V"), name);
}

void ZQSplitView::removeStateUsingName(const QString& name)
{
    if (name.isEmpty())
        return;
    kit::UserDefaults* defaults = kit::UserDefaults::standardUserDefaults();
    defaults->removeObjectForKey(defaultsKeyForNameIsHorizontal(name, true));
    defaults->removeObjectForKey(defaultsKeyForNameIsHorizontal(name, false));
}

void ZQSplitView::setAutosaveNameRecursively(const QString& name, bool recursively)
{
    removeStateUsingName(autosaveName_);
    autosaveName_ = name.isNull() ? QString(QLatin1String("")) : name;
    if (!recursively)
        return;
    const auto& subs = subviews();
    for (std::size_t i = 0; i < subs.size(); ++i)
        if (auto* pane = dynamic_cast<ZQSplitSubview*>(subs[i].get()))
            if (ZQSplitView* inner = pane->asSplitView())
                inner->setAutosaveNameRecursively(
                    autosaveName_.isEmpty() ? QString() : autosaveName_ + QStringLiteral("[%1]").arg(qint64(i)), true);
}

QString ZQSplitView::stringWithSavedState() const
{
    const auto& subs = subviews();
    QString state = QString::number(qint64(subs.size()));
    for (const Ref<kit::View>& v : subs) {
        auto* pane = dynamic_cast<ZQSplitSubview*>(v.get());
        const double value = !pane ? 0 : pane->isCollapsed() ? -pane->dimension() : pane->dimension() + pane->fraction();
        state += QLatin1Char(' ') + formatNumber(value);
        if (v->isHidden())
            state += QLatin1Char('H');
    }
    return state;
}

bool ZQSplitView::setStateFromString(const QString& string)
{
    if (string.isEmpty())
        return false;
    const QStringList parts = string.split(QLatin1Char(' '));
    const qsizetype count = qsizetype(subviews().size());
    if (parts.size() <= 1 || parts.size() - 1 != count || leadingInt(parts[0]) != count)
        return false;
    const bool horizontal = isHorizontal();
    Rect rect = frame();
    const std::vector<Ref<kit::View>> subs = subviews();
    for (qsizetype i = 0; i < count; ++i) {
        auto* pane = dynamic_cast<ZQSplitSubview*>(subs[std::size_t(i)].get());
        if (!pane)
            continue;
        const QString& part = parts[i + 1];
        const double v = leadingDouble(part);
        const double a = std::fabs(v);
        setAxis(rect.size, horizontal, std::floor(a));
        pane->setFrameWithFractionNotify(rect, a - std::floor(a), false);
        if (v <= 0)
            pane->collapseNow();
        pane->setHiddenPlain(part.endsWith(QLatin1Char('H')));
    }
    setMustAdjust();
    return true;
}

kit::Array ZQSplitView::arrayWithStates() const
{
    kit::Array states { kit::Value(stringWithSavedState()) };
    for (const Ref<kit::View>& v : subviews()) {
        auto* pane = dynamic_cast<ZQSplitSubview*>(v.get());
        ZQSplitView* inner = pane ? pane->asSplitView() : nullptr;
        states.addObject(inner ? kit::Value(inner->arrayWithStates()) : kit::Value::null());
    }
    return states;
}

bool ZQSplitView::setStatesFromArray(const kit::Array& array)
{
    const std::vector<Ref<kit::View>> subs = subviews();
    if (array.count() != std::int64_t(subs.size()) + 1 || !array[0].isString())
        return false;
    if (!setStateFromString(array[0].string()))
        return false;
    for (std::size_t i = 0; i < subs.size(); ++i) {
        const kit::Value& part = array[std::int64_t(i) + 1];
        auto* pane = dynamic_cast<ZQSplitSubview*>(subs[i].get());
        ZQSplitView* inner = pane ? pane->asSplitView() : nullptr;
        if (part.isArray() != (inner != nullptr))
            return false;
        if (inner && !inner->setStatesFromArray(part.array()))
            return false;
    }
    return true;
}

bool ZQSplitView::saveState(bool recurse)
{
    if (!canSaveState_ || isDragging_ || autosaveName_.isEmpty())
        return false;
    kit::UserDefaults::standardUserDefaults()->setObjectForKey(
        kit::Value(stringWithSavedState()), defaultsKeyForNameIsHorizontal(autosaveName_, isHorizontal()));
    if (recurse)
        for (const Ref<kit::View>& v : subviews())
            if (auto* pane = dynamic_cast<ZQSplitSubview*>(v.get()))
                if (ZQSplitView* inner = pane->asSplitView())
                    inner->saveState(true);
    return true;
}

bool ZQSplitView::restoreState(bool recurse)
{
    bool restored = false;
    if (!autosaveName_.isEmpty()) {
        const QString key = defaultsKeyForNameIsHorizontal(autosaveName_, isHorizontal());
        restored = setStateFromString(kit::UserDefaults::standardUserDefaults()->stringForKey(key));
        if (restored && recurse)
            for (const Ref<kit::View>& v : subviews())
                if (auto* pane = dynamic_cast<ZQSplitSubview*>(v.get()))
                    if (ZQSplitView* inner = pane->asSplitView())
                        inner->restoreState(true);
    }
    canSaveState_ = true;
    return restored;
}

void ZQSplitView::setDragging(bool flag)
{
    const bool was = isDragging_;
    isDragging_ = flag;
    if (was && !flag)
        saveState(false);
}

void ZQSplitView::awakeFromNib()
{
    if (!splitView())
        restoreState(true);
}
