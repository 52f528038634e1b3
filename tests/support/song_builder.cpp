#include "tests/support/song_builder.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "playback/callback.h"
#include "song/song.h"
#include "synth/tables.h"
#include "synth/timbre.h"
#include "synth/wavetable.h"

namespace quandor::test {

namespace {
void Put16(std::vector<uint8_t>& out, uint16_t v) {
  out.push_back(v & 0xFF);
  out.push_back(v >> 8);
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back((v >> (8 * i)) & 0xFF);
}
}  // namespace

std::vector<uint8_t> BuildRowData(const SongRecipe& recipe) {
  const size_t n = recipe.rows.size();
  const size_t channels = recipe.channels & 0x0F;
  std::vector<uint8_t> data;
  auto cell = [&](size_t r, size_t c) {
    return c < recipe.rows[r].size() ? recipe.rows[r][c] : Cell{};
  };
  if (recipe.interleaved) {
    for (size_t r = 0; r < n; ++r)
      for (size_t c = 0; c < channels; ++c) {
        Cell x = cell(r, c);
        Put16(data, x.word);
        data.push_back(x.pulseWidth);
        data.push_back(x.waveform);
        data.push_back(x.volume);
        data.push_back(x.cutoff);
      }
  } else {
    for (int plane = 0; plane < 6; ++plane)
      for (size_t c = 0; c < channels; ++c)
        for (size_t r = 0; r < n; ++r) {
          Cell x = cell(r, c);
          const uint8_t bytes[6] = {static_cast<uint8_t>(x.word >> 8),
                                    static_cast<uint8_t>(x.word & 0xFF),
                                    x.pulseWidth,
                                    x.waveform,
                                    x.volume,
                                    x.cutoff};
          data.push_back(bytes[plane]);
        }
  }
  return data;
}

std::vector<uint8_t> BuildSongBytes(const SongRecipe& recipe) {
  std::vector<uint8_t> out = {'Q', 'T', 'N'};
  out.push_back(static_cast<uint8_t>((recipe.channels & 0x0F) | (recipe.interleaved ? 0x10 : 0) |
                                     recipe.extraFlags));
  Put16(out, recipe.rowsPerSecond);
  Put32(out, recipe.loopRow);
  Put16(out, static_cast<uint16_t>(recipe.message.size()));
  Put32(out, recipe.unpackedSize);
  out.insert(out.end(), recipe.message.begin(), recipe.message.end());
  std::vector<uint8_t> rows = BuildRowData(recipe);
  out.insert(out.end(), rows.begin(), rows.end());
  out.insert(out.end(), recipe.tail.begin(), recipe.tail.end());
  return out;
}

bool LoadBytes(const std::vector<uint8_t>& bytes) {
  uint8_t* copy = new uint8_t[bytes.size() ? bytes.size() : 1];
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  return LoadSongBuffer(copy, static_cast<uint32_t>(bytes.size()));
}

std::string WriteTempFile(const std::vector<uint8_t>& bytes, const std::string& suffix) {
  const char* dir = std::getenv("TMPDIR");
  std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/quandor-test-XXXXXX" + suffix;
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = mkstemps(name.data(), static_cast<int>(suffix.size()));
  if (fd < 0) return "";
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  close(fd);
  return std::string(name.data());
}

std::vector<uint8_t> TuneRows(uint32_t rows, int channels, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> notes(16 * channels);
  for (auto& n : notes) n = static_cast<uint8_t>(rng() % 200);
  std::vector<uint8_t> v;
  v.reserve(static_cast<size_t>(rows) * channels * 6);
  for (uint32_t r = 0; r < rows; ++r)
    for (int c = 0; c < channels; ++c) {
      const uint32_t step = (r / 4) % 16;
      const uint8_t pitch = static_cast<uint8_t>(notes[c * 16 + step] + (r / 256) % 3 * 7);
      const uint16_t word =
          static_cast<uint16_t>(pitch | (3 + c % 3) << 8 | (c == 3) << 11 | (c & 1) << 12);
      v.push_back(word & 0xFF);
      v.push_back(word >> 8);
      v.push_back(static_cast<uint8_t>(c == 0 ? r * 3 : 128));
      v.push_back(static_cast<uint8_t>(c == 0 ? 0 : 1));
      v.push_back(static_cast<uint8_t>(255 - (r % 4) * 50 - (rng() % 8 == 0)));
      v.push_back(static_cast<uint8_t>(c == 1 ? (r / 8) & 255 : 255));
    }
  return v;
}

void ResetToProgramStart() {
  ResetToStartupState();
}

}  // namespace quandor::test
