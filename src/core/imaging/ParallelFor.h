#pragma once

#include <functional>

namespace glyphon {

// Runs body(0) … body(count − 1) spread over the engine's own thread pool and returns when all are done.
// The calling thread takes items too, so it never deadlocks when called from a pool thread.
void parallelFor(int count, const std::function<void(int)> &body);

} // namespace glyphon
