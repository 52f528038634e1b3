// The player: plays the song named by SongFileName until Escape, drawing the player screen and
// handling its keys. Main thread only; reads the engine's shared values without locks.
#pragma once
#include <cstdint>
#include <string>

namespace quandor {

extern uint8_t PatternStep;     // least advance in rows, minus one, between two history lines
extern bool PatternView;        // lower view: pattern history (on) or oscilloscope (off)
extern uint32_t RowSnapshot;    // CurrentRow as read at the start of the current pass
extern uint32_t LastScrollRow;  // row of the last history scroll or lower-view reset
extern uint16_t ScrollTick;     // passes since the last message scroller step (0..2)
// Message scroller position, 1..messageLength + 79 once running. 32 bits: with 16 a message
// longer than 65455 bytes would wrap the position to 0 before the cycle ends and read byte 0.
extern uint32_t ScrollPos;
extern bool QuitRequested;       // set by Escape; ends the display loop
extern std::string DisplayName;  // the file name shown on the status line

// Loads, plays and shows SongFileName; returns on Escape, when the song is refused (screen
// untouched) or after the audio failure message.
void PlaySong();

// The pieces of PlaySong, for callers that drive the screen without a device or a delay.
// The per-song resets that follow a successful load (name, rows, scroller).
void StartSongState();
// Draws the static screen and sets up the per-song layout (the loaded song must be in place).
void DrawStaticScreen();
// One pass of the display loop without its 50 ms sleep: draw, refresh, lower view, one key.
void PlayerPass();
// One step of the message scroller in row 4 (every third pass).
void ScrollerStep();
// Blanks the lower view and restarts its history and scope gain from CurrentRow.
void ResetLowerView();

// The banner (80 CP437 characters) and the status line of the loaded song.
std::string BannerText();
std::string StatusLineText();

// Program-start values of the player's state (also of the strips, scope and keys modules).
void ResetPlayer();

}  // namespace quandor
