#pragma once
// Start-up: from an open window to the end of the two-second hold. Builds
// the renderer and texture library, shows the loading picture with its bar
// of dots, loads the shared textures, creates and initialises the nine
// scenes behind the bar, and holds the picture. Also the intro fade that
// the frame loop lays over the opening's first three seconds.
//
// Coordinates are those of the screen-quad plane; the loading picture is
// the texture of key "load" over the full-screen rectangle.
//
// The shell's globals live here: start-up creates them and demoShutdown
// deletes them; the frame loop (demo.h) only uses them.
#include "scenes/earth.h"
#include "scenes/fog.h"
#include "scenes/forest_anim_one.h"
#include "scenes/forest_anim_three.h"
#include "scenes/forest_anim_two.h"
#include "scenes/forest_finale.h"
#include "scenes/forest_opening.h"
#include "scenes/greetings.h"
#include "scenes/space.h"
#include "shell/demo_timer.h"

namespace Qu {
class TextureLibrary;
}
class Renderer;

extern Renderer* renderer;                  // created first; never deleted
extern Qu::TextureLibrary* textureLibrary;  // created second
extern demoTimer* demoClock;
extern demoForrest* forestOpening;
extern demoFog* fogScene;
extern demoGreet* greetScene;
extern demoSpace* spaceScene;
extern demoEarth* earthScene;
extern demoForan* forestAnimOne;
extern demoForanTwo* forestAnimTwo;
extern demoForanThree* forestAnimThree;
extern demoForrestFinale* forestFinale;

// The whole sequence. Returns after the hold; a scene that fails to
// initialise ends the process through failInit instead.
void demoStartup();

// One loading frame: picture twice, then percent / 2 + 1 dots (none for
// percent <= 0) at y = 142 from x = 380, 8 pixels apart, grey of
// brightness x 0.7; then a swap.
void drawLoadingBar(int percent, float brightness);
// Dots drawLoadingBar shows for a percentage.
int loadingDotCount(int percent);
// The picture alone (clear, picture twice at full strength, swap).
void drawLoadingFrame();
// Shows the message at (10, 220) for 2000 ms of the demo clock, shuts down
// and ends the process with exit code 1.
[[noreturn]] void failInit(const char* message);
// Deletes the clock, the scenes and the texture library in their order
// (each only if made) and closes the window.
void demoShutdown();
// The loading picture flying apart, drawn while t < 3 seconds of demo time.
void drawIntroFade(float t);
