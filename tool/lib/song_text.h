// The readable text form of a song: `quandor-tool build` parses it, `dump` prints it.
// Pure functions over bytes and strings, so tests and fuzzers can drive them directly.
//
// Layout of the text (full description in songs/README.md):
//   # comment lines anywhere
//   rate 50                      rows per second
//   loop 16                      row played after the last one
//   layout interleaved|planar
//   compression on|off
//   channels 4
//   message "Text \x01 with escapes \\ \" \n"   (repeatable, appended)
//   spare-flags 0xA0             flag bits 5 and 7, which the player ignores
//   unpacked 1234                the unused size field of an uncompressed song
//   tail 01 02 03                bytes after the last whole row (repeatable, appended)
//   rows
//   [C-4]   00 C0 80 FF | (1A0> * 00 40 20 FF | .
//   ...one line per row, one cell per channel separated by '|'
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quandor::tool {

struct TextError {
  int line;    // 1-based
  int column;  // 1-based byte column within the line
  std::string message;
};

// Builds the song file bytes from the text. On any mistake returns false with one entry per
// mistake in errors (in text order) and leaves songBytes empty.
bool ParseSongText(const std::string& text, std::vector<uint8_t>& songBytes,
                   std::vector<TextError>& errors);

// Prints the exact text form of a song file (hex pitches, every header field needed to build
// the same bytes back). A compressed song is printed from its depacked rows. False with a
// one-line reason in error when the bytes are not a song the player accepts.
bool PrintSongText(const uint8_t* bytes, size_t size, std::string& text, std::string& error);

// The pitch word (bits 0-10: pitch byte and octave) nearest to a note name such as "C-4" or
// "A#2" in equal temperament with A-4 at 440 Hz. False when name is not a note.
bool NoteToPitchWord(const std::string& name, uint16_t& word);

}  // namespace quandor::tool
