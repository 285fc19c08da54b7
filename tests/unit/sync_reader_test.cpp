// Reading track files: what is accepted, and how a malformed file is
// rejected (an empty track and one warning naming the file).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "CapturedConsole.h"
#include "ScratchDir.h"
#include "sync/device.h"

namespace {

// Track file bytes written out by hand, independent of the tool's encoder.
class TrackBytes {
public:
    TrackBytes& count(int32_t n) { return put32(static_cast<uint32_t>(n)); }
    TrackBytes& key(int32_t row, float value, int8_t type)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        put32(static_cast<uint32_t>(row)).put32(bits);
        bytes_ += static_cast<char>(type);
        return *this;
    }
    TrackBytes& raw(const std::string& more)
    {
        bytes_ += more;
        return *this;
    }
    const std::string& str() const { return bytes_; }

private:
    TrackBytes& put32(uint32_t v)
    {
        for (int shift = 0; shift < 32; shift += 8)
            bytes_ += static_cast<char>((v >> shift) & 0xff);
        return *this;
    }
    std::string bytes_;
};

struct LoadOutcome {
    SyncLoadResult result;
    std::string warning; // every warning the reader wrote
};

LoadOutcome load(SyncTrack& track, const std::string& path)
{
    CapturedConsole console;
    SyncLoadResult result = sync_load_keys(&track, path.c_str(), console.sink);
    return {result, console.takeErr()};
}

} // namespace

TEST(SyncReader, ReadsKeysInFileOrderAndIgnoresTrailingBytes)
{
    ScratchDir dir;
    float negative_zero = -0.0f;
    std::string path = dir.write("sync_a.track", TrackBytes()
                                                     .count(3)
                                                     .key(-5, 1.5f, 1)
                                                     .key(0, negative_zero, 3)
                                                     .key(70000, 2.0e-45f, -1) // subnormal, type 0xff
                                                     .raw("trailing junk")
                                                     .str());
    SyncTrack track;
    LoadOutcome outcome = load(track, path);
    ASSERT_EQ(outcome.result, SYNC_LOAD_OK);
    // Kept as written, but a person hears of the key that reads 0.
    EXPECT_EQ(outcome.warning,
              path +
                  ": key 2 at row 70000: type -1 is not step, linear, smooth or ramp (0..3); the track is "
                  "played as it is\n");
    ASSERT_EQ(track.key_count, 3);
    EXPECT_EQ(track.keys[0].row, -5);
    EXPECT_EQ(track.keys[0].value, 1.5f);
    EXPECT_EQ(track.keys[0].type, 1);
    EXPECT_TRUE(std::signbit(track.keys[1].value));
    EXPECT_EQ(track.keys[1].type, 3);
    EXPECT_EQ(track.keys[2].row, 70000);
    EXPECT_EQ(track.keys[2].value, 2.0e-45f);
    EXPECT_EQ(track.keys[2].type, -1); // the type byte is signed
}

TEST(SyncReader, MissingFileAndZeroCountGiveAnEmptyTrack)
{
    ScratchDir dir;
    SyncTrack missing;
    LoadOutcome outcome = load(missing, dir.file("sync_none.track"));
    EXPECT_EQ(outcome.result, SYNC_LOAD_MISSING);
    EXPECT_EQ(outcome.warning, "") << "a missing file is normal and stays silent";
    EXPECT_EQ(missing.key_count, 0);

    SyncTrack zero;
    outcome = load(zero, dir.write("sync_zero.track", TrackBytes().count(0).str()));
    EXPECT_EQ(outcome.result, SYNC_LOAD_OK);
    EXPECT_EQ(zero.key_count, 0);
    EXPECT_EQ(sync_track_value(&zero, 12.5), 0.0f);
}

TEST(SyncReader, RejectsFilesThatDoNotHoldTheirKeys)
{
    struct Case {
        const char* what;
        std::string bytes;
        std::string problem;
    };
    std::string threeKeys = TrackBytes().key(1, 1, 0).key(2, 2, 0).key(3, 3, 0).str();
    const Case cases[] = {
        {"empty file", "", "too short to hold a key count"},
        {"half a count", std::string("\x01\x00", 2), "too short to hold a key count"},
        {"short by nine keys", TrackBytes().count(12).raw(threeKeys).str(), "announces 12 keys but holds 3"},
        {"last key cut off", TrackBytes().count(1).raw("\x01\x00\x00\x00\x00").str(), "announces 1 keys but holds 0"},
        {"negative count", TrackBytes().count(-1).raw(threeKeys).str(), "negative key count -1"},
        // Two billion keys would be 18 GB: refused by the count alone.
        {"count beyond any demo", TrackBytes().count(2000000000).raw(threeKeys).str(),
         "announces 2000000000 keys; a track holds at most 16777216"},
        {"largest count, short file", TrackBytes().count(16777216).raw(threeKeys).str(),
         "announces 16777216 keys but holds 3"},
        {"repeated row", TrackBytes().count(2).key(4, 0, 0).key(4, 1, 0).str(),
         "rows must increase (key 1 at row 4 follows row 4)"},
        {"falling row", TrackBytes().count(3).key(1, 0, 0).key(9, 0, 0).key(-2, 0, 0).str(),
         "rows must increase (key 2 at row -2 follows row 9)"},
    };
    ScratchDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = dir.write("sync_bad.track", c.bytes);
        SyncTrack track;
        LoadOutcome outcome = load(track, path);
        EXPECT_EQ(outcome.result, SYNC_LOAD_REJECTED);
        EXPECT_EQ(outcome.warning, path + ": " + c.problem + "\n");
        EXPECT_EQ(track.key_count, 0);
        EXPECT_EQ(track.keys, nullptr);
    }
}

TEST(SyncReader, RejectsWhatCannotBeReadWithItsReason)
{
    // A device never ends: read by its count, it could fill gigabytes.
    ScratchDir dir;
    std::vector<std::pair<std::string, std::string>> cases = {
        {dir.path(), "is a directory"},
    };
#if !defined(_WIN32)
    const std::string loop = dir.file("sync_loop.track");
    ASSERT_EQ(symlink(loop.c_str(), loop.c_str()), 0);
    cases.push_back({"/dev/zero", "is a device"});
    cases.push_back({loop, "cannot open: Too many levels of symbolic links"});
#endif
    for (const auto& [path, problem] : cases) {
        SCOPED_TRACE(path);
        SyncTrack track;
        LoadOutcome outcome = load(track, path);
        EXPECT_EQ(outcome.result, SYNC_LOAD_REJECTED);
        EXPECT_EQ(outcome.warning, path + ": " + problem + "\n");
        EXPECT_EQ(track.key_count, 0);
    }
}

TEST(SyncReader, ValuesThatAreNotFiniteAreKeptWithOneLinePerTrack)
{
    ScratchDir dir;
    const float infinity = std::numeric_limits<float>::infinity();
    std::string path = dir.write(
        "sync_odd.track", TrackBytes().count(3).key(0, std::nanf(""), 1).key(5, -infinity, 9).key(9, 1.0f, 0).str());
    SyncTrack track;
    LoadOutcome outcome = load(track, path);
    ASSERT_EQ(outcome.result, SYNC_LOAD_OK);
    EXPECT_EQ(outcome.warning, path +
                                   ": key 0 at row 0: value nan is not a finite number (and 1 more invalid key); "
                                   "the track is played as it is\n");
    ASSERT_EQ(track.key_count, 3);
    EXPECT_TRUE(std::isinf(track.keys[1].value));
    EXPECT_EQ(track.keys[1].type, 9);
}

TEST(SyncReader, InMemoryBytesFollowTheSameRules)
{
    std::string good = TrackBytes().count(2).key(0, 1, 1).key(8, 3, 0).str();
    const auto* bytes = reinterpret_cast<const unsigned char*>(good.data());

    SyncTrack track;
    CapturedConsole console;
    EXPECT_EQ(sync_parse_keys(&track, bytes, good.size(), "mem", console.sink), SYNC_LOAD_OK);
    ASSERT_EQ(track.key_count, 2);
    EXPECT_EQ(sync_track_value(&track, 4.0), 2.0f);

    // One byte short: rejected, and the track keeps what it had.
    EXPECT_EQ(sync_parse_keys(&track, bytes, good.size() - 1, "mem", console.sink), SYNC_LOAD_REJECTED);
    EXPECT_EQ(console.takeErr(), "mem: announces 2 keys but holds 1\n");
    EXPECT_EQ(track.key_count, 2);
}
