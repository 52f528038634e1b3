#include "tool/lib/audio_file.h"

#include <strings.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "tool/lib/render.h"

namespace quandor::tool {

bool ParseAudioFormat(const std::string& name, AudioFormat& format) {
  if (name == "raw")
    format = AudioFormat::Raw;
  else if (name == "wav")
    format = AudioFormat::Wav;
  else if (name == "flac")
    format = AudioFormat::Flac;
  else
    return false;
  return true;
}

bool AudioFormatFromPath(const std::string& path, AudioFormat& format) {
  if (path == "-") {
    format = AudioFormat::Raw;
    return true;
  }
  const size_t dot = path.rfind('.');
  const size_t slash = path.rfind('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
  const std::string ext = path.substr(dot + 1);
  for (AudioFormat f : {AudioFormat::Raw, AudioFormat::Wav, AudioFormat::Flac})
    if (strcasecmp(ext.c_str(), AudioFormatExtension(f)) == 0) {
      format = f;
      return true;
    }
  return false;
}

const char* AudioFormatExtension(AudioFormat format) {
  switch (format) {
    case AudioFormat::Wav:
      return "wav";
    case AudioFormat::Flac:
      return "flac";
    case AudioFormat::Raw:
      break;
  }
  return "raw";
}

bool OpenAudioFile(const std::string& path, AudioFormat format, AudioWriter& writer,
                   std::string& error) {
  writer = AudioWriter{};
  writer.format = format;
  if (path == "-") {
    writer.toStdout = true;
    writer.format = AudioFormat::Raw;
    return true;
  }
  if (!BeginFile(path, writer.file, error)) return false;
  if (format == AudioFormat::Raw) return true;
  SF_INFO info{};
  info.samplerate = kRenderSampleRate;
  info.channels = 2;
  info.format = (format == AudioFormat::Wav ? SF_FORMAT_WAV : SF_FORMAT_FLAC) | SF_FORMAT_PCM_16;
  writer.sound = sf_open_fd(writer.file.fd, SFM_WRITE, &info, SF_FALSE);
  if (!writer.sound) {
    error = sf_strerror(nullptr);
    DiscardFile(writer.file);
    return false;
  }
  return true;
}

bool WriteAudioFrames(AudioWriter& writer, const int16_t* frames, uint32_t count,
                      std::string& error) {
  if (writer.sound) {
    if (sf_writef_short(writer.sound, frames, count) != static_cast<sf_count_t>(count)) {
      error = sf_strerror(writer.sound);
      return false;
    }
    return true;
  }
  // Raw: little-endian bytes whatever the host order.
  std::vector<uint8_t> bytes(4 * static_cast<size_t>(count));
  for (size_t i = 0; i < 2 * static_cast<size_t>(count); ++i) {
    const uint16_t s = static_cast<uint16_t>(frames[i]);
    bytes[2 * i] = static_cast<uint8_t>(s & 0xFF);
    bytes[2 * i + 1] = static_cast<uint8_t>(s >> 8);
  }
  if (!WriteAll(writer.toStdout ? 1 : writer.file.fd, bytes.data(), bytes.size())) {
    error = std::strerror(errno);
    return false;
  }
  return true;
}

bool FinishAudioFile(AudioWriter& writer, std::string& error) {
  if (writer.toStdout) return true;
  if (writer.sound) {
    sf_write_sync(writer.sound);
    const int rc = sf_close(writer.sound);
    writer.sound = nullptr;
    if (rc != 0) {
      error = sf_error_number(rc);
      DiscardFile(writer.file);
      return false;
    }
  }
  return CommitFile(writer.file, error);
}

void AbandonAudioFile(AudioWriter& writer) {
  if (writer.sound) sf_close(writer.sound);
  writer.sound = nullptr;
  DiscardFile(writer.file);
}

}  // namespace quandor::tool
