// Audio output of quandor-tool: WAV and FLAC through libsndfile, raw signed 16-bit
// little-endian stereo, all at 48000 frames per second. A file is written beside its final
// path and renamed into place only when complete; "-" streams raw frames to standard output.
#pragma once
#include <sndfile.h>

#include <cstdint>
#include <string>

#include "tool/lib/song_file.h"

namespace quandor::tool {

enum class AudioFormat { Raw, Wav, Flac };

// "raw", "wav" or "flac".
bool ParseAudioFormat(const std::string& name, AudioFormat& format);
// From the path's extension (.raw, .wav, .flac, any case); "-" is raw.
bool AudioFormatFromPath(const std::string& path, AudioFormat& format);
const char* AudioFormatExtension(AudioFormat format);  // "raw", "wav", "flac"

struct AudioWriter {
  AudioFormat format = AudioFormat::Raw;
  bool toStdout = false;
  PendingFile file;
  SNDFILE* sound = nullptr;
};

bool OpenAudioFile(const std::string& path, AudioFormat format, AudioWriter& writer,
                   std::string& error);
// frames holds count interleaved stereo frames.
bool WriteAudioFrames(AudioWriter& writer, const int16_t* frames, uint32_t count,
                      std::string& error);
// Completes the file and renames it into place.
bool FinishAudioFile(AudioWriter& writer, std::string& error);
// Drops an unfinished file; nothing is left at the final path.
void AbandonAudioFile(AudioWriter& writer);

}  // namespace quandor::tool
