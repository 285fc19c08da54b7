// Toolkit keys to JavaScript key codes. Pure.
#include "app/KeyCodes.h"

#include <cstring>

#include <GL/glew.h>
#include <GL/freeglut.h>

namespace {

// The punctuation keys of a US layout: both characters of each key, and its code.
struct PunctuationKey {
    char plain;
    char shifted;
    int code;
};

constexpr PunctuationKey kPunctuation[] = {
    {';', ':', 186}, {'=', '+', 187}, {',', '<', 188},  {'-', '_', 189}, {'.', '>', 190},  {'/', '?', 191},
    {'`', '~', 192}, {'[', '{', 219}, {'\\', '|', 220}, {']', '}', 221}, {'\'', '"', 222},
};

// Shift with the digit keys 0..9.
constexpr const char* kShiftedDigits = ")!@#$%^&*(";

} // namespace

int app::jsKeyCodeOfCharacter(unsigned char character)
{
    switch (character) {
    case 8:  // Backspace
    case 9:  // Tab
    case 13: // Enter
    case 27: // Esc
    case ' ':
        return character;
    case 127:
        return 46; // Delete
    default:
        break;
    }
    if (character >= 'a' && character <= 'z')
        return character - 'a' + 'A';
    if ((character >= 'A' && character <= 'Z') || (character >= '0' && character <= '9'))
        return character;
    if (character >= 1 && character <= 26)
        return character - 1 + 'A'; // Ctrl with a letter
    if (character != 0) {
        if (const char* digit = std::strchr(kShiftedDigits, character))
            return '0' + static_cast<int>(digit - kShiftedDigits);
    }
    for (const PunctuationKey& key : kPunctuation)
        if (character == static_cast<unsigned char>(key.plain) || character == static_cast<unsigned char>(key.shifted))
            return key.code;
    return 0;
}

int app::jsKeyCodeOfSpecial(int key)
{
    if (key >= GLUT_KEY_F1 && key <= GLUT_KEY_F12)
        return 112 + key - GLUT_KEY_F1;
    switch (key) {
    case GLUT_KEY_LEFT:
        return 37;
    case GLUT_KEY_UP:
        return 38;
    case GLUT_KEY_RIGHT:
        return 39;
    case GLUT_KEY_DOWN:
        return 40;
    case GLUT_KEY_PAGE_UP:
        return 33;
    case GLUT_KEY_PAGE_DOWN:
        return 34;
    case GLUT_KEY_END:
        return 35;
    case GLUT_KEY_HOME:
        return 36;
    case GLUT_KEY_INSERT:
        return 45;
    case GLUT_KEY_DELETE:
        return 46;
    case GLUT_KEY_BEGIN:
        return 12; // the keypad's 5 without Num Lock
    case GLUT_KEY_NUM_LOCK:
        return 144;
    case GLUT_KEY_SHIFT_L:
    case GLUT_KEY_SHIFT_R:
        return 16;
    case GLUT_KEY_CTRL_L:
    case GLUT_KEY_CTRL_R:
        return 17;
    case GLUT_KEY_ALT_L:
    case GLUT_KEY_ALT_R:
        return 18;
    case GLUT_KEY_SUPER_L:
        return 91;
    case GLUT_KEY_SUPER_R:
        return 92;
    default:
        return 0;
    }
}
