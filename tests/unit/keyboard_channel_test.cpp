// The keyboard channel: the toolkit's keys become the JavaScript key codes
// the sites index their texture by, the texture holds, presses and toggles
// as the sites' does, the player's own keys never reach it, and an export
// says once that no key reaches it there.
#include <gtest/gtest.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "CapturedConsole.h"
#include "app/AppState.h"
#include "app/KeyCodes.h"
#include "app/Keyboard.h"
#include "app/MistakeWarnings.h"
#include "render/KeyboardTexture.h"
#include "render/Scene.h"

TEST(KeyCodes, CharactersAreTheirKeysCodeWhateverShiftOrCtrlMadeOfThem)
{
    EXPECT_EQ(app::jsKeyCodeOfCharacter('w'), 87);
    EXPECT_EQ(app::jsKeyCodeOfCharacter('W'), 87);
    EXPECT_EQ(app::jsKeyCodeOfCharacter(23), 87) << "Ctrl+W";
    EXPECT_EQ(app::jsKeyCodeOfCharacter('0'), 48);
    EXPECT_EQ(app::jsKeyCodeOfCharacter('9'), 57);
    EXPECT_EQ(app::jsKeyCodeOfCharacter('!'), 49) << "Shift+1";
    EXPECT_EQ(app::jsKeyCodeOfCharacter(')'), 48) << "Shift+0";
    EXPECT_EQ(app::jsKeyCodeOfCharacter(' '), 32);
    EXPECT_EQ(app::jsKeyCodeOfCharacter(13), 13) << "Enter";
    EXPECT_EQ(app::jsKeyCodeOfCharacter(9), 9) << "Tab";
    EXPECT_EQ(app::jsKeyCodeOfCharacter(27), 27) << "Esc";
    EXPECT_EQ(app::jsKeyCodeOfCharacter(127), 46) << "Delete";
    EXPECT_EQ(app::jsKeyCodeOfCharacter('-'), 189);
    EXPECT_EQ(app::jsKeyCodeOfCharacter('_'), 189);
    EXPECT_EQ(app::jsKeyCodeOfCharacter('"'), 222);
    EXPECT_EQ(app::jsKeyCodeOfCharacter(0xE9), 0) << "a character no US key types";

    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_LEFT), 37);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_UP), 38);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_RIGHT), 39);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_DOWN), 40);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_F1), 112);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_F12), 123);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_SHIFT_R), 16);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(GLUT_KEY_HOME), 36);
    EXPECT_EQ(app::jsKeyCodeOfSpecial(0x5000), 0);
}

TEST(KeyboardTexture, HoldsPressesOnceAFrameAndTogglesAtEachPress)
{
    using Row = KeyboardTexture::Row;
    KeyboardTexture keys;
    keys.press(65);
    keys.press(65); // the system's auto-repeat
    EXPECT_EQ(keys.texel(65, Row::Held), 255);
    EXPECT_EQ(keys.texel(65, Row::Pressed), 255);
    EXPECT_EQ(keys.texel(65, Row::Toggled), 255);
    keys.endFrame();
    EXPECT_EQ(keys.texel(65, Row::Pressed), 0) << "pressed in one frame only";
    keys.press(65);
    EXPECT_EQ(keys.texel(65, Row::Pressed), 0) << "a repeat while held is no new press";
    EXPECT_EQ(keys.texel(65, Row::Toggled), 255);

    keys.release(65);
    EXPECT_EQ(keys.texel(65, Row::Held), 0);
    keys.press(65);
    keys.release(65);
    EXPECT_EQ(keys.texel(65, Row::Pressed), 255) << "down and up between two frames still shows in the next";
    EXPECT_EQ(keys.texel(65, Row::Toggled), 0) << "the second press toggles back";
    EXPECT_EQ(keys.texel(66, Row::Held), 0) << "other keys stay up";

    keys.press(0);
    keys.press(256);
    keys.press(-3);
    EXPECT_EQ(keys.texel(0, Row::Held), 0) << "no key code, no key";
    EXPECT_EQ(keys.texel(256, Row::Held), 0);
}

TEST(KeyboardTexture, ThePlayersOwnKeysNeverReachTheChannel)
{
    CapturedConsole console;
    AppState run(console.sink);
    using Row = KeyboardTexture::Row;
    app::onKeyboard(run, 'w');
    app::onKeyboard(run, 'a'); // seeks back
    app::onKeyboard(run, ' '); // pauses or plays
    app::onSpecialKey(run, GLUT_KEY_LEFT);
    EXPECT_EQ(run.keyboard.texel(87, Row::Held), 255);
    EXPECT_EQ(run.keyboard.texel(37, Row::Held), 255) << "the arrows are not the player's keys";
    EXPECT_EQ(run.keyboard.texel(65, Row::Held), 0) << "a seeks";
    EXPECT_EQ(run.keyboard.texel(32, Row::Held), 0) << "space pauses";
    app::onKeyboardUp(run, 'W');
    app::onSpecialKeyUp(run, GLUT_KEY_LEFT);
    EXPECT_EQ(run.keyboard.texel(87, Row::Held), 0) << "released, whatever Shift did meanwhile";
    EXPECT_EQ(run.keyboard.texel(37, Row::Held), 0);
}

TEST(KeyboardTexture, AnExportSaysOnceWhichChannelReadsNoKeys)
{
    PassSettings plain;
    PassSettings keyboard;
    keyboard.hasChannels = true;
    keyboard.channels = {{PassChannel::Source::Pass, 0}, {PassChannel::Source::Keyboard, 0}};
    keyboard.entryPath = "scenes[1].shader_order[1]";
    std::vector<Scene> scenes(3);
    scenes[0].addShader(DemoShader("a.vsh", "a.fsh"), plain);
    EXPECT_EQ(app::keyboardInExportNote(scenes), "");
    scenes[1].addShader(DemoShader("a.vsh", "a.fsh"), plain);
    scenes[1].addShader(DemoShader("a.vsh", "a.fsh"), keyboard);
    EXPECT_EQ(app::keyboardInExportNote(scenes),
              "demo.json: scenes[1].shader_order[1].channels[1]: \"keyboard\" reads no key in an export: every key "
              "stays up (all zero)");
    keyboard.entryPath = "scenes[2].shader_order[0]";
    scenes[2].addShader(DemoShader("a.vsh", "a.fsh"), keyboard);
    scenes[2].addShader(DemoShader("a.vsh", "a.fsh"), keyboard);
    EXPECT_NE(app::keyboardInExportNote(scenes).find("scenes[1].shader_order[1].channels[1]: \"keyboard\""),
              std::string::npos);
    EXPECT_NE(app::keyboardInExportNote(scenes).find("; so do 2 more keyboard channels"), std::string::npos);
}
