// The toolkit's keys as the JavaScript key codes that the shader sites'
// keyboard texture is indexed by (KeyboardTexture.h): the key's code on a
// US layout, whatever Shift or Ctrl made of its character ('a', 'A' and
// Ctrl+A are all 65; '1' and '!' are 49).
//
// Pure; any thread.
#pragma once

namespace app {

// The code of the key that typed `character` (the keyboard callback's);
// 0 for a character no key of a US layout types.
int jsKeyCodeOfCharacter(unsigned char character);

// The code of special key `key` (GLUT_KEY_LEFT, GLUT_KEY_F1, ...); 0 for
// one without a code.
int jsKeyCodeOfSpecial(int key);

} // namespace app
