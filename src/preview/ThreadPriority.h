#pragma once
// Background decoding must never starve the main thread: the window's responsiveness
// matters more than a tile's frame rate.

namespace vidorra {

// Lowers the calling thread's scheduling priority by `niceness` steps (Linux nice
// values are per thread). Does nothing where that is not available.
void lowerThreadPriority(int niceness);

} // namespace vidorra
