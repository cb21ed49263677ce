#include "XTTabBarControl/XTTabBarController.h"

#include "kit/core/Exception.h"

#include <QTextBoundaryFinder>

#include <algorithm>
#include <cmath>

namespace XTTabWidths {

namespace {

std::int64_t xtwIntSum(const std::vector<double>& widths)
{
    std::int64_t sum = 0;
    for (double w : widths)
        sum += std::int64_t(w);
    return sum;
}

// Entry k, from `last` down to 0, gets its whole part plus leftover / (k + 1); answers what was given.
std::int64_t xtwSpread(std::vector<double>& widths, std::int64_t last, std::int64_t leftover)
{
    std::int64_t given = 0;
    for (std::int64_t k = last; k >= 0; --k) {
        const std::int64_t share = leftover / (k + 1);
        widths[std::size_t(k)] = double(std::int64_t(widths[std::size_t(k)]) + share);
        leftover -= share;
        given += share;
    }
    return given;
}

} // namespace

std::int64_t shrink(std::vector<double>& widths, std::int64_t minimum, double available)
{
    std::int64_t total = xtwIntSum(widths);
    const std::int64_t start = total;
    for (;;) {
        bool changed = false;
        for (std::size_t k = widths.size(); k-- > 0;) {
            if (widths[k] - 1 >= double(minimum)) {
                widths[k] -= 1;
                --total;
                changed = true;
            }
        }
        if (!changed || double(total) <= available)
            break;
    }
    return start - total;
}

Output generate(const Input& in)
{
    Output out;
    std::vector<double>& list = out.values;
    const std::size_t n = in.desiredWidthAt ? in.count : in.desiredWidths.size();
    const auto desired = [&in](std::size_t i) { return in.desiredWidthAt ? in.desiredWidthAt(i) : in.desiredWidths[i]; };
    double available = in.frameWidth - in.leftMargin - in.rightMargin - in.compensation - in.addButtonWidth;
    double origin = in.vertical ? in.topMargin : 0;
    double total = 0;

    for (std::size_t i = 0; i < n; ++i) {
        if (in.vertical) {
            if (in.frameHeight < origin + in.cellHeight) {
                // The last cell gives way to the overflow button when less than 17 points remain.
                if (!list.empty() && in.frameHeight - origin < 17)
                    list.pop_back();
                break;
            }
            list.push_back(origin);
            origin += in.cellHeight;
            continue;
        }
        double width = in.sizeCellsToFit ? std::min(desired(i), in.cellMaxWidth) : in.cellOptimumWidth;
        width = std::ceil(width);
        if (total + width < available) {
            list.push_back(width);
            total += width;
            continue;
        }
        if (!in.useOverflowMenu) {
            const double share = std::trunc(available / double(n));
            list.clear();
            for (std::size_t c = 0; c < n; ++c)
                list.push_back(in.sizeCellsToFit && desired(c) < share ? desired(c) : share);
            break;
        }
        if (!in.sizeCellsToFit) {
            const double share = std::trunc(available / double(i + 1));
            if (share < in.cellMinWidth)
                break;
            std::fill(list.begin(), list.end(), share);
            list.push_back(share);
            total = share * double(i + 1);
            continue;
        }
        const std::int64_t current = xtwIntSum(list);
        std::int64_t floor = 0;
        for (double w : list)
            floor += std::min(std::int64_t(w), std::int64_t(in.cellMinWidth));
        if (available < std::min(width, in.cellMinWidth) + double(floor)) {
            if (i > 0)
                xtwSpread(list, std::int64_t(i) - 1, std::int64_t(available - double(current)));
            break;
        }
        list.push_back(width);
        total = double(current) + width;
        if (total > available) {
            const std::int64_t average = xtwIntSum(list) / std::int64_t(list.size());
            total -= double(shrink(list, average, available));
        }
        if (total > available) {
            std::int64_t least = std::int64_t(list.front());
            for (double w : list)
                least = std::min(least, std::int64_t(w));
            if (least > std::int64_t(in.cellMinWidth))
                total -= double(shrink(list, least, available));
        }
        if (total > available)
            total -= double(shrink(list, std::int64_t(in.cellMinWidth), available));
        if (total > available) {
            out.failure = kit::format(
                QStringLiteral("**** -[XTTabBarController generateWidthsFromCells:] This is a failure (available %f, total %f, width is %f)"),
                available, total, width);
            break;
        }
        if (total < available)
            total += double(xtwSpread(list, std::int64_t(i), std::int64_t(available - total)));
    }

    // Two tabs always show side by side, however narrow the bar.
    if (!in.vertical && n > 1 && list.size() < 2) {
        const double w0 = desired(0) < available / 2 ? desired(0) : available / 2;
        const double w1 = desired(1) < available - w0 ? desired(1) : available - w0;
        list = { w0 + w1 < available ? available - w1 : w0, w1 };
    }
    return out;
}

} // namespace XTTabWidths

QString XTTruncatedTitle(const QString& title, int n)
{
    if (title.size() <= n)
        return title;
    // The last character boundary at or before n − 1 units.
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, title);
    finder.setPosition(std::max(0, n - 1));
    if (!finder.isAtBoundary())
        finder.toPreviousBoundary();
    const qsizetype cut = std::max<qsizetype>(0, finder.position());
    return title.left(cut) + QChar(0x2026);
}
