// The track editor's model without GL: cursor and selection, key edits,
// blocks, row shifts, undo and redo, the player's tracks fed at once, text
// tracks written back with their comments, and the editor's files.
#include <algorithm>
#include <cmath>
#include <filesystem>

#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "editor/EditorFiles.h"
#include "editor/TextTrackDocument.h"
#include "editor/TrackEditor.h"
#include "sync/device.h"
#include "sync/track.h"
#include "sync/track_text.h"

namespace {

// An editor over three tracks "a", "b", "c" (added out of order), rows 0..99.
class TrackEditing : public testing::Test {
protected:
    void SetUp() override
    {
        editor.addTrack("c", &c);
        editor.addTrack("a", &a);
        editor.addTrack("b", &b);
        editor.setLastRow(99);
    }

    // The rows of column `column`'s keys, as "row:value:type ...".
    std::string keys(size_t column) const
    {
        std::string text;
        for (const EditorKey& key : editor.column(column).keys) {
            char item[64];
            std::snprintf(item, sizeof item, "%s%d:%g:%d", text.empty() ? "" : " ", static_cast<int>(key.key.row),
                          static_cast<double>(key.key.value), static_cast<int>(key.key.type));
            text += item;
        }
        return text;
    }

    void setAt(int row, long long column, float value)
    {
        editor.setCursor(row, column, false);
        ASSERT_TRUE(editor.setKey(value));
    }

    SyncTrack a, b, c;
    TrackEditor editor;
};

} // namespace

TEST_F(TrackEditing, ColumnsByNameAndTheCursorStaysInside)
{
    EXPECT_EQ(editor.column(0).name, "a");
    EXPECT_EQ(editor.column(2).name, "c");
    editor.moveCursor(-5, -9, false);
    EXPECT_EQ(editor.cursorRow(), 0);
    EXPECT_EQ(editor.cursorColumn(), 0u);
    editor.moveCursor(500, 7, false);
    EXPECT_EQ(editor.cursorRow(), 99);
    EXPECT_EQ(editor.cursorColumn(), 2u);
    // A track added later takes its place by name; the cursor stays on its track.
    SyncTrack bb;
    editor.addTrack("bb", &bb);
    EXPECT_EQ(editor.column(editor.cursorColumn()).name, "c");
    EXPECT_EQ(editor.findColumn("bb"), 2);
}

TEST_F(TrackEditing, KeysAreSetTypedDeletedAndCycledAndThePlayerSeesThemAtOnce)
{
    editor.setCursor(10, 0, false);
    for (char ch : std::string("-1.5e1"))
        EXPECT_TRUE(editor.typeCharacter(ch));
    EXPECT_FALSE(editor.typeCharacter('x'));
    ASSERT_TRUE(editor.enterTyped());
    EXPECT_FALSE(editor.isTyping());
    EXPECT_EQ(keys(0), "10:-15:0"); // a new key is a step
    EXPECT_FLOAT_EQ(sync_track_value(&a, 50.0), -15.0f);

    // '.' alone is not a number being typed (it is the beat key).
    EXPECT_FALSE(editor.typeCharacter('.'));

    setAt(20, 0, 5.0f);
    editor.setCursor(10, 0, false);
    EXPECT_TRUE(editor.cycleInterpolation());
    EXPECT_TRUE(editor.setKey(-5.0f)); // an existing key keeps its type
    EXPECT_EQ(keys(0), "10:-5:1 20:5:0");
    EXPECT_FLOAT_EQ(sync_track_value(&a, 15.0), 0.0f);
    for (int i = 0; i < 3; ++i)
        editor.cycleInterpolation();
    EXPECT_EQ(keys(0), "10:-5:0 20:5:0"); // ... ramp -> step

    EXPECT_TRUE(editor.deleteKey());
    EXPECT_FALSE(editor.deleteKey()); // nothing there any more
    EXPECT_FALSE(editor.cycleInterpolation());
    EXPECT_EQ(keys(0), "20:5:0");
    EXPECT_EQ(a.key_count, 1);
    EXPECT_TRUE(editor.column(0).unsaved);
    EXPECT_TRUE(!editor.column(1).unsaved);
}

TEST_F(TrackEditing, BlocksCopyCutAndPasteAcrossTracks)
{
    setAt(4, 0, 1.0f);
    setAt(6, 0, 2.0f);
    setAt(5, 1, 3.0f);
    setAt(9, 1, 4.0f); // outside the block
    editor.setCursor(4, 0, false);
    editor.moveCursor(3, 1, true); // rows 4..7, columns a..b
    EXPECT_TRUE(editor.hasSelection());
    editor.copy();

    // Pasted two columns further right, only one column fits: "c".
    editor.setCursor(50, 2, false);
    EXPECT_TRUE(editor.paste());
    EXPECT_EQ(keys(2), "50:1:0 52:2:0");

    // Pasting replaces the keys under the block's rows, and only those.
    setAt(41, 1, 9.0f);
    setAt(44, 1, 9.0f);
    editor.setCursor(40, 0, false);
    EXPECT_TRUE(editor.paste());
    EXPECT_EQ(keys(0), "4:1:0 6:2:0 40:1:0 42:2:0");
    EXPECT_EQ(keys(1), "5:3:0 9:4:0 41:3:0 44:9:0");

    editor.setCursor(4, 0, false);
    editor.moveCursor(5, 1, true);
    EXPECT_TRUE(editor.cut());
    EXPECT_EQ(keys(0), "40:1:0 42:2:0");
    EXPECT_EQ(keys(1), "41:3:0 44:9:0");
    editor.setCursor(0, 1, false);
    EXPECT_TRUE(editor.paste());
    EXPECT_EQ(keys(1), "0:1:0 2:2:0 41:3:0 44:9:0");
    EXPECT_EQ(keys(2), "1:3:0 5:4:0 50:1:0 52:2:0");
}

TEST_F(TrackEditing, RowsShiftDownAndUpBelowTheCursorInItsTrackOnly)
{
    setAt(2, 0, 1.0f);
    setAt(5, 0, 2.0f);
    setAt(8, 0, 3.0f);
    setAt(5, 1, 7.0f);
    editor.setCursor(5, 0, false);
    EXPECT_TRUE(editor.insertRow());
    EXPECT_EQ(keys(0), "2:1:0 6:2:0 9:3:0");
    EXPECT_TRUE(editor.deleteRow()); // row 5 holds no key now: the keys below move up
    EXPECT_TRUE(editor.deleteRow()); // and now the key at row 5 goes
    EXPECT_EQ(keys(0), "2:1:0 7:3:0");
    EXPECT_EQ(keys(1), "5:7:0");
}

TEST_F(TrackEditing, UndoAndRedoEveryEditInOrderWithTheCursor)
{
    setAt(1, 0, 1.0f);
    setAt(2, 1, 2.0f);
    editor.setCursor(1, 0, false);
    editor.insertRow();
    editor.setCursor(0, 0, false);
    editor.moveCursor(5, 1, true);
    editor.cut();
    const std::string a0 = keys(0), b0 = keys(1);
    EXPECT_EQ(a0 + "|" + b0, "|");
    EXPECT_EQ(editor.undoCount(), 4u);

    EXPECT_TRUE(editor.undo()); // the cut
    EXPECT_EQ(keys(0) + "|" + keys(1), "2:1:0|2:2:0");
    EXPECT_EQ(editor.cursorRow(), 5); // where the cut was made
    EXPECT_TRUE(editor.undo());       // the row shift
    EXPECT_TRUE(editor.undo());
    EXPECT_TRUE(editor.undo());
    EXPECT_FALSE(editor.undo());
    EXPECT_EQ(keys(0) + "|" + keys(1), "|");
    EXPECT_EQ(a.key_count, 0);

    EXPECT_TRUE(editor.redo());
    EXPECT_TRUE(editor.redo());
    EXPECT_EQ(keys(0) + "|" + keys(1), "1:1:0|2:2:0");
    EXPECT_FLOAT_EQ(sync_track_value(&b, 3.0), 2.0f);
    // A new edit ends what could be redone.
    editor.setCursor(9, 2, false);
    editor.setKey(3.0f);
    EXPECT_FALSE(editor.redo());
    EXPECT_EQ(editor.undoCount(), 3u);
}

TEST_F(TrackEditing, ADragMovesOneKeyAndUndoesAsOneEdit)
{
    setAt(10, 0, 1.0f);
    setAt(12, 0, 2.0f);
    setAt(14, 0, 3.0f);
    // Over the key at 12 to 16: the key at 12 stays when the drag goes on.
    EXPECT_TRUE(editor.dragKey(0, 10, 12, 5.0f, 7));
    EXPECT_EQ(keys(0), "12:5:0 14:3:0");
    EXPECT_TRUE(editor.dragKey(0, 10, 16, 6.0f, 7));
    EXPECT_EQ(keys(0), "12:2:0 14:3:0 16:6:0");
    EXPECT_EQ(editor.undoCount(), 4u);
    editor.undo();
    EXPECT_EQ(keys(0), "10:1:0 12:2:0 14:3:0");
}

TEST_F(TrackEditing, AReadOnlyColumnRefusesEditsAndLoadsKeepTheHistory)
{
    editor.column(1).readOnlyError = "tracks/b.txt:3: rows must increase";
    editor.setCursor(0, 1, false);
    EXPECT_FALSE(editor.setKey(1.0f));
    setAt(3, 0, 1.0f);
    setAt(3, 2, 0.0f);
    editor.setCursor(3, 0, false);
    editor.moveCursor(0, 2, true);
    editor.copy();
    editor.setCursor(0, 0, false);
    EXPECT_TRUE(editor.paste()); // into a and c, not b
    EXPECT_EQ(keys(1), "");
    EXPECT_EQ(keys(2), "0:0:0 3:0:0");

    // A load starts no history; an outside edit is one more step of it and is not unsaved.
    editor.column(2).unsaved = false;
    editor.replaceKeys(2, {{{7, 7.0f, SYNC_LINEAR}, "", 0}}, true);
    EXPECT_EQ(keys(2), "7:7:1");
    EXPECT_FALSE(editor.column(2).unsaved);
    EXPECT_FLOAT_EQ(sync_track_value(&c, 0.0), 7.0f);
    editor.undo();
    EXPECT_EQ(keys(2), "0:0:0 3:0:0");
    EXPECT_TRUE(editor.column(2).unsaved);
}

TEST(TextTrackDocument, WritesKeysBackKeepingCommentsBlankLinesAndLayout)
{
    const std::string text =
        "# row  value  type\n"
        "0      0      linear\n"
        "\n"
        "# the drop\n"
        "40     1.5    smooth   # ease into it\r\n"
        "80     0.25   step\n"
        "# end\n";
    TextTrackDocument document;
    uint32_t nextId = 1;
    std::vector<EditorKey> keys;
    SyncTextError error;
    ASSERT_TRUE(document.parse(text, nextId, keys, error)) << error.message;
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[1].comment, "   # ease into it");

    // Unchanged, the text comes back as it was (with "\r\n" line ends throughout).
    TextTrackDocument same = document;
    std::string crlf = text;
    for (size_t at = 0; (at = crlf.find('\n', at)) != std::string::npos; at += 2)
        if (at == 0 || crlf[at - 1] != '\r')
            crlf.insert(at, "\r");
    EXPECT_EQ(same.write(keys), crlf);

    // The key at 40 moves to 50 with its comment; the first key goes; new
    // keys go after the key before them, or first.
    keys[1].key.row = 50;
    keys.erase(keys.begin());
    keys.insert(keys.begin(), EditorKey{{-5, 2.0f, SYNC_STEP}, "", nextId++});
    keys.insert(keys.begin() + 2, EditorKey{{60, 1.0f, SYNC_RAMP}, "", nextId++});
    keys.push_back({{90, 3.0f, SYNC_STEP}, "  # last", nextId++});
    std::string written = document.write(keys);
    EXPECT_EQ(written,
              "# row  value  type\r\n"
              "\r\n"
              "# the drop\r\n"
              "-5 2 step\r\n"
              "50 1.5 smooth   # ease into it\r\n"
              "60 1 ramp\r\n"
              "80     0.25   step\r\n"
              "90 3 step  # last\r\n"
              "# end\r\n");
    std::vector<SyncKey> reread;
    ASSERT_TRUE(sync_parse_text(written, reread, error));
    EXPECT_EQ(reread.size(), keys.size());
    EXPECT_EQ(document.write(keys), written);
}

namespace {

// Runs a test inside a scratch demo folder, where tracks/ and the binaries are.
class EditorFileTest : public testing::Test {
protected:
    void SetUp() override
    {
        previous = std::filesystem::current_path();
        std::filesystem::current_path(dir.path());
    }
    void TearDown() override { std::filesystem::current_path(previous); }

    std::string binaryText(const std::string& name)
    {
        SyncTrack track;
        if (sync_load_keys(&track, EditorFiles::trackPath(name).c_str()) != SYNC_LOAD_OK)
            return "unreadable";
        return sync_format_text(track.keys.get(), track.key_count);
    }

    ScratchDir dir;
    std::filesystem::path previous;
    SyncTrack level;
    TrackEditor editor;
    EditorFiles files;
};

} // namespace

TEST_F(EditorFileTest, EditsAreWrittenToBothFilesAndOutsideEditsComeBackAsOneStep)
{
    std::filesystem::create_directory(dir.file("tracks"));
    dir.write("tracks/level.txt", "# level\n0 0 step # start\n");
    editor.setLastRow(100);
    editor.addTrack("level", &level);
    files.load(editor, 0);
    EXPECT_EQ(level.key_count, 1);

    // Not written before the interval has passed, then within it.
    editor.setCursor(4, 0, false);
    editor.setKey(2.0f);
    EXPECT_TRUE(files.save(editor, 10.0, false));
    EXPECT_FALSE(files.save(editor, 10.1, false)) << "saved again too soon";
    EXPECT_EQ(dir.read("tracks/level.txt"), "# level\n0 0 step # start\n4 2 step\n");
    EXPECT_EQ(binaryText("level"), "0 0 step\n4 2 step\n");
    EXPECT_FALSE(editor.column(0).unsaved);

    // The editor's own file is not read back; another program's is, as an edit.
    EXPECT_FALSE(files.reload(editor, 0));
    dir.write("tracks/level.txt", "0 5 linear\n");
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_FLOAT_EQ(sync_track_value(&level, 50.0), 5.0f);
    EXPECT_FALSE(editor.column(0).unsaved);
    editor.undo();
    EXPECT_TRUE(files.save(editor, 20.0, true));
    EXPECT_EQ(dir.read("tracks/level.txt"), "0 0 step # start\n4 2 step\n");

    // A text that does not parse leaves the keys and makes the column read-only.
    dir.write("tracks/level.txt", "0 1 step\n-1 0 step\n");
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_EQ(editor.column(0).readOnlyError, "tracks/level.txt:2: rows must increase");
    EXPECT_EQ(level.key_count, 2);
    EXPECT_FALSE(editor.setKey(1.0f));
    dir.write("tracks/level.txt", "0 1 step\n");
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_EQ(editor.column(0).readOnlyError, "");
    EXPECT_EQ(level.key_count, 1);
}

TEST_F(EditorFileTest, AFileThatCannotBeWrittenKeepsItsEditsUntilItCan)
{
    editor.setLastRow(100);
    editor.addTrack("level", &level);
    files.load(editor, 0);
    dir.write("tracks", "not a folder");
    editor.setKey(3.0f);
    testing::internal::CaptureStderr();
    EXPECT_FALSE(files.save(editor, 1.0, true));
    EXPECT_FALSE(files.save(editor, 2.0, true));
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 1) << "said once: " << warnings;
    EXPECT_EQ(warnings.rfind("tracks/level.txt: ", 0), 0u) << warnings;
    EXPECT_TRUE(editor.column(0).unsaved);
    EXPECT_NE(editor.column(0).saveProblem, "");

    std::filesystem::remove(dir.file("tracks"));
    EXPECT_TRUE(files.save(editor, 3.0, false));
    EXPECT_EQ(dir.read("tracks/level.txt"), "0 3 step\n");
    EXPECT_EQ(editor.column(0).saveProblem, "");
}

TEST_F(EditorFileTest, TheTextTrackIsTheSourceAndItsBinaryFollowsIt)
{
    std::filesystem::create_directory(dir.file("tracks"));
    // A run ended between the text's write and the binary's: the text wins.
    dir.write("tracks/level.txt", "0 0 step\n");
    const SyncKey stale{0, 0.75f, SYNC_STEP};
    std::string problem;
    ASSERT_TRUE(sync_write_track(EditorFiles::trackPath("level").c_str(), &stale, 1, problem)) << problem;
    editor.setLastRow(100);
    editor.addTrack("level", &level);
    files.load(editor, 0);
    EXPECT_TRUE(files.save(editor, 1.0, false));
    EXPECT_EQ(binaryText("level"), "0 0 step\n");

    // Another program's save reaches the binary; the text is left as it saved it.
    const std::string outside = "0 0.25 step # theirs\n40 0.5 linear\n";
    dir.write("tracks/level.txt", outside);
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_TRUE(files.save(editor, 2.0, false));
    EXPECT_EQ(binaryText("level"), "0 0.25 step\n40 0.5 linear\n");
    EXPECT_EQ(dir.read("tracks/level.txt"), outside);

    // One that does not parse leaves the binary as it was.
    dir.write("tracks/level.txt", "0 1 step\nx\n");
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_TRUE(files.save(editor, 3.0, false));
    EXPECT_EQ(binaryText("level"), "0 0.25 step\n40 0.5 linear\n");
}

TEST_F(EditorFileTest, ABinaryTrackWithoutTextIsReadAgainWhenSavedOutside)
{
    SyncTrack other;
    editor.setLastRow(100);
    editor.addTrack("other", &other);
    files.load(editor, 0);
    EXPECT_FALSE(files.reloadBinary(editor, 0)) << "no file, nothing new";

    const SyncKey keys[] = {{0, 1.0f, SYNC_LINEAR}, {8, 2.0f, SYNC_STEP}};
    std::string problem;
    ASSERT_TRUE(sync_write_track(EditorFiles::trackPath("other").c_str(), keys, 2, problem)) << problem;
    EXPECT_TRUE(files.reloadBinary(editor, 0));
    EXPECT_FALSE(files.reloadBinary(editor, 0)) << "the same keys are no new step";
    EXPECT_FLOAT_EQ(sync_track_value(&other, 4.0), 1.5f);
    EXPECT_TRUE(editor.undo());
    EXPECT_EQ(other.key_count, 0);

    // Once the editor has written its text, that text is the source.
    editor.setKey(3.0f);
    EXPECT_TRUE(files.save(editor, 1.0, true));
    ASSERT_TRUE(sync_write_track(EditorFiles::trackPath("other").c_str(), keys, 2, problem)) << problem;
    EXPECT_FALSE(files.reloadBinary(editor, 0));
}

TEST_F(TrackEditing, SeveralKeysDragAsOneEditAndEscTakesTheDragBack)
{
    setAt(0, 0, 1.0f);
    setAt(8, 0, 2.0f);
    setAt(4, 1, 5.0f);
    setAt(10, 0, 9.0f); // passed over, it stays
    const size_t before = editor.undoCount();
    const std::vector<TrackEditor::KeyMove> step1{{0, 0, 2, 1.5f}, {0, 8, 10, 2.5f}, {1, 4, 6, 5.5f}};
    ASSERT_TRUE(editor.dragKeys(step1, 7));
    const std::vector<TrackEditor::KeyMove> step2{{0, 0, 4, 1.0f}, {0, 8, 12, 2.0f}, {1, 4, 8, 5.0f}};
    ASSERT_TRUE(editor.dragKeys(step2, 7));
    EXPECT_EQ(keys(0), "4:1:0 10:9:0 12:2:0");
    EXPECT_EQ(keys(1), "8:5:0");
    EXPECT_EQ(editor.undoCount(), before + 1) << "the steps of one drag are one edit";
    EXPECT_EQ(editor.lastDone(), "drag of 4 keys in a, b");

    EXPECT_TRUE(editor.cancelGesture(7));
    EXPECT_EQ(keys(0), "0:1:0 8:2:0 10:9:0");
    EXPECT_EQ(keys(1), "4:5:0");
    EXPECT_EQ(editor.undoCount(), before);
    EXPECT_FALSE(editor.cancelGesture(7));
}

TEST_F(EditorFileTest, ValuesThatAreNoNumberAndHugeMistakesAreRefusedInALineThatFits)
{
    std::filesystem::create_directory(dir.file("tracks"));
    dir.write("tracks/level.txt", "0 0 step\n4 nan step\n");
    editor.setLastRow(100);
    editor.addTrack("level", &level);
    files.load(editor, 0);
    EXPECT_EQ(
        editor.column(0).readOnlyError.rfind("tracks/level.txt: key 1 at row 4: value nan is not a finite number", 0),
        0u)
        << editor.column(0).readOnlyError;
    EXPECT_FALSE(editor.setKey(1.0f));

    dir.write("tracks/level.txt", "0 " + std::string(1 << 20, 'x') + " step\n");
    EXPECT_TRUE(files.reload(editor, 0));
    const std::string& error = editor.column(0).readOnlyError;
    EXPECT_LT(error.size(), 140u) << "a megabyte of junk quoted whole";
    EXPECT_EQ(error.rfind("tracks/level.txt:1: value must be a number, not \"xxx", 0), 0u) << error;
    EXPECT_NE(error.find("...\""), std::string::npos) << error;

    dir.write("tracks/level.txt", "0 1 step\n");
    EXPECT_TRUE(files.reload(editor, 0));
    EXPECT_EQ(editor.column(0).readOnlyError, "");
}
