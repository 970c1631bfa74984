#pragma once
// The soundtrack: one MP3 file read whole into memory and played once, as a
// stream of the sound library, while the scenes run. The timeline does not
// follow the music; every failure leaves the demo running silent.
//
// Use from the frame loop: startMusic once before the loop, then
// musicChannel := -1, playMusicAttempt() on every pass, closeMusic() after
// the loop. All on the main thread; musicStreamCallback runs on the sound
// library's audio thread and only prints.
#include <cstdint>

#include "platform/sound.h"

// Null until startMusic has opened the stream.
extern platform::sound::Stream* musicStream;
// Channel of the playing stream; -1 until playback has started.
extern std::int32_t musicChannel;

// Sets the sound library up (printing the output and driver report) and
// opens the stream from the file's image. No result: on failure musicStream
// stays null.
void startMusic(const char* path);

// End (buffer null) and sync (buffer = the point's name) callback; prints a
// line and returns 1.
signed char musicStreamCallback(platform::sound::Stream* stream, void* buffer, int length, void* userData);

// Fixed text for a sound library error code; "Unknown error" outside 0..18.
const char* fmodErrorText(int code);

// One play attempt of the frame loop: while musicChannel < 0, start the
// stream paused on any free channel and un-pause it. A failed attempt
// leaves musicChannel negative, to be tried again next pass.
void playMusicAttempt();

// After the loop: closes the stream and the sound library, then releases the
// file image. musicStream becomes null, musicChannel -1.
void closeMusic();
