// The start-up steps between the window and the main loop: the demo itself
// (music, sync tracks, description, render targets), the final pass's
// program and the quad meshes. Main thread, GL context current, once each,
// in this order.
#pragma once

// Opens the music held paused, the sync device "sync" with its tracks
// "scene" and "fft_sampling_index", loads "demo.json", gives the window the
// demo's name and creates the eight render targets. Returns false when the
// description fails to load: the account written so far stays on standard
// output, one line "demo.json: " and the reason goes to standard error, and
// the render targets are not made.
bool initDemo();

// Builds appState.antiAliasProgram from "test.vsh" and "AA.fsh"; when they
// do not build, the final pass shows the last pass through a built-in
// pass-through program (one line on standard error).
void initAntiAliasProgram();

// Builds the screen quad and the eight pass quads, bound to the
// anti-aliasing program.
void initQuadMeshes();

// Releases the music (and the audio output) unless Esc already has.
void releaseMusic();
