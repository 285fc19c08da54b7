// The stb_image decoder, compiled once for the whole player.
//
// Image files come from the demo's author and are decoded as untrusted
// input: only the four formats the player accepts are compiled in, and
// images larger than 8192 pixels on a side are refused before any
// pixel memory is allocated. Main thread only (stb keeps no shared state for
// the calls the player makes).
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_ONLY_BMP
#define STBI_ONLY_TGA
#define STBI_MAX_DIMENSIONS 8192
#define STBI_FAILURE_USERMSG
#include <stb_image.h>
