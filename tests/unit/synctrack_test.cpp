// The track tool: the text form, writing track files, and the synctrack
// program itself (run from the build directory).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "CapturedConsole.h"
#include "ScratchDir.h"
#include "TestFiles.h"
#include "ToolRunner.h"
#include "sync/device.h"
#include "sync/track_text.h"

namespace {

uint32_t bitsOf(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return u;
}

// Runs the built synctrack with `args` (already quoted for the shell).
ToolRun runSynctrack(const std::string& args)
{
    return runTool("synctrack", args);
}

class SyncTrackTool : public testing::Test {
protected:
    void SetUp() override
    {
        if (!toolsAvailable())
            GTEST_SKIP() << "DEMOPLAYER_BINARY_DIR is not set (run through ctest)";
    }
    ScratchDir dir;
};

} // namespace

TEST(SyncTrackText, ParsesKeysCommentsBlankLinesAndBothTypeSpellings)
{
    std::string text =
        "# speed of the tunnel\n"
        "\n"
        "  -4 0 step\n"
        "10\t1.5 linear   # ease out\r\n"
        "20 -2e-3 2\n"
        "30 7 ramp"; // no newline at the end
    std::vector<SyncKey> keys;
    SyncTextError error;
    ASSERT_TRUE(sync_parse_text(text, keys, error)) << error.line << ": " << error.message;
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_EQ(keys[0].row, -4);
    EXPECT_EQ(keys[0].type, SYNC_STEP);
    EXPECT_EQ(keys[1].value, 1.5f);
    EXPECT_EQ(keys[1].type, SYNC_LINEAR);
    EXPECT_EQ(keys[2].value, -2e-3f);
    EXPECT_EQ(keys[2].type, SYNC_SMOOTH);
    EXPECT_EQ(keys[3].row, 30);
    EXPECT_EQ(keys[3].type, SYNC_RAMP);

    EXPECT_TRUE(sync_parse_text("# nothing but a comment\n\n", keys, error));
    EXPECT_TRUE(keys.empty());
}

TEST(SyncTrackText, ErrorsNameTheLineAndTheProblem)
{
    struct Case {
        std::string text;
        int line;
        std::string message;
    };
    const Case cases[] = {
        {"0 0 step\n# c\n5 1 linear\n5 2 linear\n", 4, "rows must increase"},
        {"9 0 step\n3 1 step\n", 2, "rows must increase"},
        {"0 0\n", 1, "expected a key: row value type"},
        {"0 0 step extra\n", 1, "unexpected \"extra\" after the type"},
        {"1.5 0 step\n", 1, "row must be a whole number, not \"1.5\""},
        {"3000000000 0 step\n", 1, "row 3000000000 is outside -2147483648..2147483647"},
        {"\n\n0 fast step\n", 3, "value must be a number, not \"fast\""},
        {"0 1e39 step\n", 1, "value 1e39 is outside the float range"},
        {"0 nan:0x3f800000 step\n", 1, "value nan:0x3f800000 is not the bit pattern of a NaN"},
        {"0 1 cubic\n", 1, "type must be step, linear, smooth, ramp or a number -128..127, not \"cubic\""},
        {"0 1 128\n", 1, "type must be step, linear, smooth, ramp or a number -128..127, not \"128\""},
        {"0 1 Linear\n", 1, "type must be step, linear, smooth, ramp or a number -128..127, not \"Linear\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::vector<SyncKey> keys;
        SyncTextError error;
        EXPECT_FALSE(sync_parse_text(c.text, keys, error));
        EXPECT_EQ(error.line, c.line);
        EXPECT_EQ(error.message, c.message);
    }
}

TEST(SyncTrackText, EveryFiniteFloatReadsBackToTheSameBits)
{
    std::vector<float> values = {0.0f,
                                 -0.0f,
                                 0.1f,
                                 1.0f / 3.0f,
                                 16777217.0f,
                                 std::numeric_limits<float>::max(),
                                 std::numeric_limits<float>::lowest(),
                                 std::numeric_limits<float>::min(),
                                 std::numeric_limits<float>::denorm_min(),
                                 -std::numeric_limits<float>::denorm_min()};
    std::mt19937 random(12345);
    while (values.size() < 200000) {
        uint32_t bits = random();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (std::isfinite(v))
            values.push_back(v);
    }
    for (float v : values) {
        std::string text = sync_format_float(v);
        ASSERT_LE(text.size(), 15u);
        ASSERT_EQ(bitsOf(std::strtof(text.c_str(), nullptr)), bitsOf(v)) << text;
    }
}

TEST(SyncTrackText, FormattedKeysParseBackUnchanged)
{
    const SyncKey keys[] = {
        {-100, -0.0f, SYNC_STEP}, {0, 0.1f, SYNC_LINEAR}, {7, 1e-40f, SYNC_SMOOTH}, {2147483647, 3.4e38f, SYNC_RAMP}};
    std::string text = sync_format_text(keys, 4);
    EXPECT_EQ(text, "-100 -0 step\n0 0.100000001 linear\n7 9.9999461e-41 smooth\n2147483647 3.39999995e+38 ramp\n");

    std::vector<SyncKey> parsed;
    SyncTextError error;
    ASSERT_TRUE(sync_parse_text(text, parsed, error)) << error.message;
    ASSERT_EQ(parsed.size(), 4u);
    for (size_t i = 0; i < parsed.size(); ++i) {
        EXPECT_EQ(parsed[i].row, keys[i].row);
        EXPECT_EQ(bitsOf(parsed[i].value), bitsOf(keys[i].value));
        EXPECT_EQ(parsed[i].type, keys[i].type);
    }

    // A type without a name (from a file made elsewhere) shows as its number.
    const SyncKey odd{5, 1.0f, -3};
    EXPECT_EQ(sync_format_text(&odd, 1), "5 1 -3\n");
}

TEST(SyncTrackText, KeysThePlayerAcceptsButCannotInterpolateSurviveDecodeAndEncode)
{
    // Every value and type byte a file can hold: NaNs with payloads and
    // signs, infinities, and types outside 0..3.
    const uint32_t nanBits[] = {0x7fc00000u, 0x7fc00001u, 0xffc00000u, 0x7f800001u};
    std::vector<SyncKey> keys;
    int32_t row = -3;
    for (uint32_t bits : nanBits) {
        SyncKey key;
        key.row = row++;
        std::memcpy(&key.value, &bits, sizeof key.value);
        key.type = SYNC_LINEAR;
        keys.push_back(key);
    }
    keys.push_back({row++, std::numeric_limits<float>::infinity(), -128});
    keys.push_back({row++, -std::numeric_limits<float>::infinity(), 127});
    keys.push_back({row++, 0.5f, 4});
    const std::vector<unsigned char> bytes = sync_encode_keys(keys.data(), static_cast<int32_t>(keys.size()));

    const std::string text = sync_format_text(keys.data(), static_cast<int32_t>(keys.size()));
    EXPECT_EQ(text,
              "-3 nan linear\n-2 nan:0x7fc00001 linear\n-1 nan:0xffc00000 linear\n0 nan:0x7f800001 linear\n"
              "1 inf -128\n2 -inf 127\n3 0.5 4\n");
    std::vector<SyncKey> parsed;
    SyncTextError error;
    ASSERT_TRUE(sync_parse_text(text, parsed, error)) << error.line << ": " << error.message;
    EXPECT_EQ(sync_encode_keys(parsed.data(), static_cast<int32_t>(parsed.size())), bytes);
}

TEST(SyncTrackFile, EncodesLittleEndianKeysTheReaderAccepts)
{
    const SyncKey keys[] = {{1, 1.0f, SYNC_SMOOTH}, {-2, -2.0f, -1}};
    std::vector<unsigned char> bytes = sync_encode_keys(keys, 1);
    const std::vector<unsigned char> oneKey = {0x01, 0, 0, 0, 0x01, 0, 0, 0, 0x00, 0x00, 0x80, 0x3f, 0x02};
    EXPECT_EQ(bytes, oneKey);

    bytes = sync_encode_keys(keys, 0);
    EXPECT_EQ(bytes, std::vector<unsigned char>(4, 0));

    const SyncKey sorted[] = {keys[1], keys[0]};
    bytes = sync_encode_keys(sorted, 2);
    SyncTrack track;
    CapturedConsole console;
    ASSERT_EQ(sync_parse_keys(&track, bytes.data(), bytes.size(), "mem", console.sink), SYNC_LOAD_OK);
    ASSERT_EQ(track.key_count, 2);
    EXPECT_EQ(track.keys[0].row, -2);
    EXPECT_EQ(track.keys[0].type, -1);
    EXPECT_EQ(track.keys[1].value, 1.0f);
}

TEST(SyncTrackFile, WritingReplacesTheFileWholeAndLeavesNothingElse)
{
    ScratchDir dir;
    std::string path = dir.write("sync_x.track", std::string("old"));
    const SyncKey key{3, 0.5f, SYNC_LINEAR};
    std::string error;
    ASSERT_TRUE(sync_write_track(path.c_str(), &key, 1, error)) << error;
    EXPECT_EQ(dir.read("sync_x.track").size(), 13u);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"sync_x.track"});

    // The target cannot be replaced (it is a directory): refused, and the
    // temporary file is gone again.
    std::string blocked = dir.file("blocked.track");
    ASSERT_TRUE(std::filesystem::create_directory(blocked));
    EXPECT_FALSE(sync_write_track(blocked.c_str(), &key, 1, error));
    EXPECT_NE(error.find("cannot replace it"), std::string::npos) << error;
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"blocked.track", "sync_x.track"}));

    EXPECT_FALSE(sync_write_track(dir.file("no/such/dir.track").c_str(), &key, 1, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
}

TEST_F(SyncTrackTool, EncodeThenDecodeRoundTrips)
{
    std::string text = dir.write("keys.txt", std::string("# comment\n0 0 step\n10 0.1 2\n\n20 -1.25 ramp\n"));
    std::string track = dir.file("sync_speed.track");
    ToolRun encode = runSynctrack("encode " + shellQuoted(text) + " " + shellQuoted(track));
    ASSERT_EQ(encode.status, 0) << encode.err;
    EXPECT_EQ(encode.out, "");
    EXPECT_EQ(encode.err, "");

    ToolRun decode = runSynctrack("decode " + shellQuoted(track));
    ASSERT_EQ(decode.status, 0) << decode.err;
    EXPECT_EQ(decode.out, "0 0 step\n10 0.100000001 smooth\n20 -1.25 ramp\n");

    // The decoded text encodes to the same bytes.
    std::string again = dir.file("again.track");
    dir.write("decoded.txt", decode.out);
    ASSERT_EQ(runSynctrack("encode " + shellQuoted(dir.file("decoded.txt")) + " " + shellQuoted(again)).status, 0);
    EXPECT_EQ(dir.read("again.track"), dir.read("sync_speed.track"));
}

TEST_F(SyncTrackTool, KeysThatAreNotValidAreFlaggedByBothWaysAndStillRoundTrip)
{
    const uint32_t payloadNan = 0x7fc00123u;
    SyncKey keys[] = {{0, 0.0f, 5}, {4, 0.0f, SYNC_LINEAR}};
    std::memcpy(&keys[1].value, &payloadNan, sizeof payloadNan);
    std::string error;
    std::string track = dir.file("sync_odd.track");
    ASSERT_TRUE(sync_write_track(track.c_str(), keys, 2, error)) << error;

    ToolRun decode = runSynctrack("decode " + shellQuoted(track));
    ASSERT_EQ(decode.status, 0) << decode.err;
    EXPECT_EQ(decode.out, "0 0 5\n4 nan:0x7fc00123 linear\n");
    EXPECT_EQ(decode.err, track +
                              ": key 0 at row 0: type 5 is not step, linear, smooth or ramp (0..3) (and 1 more "
                              "invalid key); the track is played as it is\n");

    std::string text = dir.write("decoded.txt", decode.out);
    std::string again = dir.file("again.track");
    ToolRun encode = runSynctrack("encode " + shellQuoted(text) + " " + shellQuoted(again));
    ASSERT_EQ(encode.status, 0) << encode.err;
    EXPECT_NE(encode.err.find(text + ": key 0 at row 0: type 5"), std::string::npos) << encode.err;
    EXPECT_EQ(dir.read("again.track"), dir.read("sync_odd.track"));
}

TEST_F(SyncTrackTool, EncodeErrorNamesFileAndLineAndKeepsTheOldOutput)
{
    std::string text = dir.write("speed.txt", std::string("0 0 step\n5 1 linear\n\n# back in time\n4 2 step\n"));
    std::string track = dir.write("sync_speed.track", std::string("previous contents"));

    ToolRun run = runSynctrack("encode " + shellQuoted(text) + " " + shellQuoted(track));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, text + ":5: rows must increase\n");
    EXPECT_EQ(dir.read("sync_speed.track"), "previous contents");
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"speed.txt", "sync_speed.track"}));

    run = runSynctrack("encode " + shellQuoted(dir.file("missing.txt")) + " " + shellQuoted(track));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, dir.file("missing.txt") + ": cannot read: No such file or directory\n");
}

TEST_F(SyncTrackTool, ValuePrintsOneLinePerRow)
{
    const SyncKey keys[] = {{10, 1.0f, SYNC_LINEAR}, {20, 3.0f, SYNC_STEP}};
    std::string error;
    std::string track = dir.file("sync_a.track");
    ASSERT_TRUE(sync_write_track(track.c_str(), keys, 2, error)) << error;

    ToolRun run = runSynctrack("value " + shellQuoted(track) + " 9.5 10.5 15 20.0 -1e9");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "1\n1.10000002\n2\n3\n1\n");

    run = runSynctrack("value " + shellQuoted(track) + " 10 ten");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "") << "nothing is printed when a row is not a number";
    EXPECT_EQ(run.err, "synctrack: not a row: \"ten\"\n");
}

TEST_F(SyncTrackTool, CorruptOrMissingTrackFilesFail)
{
    std::string corrupt = dir.write("sync_bad.track", std::string("\x0c\0\0\0", 4));
    ToolRun run = runSynctrack("decode " + shellQuoted(corrupt));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, corrupt + ": announces 12 keys but holds 0\n");

    std::string missing = dir.file("sync_none.track");
    run = runSynctrack("value " + shellQuoted(missing) + " 1");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, missing + ": cannot open: No such file or directory\n");
}

TEST_F(SyncTrackTool, HelpAndUsage)
{
    ToolRun help = runSynctrack("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: synctrack encode", 0), 0u) << help.out;
    EXPECT_EQ(help.err, "");

    const std::pair<const char*, const char*> wrongs[] = {
        {"", "no command given"},
        {"encode only-one.txt", "encode needs a text and a track file, or a folder of texts and an output folder"},
        {"decode", "decode needs one track file"},
        {"value file.track", "value needs a track file and at least one row"},
        {"frobnicate x", "unknown command \"frobnicate\""},
    };
    for (const auto& wrong : wrongs) {
        ToolRun run = runSynctrack(wrong.first);
        EXPECT_EQ(run.status, 2) << wrong.first;
        EXPECT_EQ(run.out, "") << wrong.first;
        EXPECT_EQ(run.err, std::string("synctrack: ") + wrong.second + "\n" + help.out) << wrong.first;
    }
}

TEST_F(SyncTrackTool, EncodeDirectoryGoesOnPastABrokenTextAndSkipsWhatIsUpToDate)
{
    ScratchDir out;
    dir.write("fade.txt", std::string("0 0 linear\n10 1 step\n"));
    dir.write("speed.txt", std::string("0 1 step\n5 x step\n"));
    dir.write("spin.txt", std::string("0 2 step\n"));
    dir.write("notes.md", std::string("not a track"));

    ToolRun run = runSynctrack("encode " + shellQuoted(dir.path()) + " " + shellQuoted(out.path()));
    EXPECT_EQ(run.status, 1) << "one text failed";
    EXPECT_EQ(run.err, dir.file("speed.txt") + ":2: value must be a number, not \"x\"\n");
    EXPECT_EQ(out.list(), (std::vector<std::string>{"sync_fade.track", "sync_spin.track"}));
    EXPECT_NE(run.out.find("2 encoded, 0 up to date, 1 failed"), std::string::npos) << run.out;

    // Mended, only the broken one is encoded again, whatever the times say;
    // check names the texts that differ; --all encodes every one.
    dir.write("speed.txt", std::string("0 1 step\n5 3 step\n"));
    testsupport::setFileTime(dir.file("fade.txt"), 2000000000);
    testsupport::setFileTime(dir.file("spin.txt"), 2000000000);
    run = runSynctrack("check " + shellQuoted(dir.path()) + " " + shellQuoted(out.path()));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, dir.file("speed.txt") + ": has no " + out.file("sync_speed.track") + "\n");
    run = runSynctrack("encode " + shellQuoted(dir.path()) + " " + shellQuoted(out.path()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("1 encoded, 2 up to date, 0 failed"), std::string::npos) << run.out;
    EXPECT_EQ(runSynctrack("check " + shellQuoted(dir.path()) + " " + shellQuoted(out.path())).status, 0);
    run = runSynctrack("encode --all " + shellQuoted(dir.path()) + " " + shellQuoted(out.path()));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("3 encoded, 0 up to date, 0 failed"), std::string::npos) << run.out;

    run = runSynctrack("encode " + shellQuoted(dir.path()) + " " + shellQuoted(dir.file("fade.txt")));
    EXPECT_EQ(run.status, 1) << "the output must be a directory";
}
