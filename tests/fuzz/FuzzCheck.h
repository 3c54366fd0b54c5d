// Shared by the fuzz targets: a failed check aborts, so libFuzzer keeps the input.
#pragma once

#include <cstdlib>

namespace kestrelon::fuzz {

inline void Check(bool ok) {
    if (!ok) std::abort();
}

}  // namespace kestrelon::fuzz
