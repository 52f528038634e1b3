// render: the player's output for a song, bit for bit, written as WAV, FLAC or raw frames.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "song/song.h"
#include "synth/mixer.h"
#include "tool/lib/audio_file.h"
#include "tool/lib/command.h"
#include "tool/lib/render.h"
#include "tool/lib/song_file.h"

namespace quandor::tool {
namespace {

const char kUsage[] =
    "Usage: quandor-tool render [OPTIONS] SONG OUT\n"
    "       quandor-tool render [OPTIONS] SONG... DIRECTORY\n"
    "Renders the frames the player produces for SONG played first after start-up\n"
    "(48000 frames per second, signed 16-bit stereo).\n"
    "\n"
    "  --frames N       render exactly N frames\n"
    "  --seconds S      render S seconds\n"
    "  --loops K        the song once through, then K more times from its loop row\n"
    "                   (default: once through, RowCount ticks)\n"
    "  --fade S         fade the last S seconds out linearly\n"
    "  --format F       raw, wav or flac (default: from OUT's extension; wav in a directory)\n"
    "  --mute LIST      silence channels, 1-based, comma-separated (e.g. 1,3)\n"
    "  --boost          start with the pulse-width boost on\n"
    "  --preset N       harmonic preset 1, 2 or 3 (default 1)\n"
    "  --stems          one file per channel, OUT with the channel number before the\n"
    "                   extension (song.wav gives song.1.wav, ...); they sum to the mix\n"
    "  -j N             render up to N songs at once (several SONGs into a DIRECTORY)\n"
    "\n"
    "OUT '-' writes raw frames to standard output. Exit status: 0 done, 1 a song refused or a\n"
    "file not written, 2 bad usage.\n";

enum class LengthMode { Once, Frames, Seconds, Loops };

struct Options {
  LengthMode mode = LengthMode::Once;
  uint64_t frames = 0;
  double seconds = 0;
  uint32_t loops = 0;
  double fade = 0;
  bool haveFormat = false;
  AudioFormat format = AudioFormat::Wav;
  RenderSettings settings;
  bool stems = false;
  int jobs = 1;
  std::vector<std::string> songs;
  std::string out;
};

bool ParseUnsigned(const std::string& text, uint64_t max, uint64_t& value) {
  if (text.empty() || text.size() > 20) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (errno != 0 || v > max) return false;
  value = v;
  return true;
}

bool ParseSeconds(const std::string& text, double& value) {
  if (text.empty()) return false;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(value) && value >= 0 && value < 1e9;
}

bool Usage(const std::string& why) {
  std::fprintf(stderr, "quandor-tool render: %s\n(see quandor-tool render --help)\n", why.c_str());
  return false;
}

bool ParseOptions(const std::vector<std::string>& args, Options& o) {
  int lengthOptions = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    std::string value;
    const bool takesValue = a == "--frames" || a == "--seconds" || a == "--loops" ||
                            a == "--fade" || a == "--format" || a == "--mute" || a == "--preset" ||
                            a == "-j";
    if (a.rfind("--", 0) == 0 && a.find('=') != std::string::npos) {
      value = a.substr(a.find('=') + 1);
      a = a.substr(0, a.find('='));
    } else if (a.size() > 2 && a.rfind("-j", 0) == 0) {
      value = a.substr(2);
      a = "-j";
    } else if (takesValue) {
      if (i + 1 >= args.size()) return Usage(a + " needs a value");
      value = args[++i];
    }
    uint64_t n = 0;
    if (a == "--frames") {
      if (!ParseUnsigned(value, UINT64_MAX / 4, n)) return Usage("bad frame count: " + value);
      o.mode = LengthMode::Frames, o.frames = n, ++lengthOptions;
    } else if (a == "--seconds") {
      if (!ParseSeconds(value, o.seconds)) return Usage("bad seconds: " + value);
      o.mode = LengthMode::Seconds, ++lengthOptions;
    } else if (a == "--loops") {
      if (!ParseUnsigned(value, 1000000, n)) return Usage("bad loop count: " + value);
      o.mode = LengthMode::Loops, o.loops = static_cast<uint32_t>(n), ++lengthOptions;
    } else if (a == "--fade") {
      if (!ParseSeconds(value, o.fade)) return Usage("bad fade: " + value);
    } else if (a == "--format") {
      if (!ParseAudioFormat(value, o.format)) return Usage("unknown format: " + value);
      o.haveFormat = true;
    } else if (a == "--mute") {
      size_t start = 0;
      while (start <= value.size()) {
        size_t comma = value.find(',', start);
        std::string item =
            value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!ParseUnsigned(item, 8, n) || n == 0) return Usage("bad channel in --mute: " + item);
        o.settings.mute[n - 1] = true;
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (a == "--boost") {
      o.settings.boost = true;
    } else if (a == "--preset") {
      if (!ParseUnsigned(value, 3, n) || n == 0) return Usage("preset must be 1, 2 or 3");
      o.settings.preset = static_cast<int>(n);
    } else if (a == "--stems") {
      o.stems = true;
    } else if (a == "-j") {
      if (!ParseUnsigned(value, 64, n) || n == 0) return Usage("bad job count: " + value);
      o.jobs = static_cast<int>(n);
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option " + a);
    } else {
      o.songs.push_back(args[i]);
    }
  }
  if (lengthOptions > 1) return Usage("give at most one of --frames, --seconds and --loops");
  if (o.songs.size() < 2) return Usage("needs a SONG and an OUT");
  o.out = o.songs.back();
  o.songs.pop_back();
  return true;
}

bool IsDirectory(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseStem(const std::string& path) {
  const size_t slash = path.rfind('/');
  std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const size_t dot = base.rfind('.');
  if (dot != std::string::npos && dot > 0) base.resize(dot);
  return base;
}

// out.wav -> out.3.wav; out -> out.3
std::string StemPath(const std::string& out, int channel) {
  const size_t slash = out.rfind('/');
  const size_t dot = out.rfind('.');
  std::string number = ".";
  number += std::to_string(channel);
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
      dot == (slash == std::string::npos ? 0 : slash + 1))
    return out + number;
  return out.substr(0, dot) + number + out.substr(dot);
}

// Progress on standard error, shown only on a terminal and once a render has run a moment.
struct Progress {
  bool enabled = false;
  std::chrono::steady_clock::time_point start, last;
  bool shown = false;

  void Begin(bool allowed) {
    enabled = allowed && isatty(2);
    start = last = std::chrono::steady_clock::now();
    shown = false;
  }
  void Update(uint64_t done, uint64_t total, const char* label) {
    if (!enabled || total == 0) return;
    auto now = std::chrono::steady_clock::now();
    if (now - start < std::chrono::milliseconds(400)) return;
    if (shown && now - last < std::chrono::milliseconds(100) && done < total) return;
    last = now;
    shown = true;
    const int width = 30;
    const int filled = static_cast<int>(width * done / total);
    std::fprintf(stderr, "\r%-24.24s [%.*s%*s] %3d%%", label, filled,
                 "##############################", width - filled, "",
                 static_cast<int>(100 * done / total));
    std::fflush(stderr);
  }
  void End() {
    if (shown) std::fprintf(stderr, "\r\033[K");
    shown = false;
  }
};

Progress progress;  // owned by this command: the one progress line of the process

struct Job {
  std::string song;
  std::string out;
  AudioFormat format;
};

bool LoadFrom(const std::vector<uint8_t>& bytes, std::string& error) {
  uint8_t* copy = new uint8_t[bytes.empty() ? 1 : bytes.size()];
  if (!bytes.empty()) std::memcpy(copy, bytes.data(), bytes.size());
  if (LoadSongBuffer(copy, static_cast<uint32_t>(bytes.size()))) return true;
  error = LoadError;
  return false;
}

uint64_t RequestedFrames(const Options& o) {
  switch (o.mode) {
    case LengthMode::Frames:
      return o.frames;
    case LengthMode::Seconds:
      return static_cast<uint64_t>(std::llround(o.seconds * kRenderSampleRate));
    case LengthMode::Loops:
      return SongFrames(o.loops);
    case LengthMode::Once:
      break;
  }
  return SongFrames(0);
}

// Renders one song (or its stems); reports its own errors. Returns the exit status.
int RenderJob(const Options& o, const Job& job, bool showProgress) {
  std::vector<uint8_t> bytes;
  std::string error;
  if (!ReadFileBytes(job.song, bytes, error)) {
    ReportError(job.song, error);
    return kBadInput;
  }
  ResetForRender(o.settings);
  if (!LoadFrom(bytes, error)) {
    ReportError(job.song, error);
    return kBadInput;
  }
  const int channels = lastVoice + 1;
  const uint64_t total = RequestedFrames(o);
  uint64_t fadeFrames = static_cast<uint64_t>(std::llround(o.fade * kRenderSampleRate));

  // One pass per output: the mix, or each channel alone with the others muted.
  struct Pass {
    std::string path;
    RenderSettings settings;
    AudioWriter writer;
  };
  std::vector<Pass> passes;
  if (!o.stems) {
    passes.push_back({job.out, o.settings, {}});
  } else {
    for (int c = 0; c < channels; ++c) {
      Pass p{StemPath(job.out, c + 1), o.settings, {}};
      for (int other = 0; other < 8; ++other)
        if (other != c) p.settings.mute[other] = true;
      passes.push_back(p);
    }
  }

  progress.Begin(showProgress);
  const uint64_t grandTotal = total * passes.size();
  uint64_t grandDone = 0;
  bool ok = true;
  std::string failedPath;
  for (Pass& p : passes) {
    if (!OpenAudioFile(p.path, job.format, p.writer, error)) {
      ok = false, failedPath = p.path;
      break;
    }
    ResetForRender(p.settings);
    if (!LoadFrom(bytes, error)) {  // read once already; cannot differ now
      ok = false, failedPath = job.song;
      break;
    }
    uint64_t done = 0;
    const std::string label = BaseStem(p.path);
    ok = RenderFrames(total, [&](const int16_t* frames, uint32_t n) {
      std::vector<int16_t> copy;
      const int16_t* data = frames;
      if (fadeFrames > 0 && done + n > total - std::min(total, fadeFrames)) {
        copy.assign(frames, frames + 2 * n);
        ApplyFade(copy.data(), n, done, total, fadeFrames);
        data = copy.data();
      }
      if (!WriteAudioFrames(p.writer, data, n, error)) return false;
      done += n;
      progress.Update(grandDone + done, grandTotal, label.c_str());
      return true;
    });
    grandDone += total;
    if (!ok) {
      failedPath = p.path;
      break;
    }
  }
  for (Pass& p : passes) {
    if (ok && !FinishAudioFile(p.writer, error)) ok = false, failedPath = p.path;
    if (!ok) AbandonAudioFile(p.writer);
  }
  progress.End();
  ReleaseSong();
  if (!ok) {
    ReportError(failedPath, error);
    return kBadInput;
  }
  return kOk;
}

// Several songs into a directory: child processes, since the engine is one per process.
int RenderParallel(const Options& o, const std::vector<Job>& jobs) {
  int status = kOk;
  size_t next = 0, running = 0, finished = 0;
  progress.Begin(true);
  while (next < jobs.size() || running > 0) {
    if (next < jobs.size() && running < static_cast<size_t>(o.jobs)) {
      std::fflush(nullptr);
      pid_t pid = fork();
      if (pid == 0) _exit(RenderJob(o, jobs[next], false));
      if (pid < 0) {
        ReportError(jobs[next].song, std::string("cannot start a render: ") + std::strerror(errno));
        status = kBadInput;
      } else {
        ++running;
      }
      ++next;
      continue;
    }
    int ws = 0;
    pid_t done = wait(&ws);
    if (done < 0) {
      if (errno == EINTR) continue;
      break;
    }
    --running;
    ++finished;
    if (!WIFEXITED(ws) || WEXITSTATUS(ws) != 0) status = kBadInput;
    progress.Update(finished, jobs.size(), "songs");
  }
  progress.End();
  return status;
}

int Run(const std::vector<std::string>& args) {
  Options o;
  if (!ParseOptions(args, o)) return kBadUsage;
  const bool toDirectory = o.out != "-" && IsDirectory(o.out);
  if (o.songs.size() > 1 && !toDirectory)
    return Usage("with several songs the last argument must be a directory"), kBadUsage;
  if (o.out == "-" && o.stems) return Usage("--stems cannot write to standard output"), kBadUsage;
  if (o.out == "-" && o.haveFormat && o.format != AudioFormat::Raw)
    return Usage("standard output takes raw frames only"), kBadUsage;

  std::vector<Job> jobs;
  for (const std::string& song : o.songs) {
    Job job{song, o.out, o.format};
    if (toDirectory) {
      if (!o.haveFormat) job.format = AudioFormat::Wav;
      job.out = o.out + "/" + BaseStem(song) + "." + AudioFormatExtension(job.format);
    } else if (!o.haveFormat && !AudioFormatFromPath(o.out, job.format)) {
      return Usage("cannot tell the format from " + o.out + "; give --format"), kBadUsage;
    }
    jobs.push_back(job);
  }
  if (jobs.size() > 1 && o.jobs > 1) return RenderParallel(o, jobs);
  int status = kOk;
  for (const Job& job : jobs)
    if (RenderJob(o, job, true) != kOk) status = kBadInput;
  return status;
}

const Registration registration({"render", "render a song to WAV, FLAC or raw frames", kUsage,
                                 Run});

}  // namespace
}  // namespace quandor::tool
