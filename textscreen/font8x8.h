// The built-in 8x8 font, copied into Font8x8 by InitTextScreen.
#pragma once
#include <cstdint>

namespace quandor {

// Generated from a console font by scripts/gen_font.py; 256 glyphs of 8 bytes.
extern const uint8_t kBuiltinFont8x8[2048];

}  // namespace quandor
