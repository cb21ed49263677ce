#pragma once

// The Qt peer of the tab bar benchmarks: a Fusion QTabBar of `count` tabs titled "Tab 1"… at the
// given size, rendered into an image of the same size. Both sides are timed in this thread's CPU
// time: on a machine shared with builds the wall clock measures the neighbours.

#include <QImage>
#include <QStyleFactory>
#include <QTabBar>

#include <time.h>

struct QtTabBarPeer {
    QTabBar bar;
    QImage target;

    QtTabBarPeer(int count, int width, int height)
        : target(width, height, QImage::Format_ARGB32_Premultiplied)
    {
        bar.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        bar.setUsesScrollButtons(false);
        bar.setExpanding(false);
        for (int i = 1; i <= count; ++i)
            bar.addTab(QStringLiteral("Tab %1").arg(i));
        bar.resize(width, height);
    }
    void render() { bar.render(&target); }
};

inline double qtPeerThreadNanoseconds()
{
    timespec t {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e9 + double(t.tv_nsec);
}
