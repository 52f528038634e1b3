// The player's key table: transport, view, mutes, history step, boost and the timbre keys.
#pragma once
#include <cstdint>

namespace quandor {

// Acts on one key-down event (SDL key symbol, modifier mask). The caller rebuilds the
// wavetable afterwards, whatever the key.
void HandlePlayerKey(uint32_t symbol, uint32_t modifiers);

}  // namespace quandor
