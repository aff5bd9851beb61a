#pragma once

#include <functional>
#include <vector>

namespace glyphon {

// Runs body(0) … body(count − 1) spread over the engine's own thread pool and returns when all are done.
// The calling thread takes items too, so it never deadlocks when called from a pool thread.
void parallelFor(int count, const std::function<void(int)> &body);

// Runs job(0) … job(count − 1), each whole on a thread of its own pool, as many at once as there are
// cores, and calls deliver(i) on the calling thread in order, as soon as job i and every job before it
// are done; returns after the last delivery. For long jobs that each spread their own work with
// parallelFor and leave cores idle between their parts. Called from one of these jobs, it runs the
// jobs one after another on that thread.
// `startOrder`, when it lists every job once, is the order they are started in, so the longest can go
// first and none is left running alone at the end; the deliveries keep the jobs' own order.
void sideBySide(int count, const std::function<void(int)> &job, const std::function<void(int)> &deliver,
                const std::vector<int> &startOrder = {});

} // namespace glyphon
