// Exporter: offline clock, readback, encoder thread and output files.
#include "export/Exporter.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

#include "export/EncoderPool.h"
#include "export/ExportProgress.h"
#include "export/ExportVerdict.h"
#include "export/ExportTarget.h"
#include "export/FrameQueue.h"
#include "export/FrameReadback.h"
#include "export/ImageSequenceWriter.h"
#include "export/VideoExport.h"
#include "platform/gl_context.h"
#include "timeline/OfflineClock.h"
#include "timeline/TuneRangeReader.h"

// Frames between the renderer and the encoder: enough to ride out an uneven
// frame, few enough that a 4K export stays in the low hundreds of megabytes.
static const size_t kQueuedFrames = 4;

static ExportResult problemResult(ExportStatus status, const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    ExportResult result;
    result.status = status;
    result.message = message;
    return result;
}

// Wall-clock seconds since `start`, for the progress line.
static double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

static std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", seconds);
    return text;
}

// The usage problem of `settings` for `target`, or "" when there is none.
static std::string usageProblem(const ExportSettings& settings, const ExportTarget& target)
{
    if (settings.width < 1 || settings.height < 1)
        return "the size must be at least 1x1";
    if (target.isVideo() && (settings.width % 2 != 0 || settings.height % 2 != 0))
        return "video needs an even width and height (" + std::to_string(settings.width) + "x" +
               std::to_string(settings.height) + " is not)";
    if (settings.fps < 1 || settings.fps > kMaxExportFps)
        return "frames per second must be 1 to " + std::to_string(kMaxExportFps);
    if (settings.crf < 0 || settings.crf > kMaxExportCrf)
        return "the quality (crf) must be 0 to " + std::to_string(kMaxExportCrf);
    if (!std::isfinite(settings.startSeconds) || !std::isfinite(settings.endSeconds) || settings.startSeconds < 0.0)
        return "the range must start at 0 s or later";
    if (Exporter::frameCount(settings.startSeconds, settings.endSeconds, settings.fps) == 0)
        return "the range is empty: it must end after it starts";

    return platform_gl_size_problem(settings.width, settings.height);
}

// The writer for `target`, open; null with `problem` set when it cannot be opened.
static std::unique_ptr<FrameSink> openSink(const ExportSettings& s, const ExportTarget& target,
                                           const ExportSound& sound, std::string& problem)
{
    if (target.isVideo()) {
        VideoSettings video;
        video.kind = target.kind();
        video.width = s.width;
        video.height = s.height;
        video.fps = s.fps;
        video.crf = s.crf;
        video.preset = s.preset;
        return exporting::openVideoExport(s.output, video, sound, problem);
    }
    // Images are numbered on the whole demo's frame count.
    const uint64_t firstNumber = static_cast<uint64_t>(std::llround(s.startSeconds * s.fps));
    auto writer = std::make_unique<ImageSequenceWriter>();
    if (!writer->open(target, s.width, s.height, firstNumber, sound, problem))
        return nullptr;
    return writer;
}

// Removes the folders an export made (when they are empty again).
static void removeFolders(const std::vector<std::filesystem::path>& made)
{
    std::error_code ignored;
    for (const std::filesystem::path& folder : made)
        std::filesystem::remove(folder, ignored);
}

// Makes the folders of `path` that do not exist yet and lists them, deepest
// first, in `made`. False with `problem` set when one cannot be made.
static bool makeFolders(const std::string& path, std::vector<std::filesystem::path>& made, std::string& problem)
{
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::vector<std::filesystem::path> missing;
    std::error_code error;
    while (!folder.empty() && !std::filesystem::exists(folder, error)) {
        missing.push_back(folder);
        folder = folder.parent_path();
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (!std::filesystem::create_directory(*it, error)) {
            problem = "cannot make the folder " + it->string() + ": " + error.message();
            removeFolders(made);
            return false;
        }
        made.insert(made.begin(), *it);
    }
    return true;
}

// "1.5 MB", "820 kB"
static std::string sizeText(uint64_t bytes)
{
    char text[32];
    if (bytes >= 1024ull * 1024 * 1024)
        std::snprintf(text, sizeof text, "%.2f GB", static_cast<double>(bytes) / (1024.0 * 1024 * 1024));
    else if (bytes >= 1024ull * 1024)
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024.0 * 1024));
    else
        std::snprintf(text, sizeof text, "%.0f kB", static_cast<double>(bytes) / 1024.0);
    return text;
}

// The bytes of the files a finished export of `frames` frames wrote (with
// `sound`: beside an image sequence, its WAV file).
static uint64_t exportBytes(const ExportSettings& s, const ExportTarget& target, uint64_t frames, bool sound)
{
    std::error_code error;
    if (target.isVideo()) {
        const uintmax_t size = std::filesystem::file_size(s.output, error);
        return error ? 0 : size;
    }
    const uint64_t first = static_cast<uint64_t>(std::llround(s.startSeconds * s.fps));
    uint64_t bytes = 0;
    for (uint64_t k = 0; k < frames; ++k) {
        const uintmax_t size = std::filesystem::file_size(target.framePath(first + k), error);
        bytes += error ? 0 : size;
    }
    if (sound) {
        const uintmax_t size = std::filesystem::file_size(target.soundPath(), error);
        bytes += error ? 0 : size;
    }
    return bytes;
}

uint64_t Exporter::frameCount(double startSeconds, double endSeconds, int fps)
{
    if (!(endSeconds > startSeconds) || fps < 1)
        return 0;
    // A hair below whole numbers: a range of exactly N frames in seconds
    // that rounding pushed a little above N still has N.
    return static_cast<uint64_t>(std::ceil((endSeconds - startSeconds) * fps - 1e-6));
}

bool Exporter::readOutput(const std::string& output, ExportTarget& target, std::string& problem)
{
    if (!target.parse(output, problem))
        return false;
    problem = exporting::videoExportProblem(target);
    return problem.empty();
}

Exporter::Exporter(ExportSettings settings) : settings_(std::move(settings)) {}

ExportResult Exporter::run(const ExportRenderFunction& render)
{
    const ExportSettings& s = settings_;
    ExportTarget target;
    std::string problem;
    if (!readOutput(s.output, target, problem))
        return problemResult(ExportStatus::UsageError, s.output + ": " + problem);
    problem = usageProblem(s, target);
    if (!problem.empty())
        return problemResult(ExportStatus::UsageError, s.output + ": " + problem);

    // The music: the spectrum on this thread, the sound on the encoder's.
    OfflineClock ownTune;
    OfflineClock& clock = s.openTune != nullptr ? *s.openTune : ownTune;
    ExportSound sound;
    if (!s.tunePath.empty()) {
        if (s.openTune == nullptr && !clock.open(s.tunePath.c_str(), problem))
            return problemResult(ExportStatus::Failed, s.output + ": " + s.tunePath + ": cannot play the music: " +
                                                           problem + "; nothing was written");
        const int rate = clock.sampleRate();
        const uint64_t firstFrame = TuneRangeReader::frameAt(s.startSeconds, rate);
        const uint64_t endFrame = TuneRangeReader::frameAt(s.endSeconds, rate);
        if (endFrame > clock.tuneFrames())
            return problemResult(ExportStatus::UsageError,
                                 s.output + ": the range ends at " + secondsText(s.endSeconds) +
                                     ", after the end of the tune at " + secondsText(clock.tuneSeconds()));
        if (s.sound)
            sound = ExportSound{s.tunePath, firstFrame, endFrame, s.endsTheDemo};
    }

    // OUT's folders are made as needed, and taken away again if the export fails.
    std::vector<std::filesystem::path> madeFolders;
    if (!makeFolders(s.output, madeFolders, problem))
        return problemResult(ExportStatus::Failed, s.output + ": " + problem);
    std::unique_ptr<FrameSink> sink = openSink(s, target, sound, problem);
    if (!sink) {
        removeFolders(madeFolders);
        return problemResult(ExportStatus::Failed, s.output + ": " + problem);
    }
    const auto started = std::chrono::steady_clock::now();
    const ExportResult result = renderAndEncode(*sink, clock, render);
    sink.reset();
    if (result.status != ExportStatus::Done) {
        removeFolders(madeFolders);
        return result;
    }
    if (s.progressStream != nullptr) {
        // The closing account: what was written, how much and how long it took.
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        const std::string soundText = sound.tunePath.empty() ? " without sound"
                                      : target.isVideo()     ? " with sound"
                                                             : " and " + target.soundPath();
        std::fprintf(s.progressStream, "%s: written, %llu frames (%s at %d fps)%s, %s in %s\n", s.output.c_str(),
                     static_cast<unsigned long long>(result.frames),
                     secondsText(static_cast<double>(result.frames) / s.fps).c_str(), s.fps, soundText.c_str(),
                     sizeText(exportBytes(s, target, result.frames, !sound.tunePath.empty())).c_str(),
                     ExportProgress::clockText(seconds).c_str());
    }
    return result;
}

ExportResult Exporter::renderAndEncode(FrameSink& sink, OfflineClock& clock, const ExportRenderFunction& render)
{
    const ExportSettings& s = settings_;
    FrameReadback readback;
    if (!readback.open(s.width, s.height)) {
        sink.discard();
        return problemResult(ExportStatus::Failed, s.output +
                                                       ": the GL implementation refuses "
                                                       "the readback buffers");
    }
    const int workers = std::max(1, sink.concurrentFrames());
    FrameQueue queue(kQueuedFrames + static_cast<size_t>(workers) - 1, readback.frameBytes());
    EncoderPool encoders(queue, sink, workers);
    const uint64_t warmUp = s.warmUpFrames.size();
    ExportProgress progress(s.progressStream, s.progressOnTerminal,
                            warmUp + frameCount(s.startSeconds, s.endSeconds, s.fps), warmUp);
    const auto started = std::chrono::steady_clock::now();
    ExportRunFacts facts = renderFrames(readback, queue, clock, render, progress, started);
    encoders.finish();
    readback.close();
    facts.framesWritten = encoders.framesWritten();
    facts.sinkProblem = encoders.problem();

    if (s.progressStream != nullptr)
        progress.finish(facts.warmUpDrawn + facts.framesWritten, secondsSince(started));
    ExportVerdict verdict = exporting::exportVerdict(facts);
    if (verdict.status == ExportStatus::Done && !sink.finish(verdict.problem))
        verdict.status = ExportStatus::Failed;
    if (verdict.status != ExportStatus::Done) {
        sink.discard();
        ExportResult result = problemResult(verdict.status, s.output + ": " + verdict.problem);
        result.frames = facts.framesWritten;
        return result;
    }
    ExportResult result;
    result.frames = facts.framesWritten;
    return result;
}

ExportRunFacts Exporter::renderFrames(FrameReadback& readback, FrameQueue& queue, OfflineClock& clock,
                                      const ExportRenderFunction& render, ExportProgress& progress,
                                      std::chrono::steady_clock::time_point started)
{
    const ExportSettings& s = settings_;
    ExportRunFacts facts;
    facts.framesWanted = frameCount(s.startSeconds, s.endSeconds, s.fps);

    // Moves the oldest read-back frame into the queue; false when the encoder
    // has failed or the readback did.
    uint64_t handedOver = 0;
    auto handOldest = [&] {
        FrameQueue::Frame frame;
        if (!queue.takeEmpty(frame))
            return false;
        if (!readback.collect(frame.pixels.data())) {
            facts.readbackFailed = true;
            queue.giveBack(std::move(frame));
            return false;
        }
        frame.index = handedOver++;
        queue.push(std::move(frame));
        return true;
    };

    std::vector<float> spectrum(OfflineClock::kSpectrumBins, 0.0f);
    bool stopped = false;
    // The warm-up: drawn as the range's frames are, then left in the framebuffer.
    for (uint64_t k = 0; k < s.warmUpFrames.size(); ++k) {
        if (s.cancelRequested && s.cancelRequested()) {
            facts.cancelled = true;
            return facts;
        }
        ExportFrame frame;
        frame.index = k;
        frame.demoFrame = s.warmUpFrames[k];
        frame.seconds = static_cast<double>(frame.demoFrame) / s.fps;
        frame.warmUp = true;
        clock.spectrumAt(frame.seconds, spectrum.data());
        frame.spectrum = spectrum.data();
        render(frame);
        if (s.drawFailed && s.drawFailed()) {
            facts.drawFailed = true;
            return facts;
        }
        facts.warmUpDrawn = k + 1;
        if (s.progressStream != nullptr)
            progress.update(facts.warmUpDrawn, secondsSince(started));
    }
    const uint64_t firstDemoFrame = static_cast<uint64_t>(std::llround(s.startSeconds * s.fps));
    for (uint64_t k = 0; k < facts.framesWanted; ++k) {
        if (s.cancelRequested && s.cancelRequested()) {
            facts.cancelled = true;
            break;
        }
        ExportFrame frame;
        frame.index = k;
        frame.demoFrame = firstDemoFrame + k;
        frame.seconds = s.startSeconds + static_cast<double>(k) / s.fps;
        clock.spectrumAt(frame.seconds, spectrum.data());
        frame.spectrum = spectrum.data();
        render(frame);
        if (s.drawFailed && s.drawFailed()) {
            facts.drawFailed = stopped = true;
            break;
        }

        glBindFramebuffer(GL_READ_FRAMEBUFFER, s.sourceFramebuffer);
        if (readback.full() && !handOldest()) {
            stopped = true;
            break;
        }
        readback.start();
        if (s.progressStream != nullptr)
            progress.update(facts.warmUpDrawn + k + 1, secondsSince(started));
    }
    while (!facts.cancelled && !stopped && readback.pending() > 0)
        stopped = !handOldest();
    return facts;
}
