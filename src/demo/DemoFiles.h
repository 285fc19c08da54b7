// The fixed names in a demo's folder, which every way of running a demo
// reads: the description, the music, the final pass's two shaders and the
// key tracks that every frame reads, in files named after the tracks' base
// name (track NAME in sync_NAME.track). Constants; any thread.
#pragma once

namespace demo {

inline constexpr const char* kDescriptionFile = "demo.json";
inline constexpr const char* kTuneFile = "tune.ogg";
inline constexpr const char* kFinalVertexFile = "test.vsh";
inline constexpr const char* kFinalFragmentFile = "AA.fsh";
inline constexpr const char* kTrackBaseName = "sync";
inline constexpr const char* kSceneTrack = "scene";
inline constexpr const char* kFftSamplingTrack = "fft_sampling_index";
inline constexpr const char* kFstrTrack = "fstr_val";

} // namespace demo
