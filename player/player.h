// The player: plays the song named by SongFileName until Escape.
#pragma once

namespace quandor {

// Loads, plays and shows SongFileName; returns on Escape, when the song is refused (screen
// untouched) or after the audio failure message.
void PlaySong();

}  // namespace quandor
