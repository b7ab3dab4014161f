#pragma once
// How many views are alive in the process, in a window or not: long runs check with it that
// closed screens leave none behind.

#include <cstddef>

namespace arquorel {

std::size_t liveViewCount();

}  // namespace arquorel
