// A loaded song played through the audio callback while the input drives the transport, the
// mutes, BoostMode and the timbre keys. Input: two bytes giving the song's length, the song,
// then commands. The row index must stay inside the song and the callback inside its buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "playback/callback.h"
#include "playback/sequencer.h"
#include "song/song.h"
#include "synth/mixer.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

using namespace quandor;

namespace {
// Frames rendered per input at most: enough for several ticks of an ordinary song.
constexpr uint32_t kFrameBudget = 24000;

// Keys with a timbre action and a few without one.
constexpr uint32_t kKeys[] = {32,  97, 115, 100, 102, 120, 99, 118, 101, 114, 113, 119,
                              116, 49, 50,  51,  52,  53,  54, 55,  56,  13,  27,  273};

void CheckRow() {
  if (CurrentRow.load() >= RowCount) std::abort();
  if (PlayClock.load() > kPlayClockCeiling) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  InitSynthTables();
  sampleRate = 48000;
  BuildPitchTable();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  size_t songLen = data[0] | data[1] << 8;
  data += 2;
  size -= 2;
  if (songLen > size) songLen = size;
  uint8_t* song = new uint8_t[songLen ? songLen : 1];
  if (songLen) std::memcpy(song, data, songLen);
  if (!LoadSongBuffer(song, static_cast<uint32_t>(songLen))) return 0;

  // Program-start state, then the player's per-song reset.
  BankSelect = 0;
  LoadStartupTimbre();
  BuildWavetable();
  ResetEngine();

  const uint8_t* cmd = data + songLen;
  const uint8_t* end = data + size;
  uint32_t budget = kFrameBudget;
  auto next = [&]() -> uint8_t { return cmd < end ? *cmd++ : 0; };
  while (cmd < end && budget > 0) {
    const uint8_t op = next();
    switch (op & 7) {
      case 0:
      case 1: {
        // Any byte length, odd ones included; frames are length div 4.
        uint32_t len = static_cast<uint32_t>(next()) | static_cast<uint32_t>(op >> 3) << 8;
        if (len / 4 > budget) len = budget * 4 + (len & 3);
        uint8_t* buf = new uint8_t[len ? len : 1];
        AudioCallback(nullptr, buf, static_cast<int>(len));
        if (CallbackFrames.load() != len / 4) std::abort();
        delete[] buf;
        budget -= len / 4;
        break;
      }
      case 2:
        SeekForward();
        break;
      case 3:
        SeekBack();
        break;
      case 4:
        RestartSong();
        break;
      case 5: {
        auto& m = MuteFlags[(op >> 3) & 7];
        m.store(m.load() ? 0 : 1);
        break;
      }
      case 6:
        BoostMode.store(!BoostMode.load());
        break;
      case 7:
        TimbreKey(kKeys[(op >> 3) % (sizeof kKeys / sizeof kKeys[0])], (op >> 7) ? 1 : 0);
        BuildWavetable();
        break;
    }
    CheckRow();
  }
  // Whatever the commands left over: a last 2048-frame buffer as the device would ask.
  static uint8_t last[2048 * 4];
  AudioCallback(nullptr, last, sizeof last);
  CheckRow();
  ReleaseSong();
  return 0;
}
