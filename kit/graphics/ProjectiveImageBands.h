#pragma once

// Large pictures drawn by several threads at once: the caller and up to three helpers from one
// pool, made on first use and joined at exit. Each thread runs the same work, which claims rows
// from a shared counter; helpers only ever touch raw pixel memory, never Qt objects.

namespace kit::projectiveimage {

// Helpers the pool may lend to one draw: min(3, hardware threads - 1).
int BandHelpersAvailable();

// Runs `work(context)` on the calling thread and on up to `helpers` pool threads, and returns when
// every run has returned. Helpers join as they wake; `work` must finish on its own whoever joins, so
// the caller never waits for a share nobody took. While another thread is sharing, the caller
// runs alone.
void ShareBands(int helpers, void (*work)(void*), void* context);

template <typename Work> void ShareBands(int helpers, Work& work)
{
    ShareBands(
        helpers, [](void* w) { (*static_cast<Work*>(w))(); }, &work);
}

} // namespace kit::projectiveimage
