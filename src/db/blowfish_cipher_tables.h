#pragma once

#include <array>
#include <cstdint>

namespace dodu {

// Blowfish's initial tables, before the key schedule mixes the key in.
extern const std::array<uint32_t, 18> kBlowfishInitialPArray;
extern const std::array<std::array<uint32_t, 256>, 4> kBlowfishInitialSBoxes;

}  // namespace dodu
