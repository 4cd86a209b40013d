// video_writer.h — writing rendered frames to a video file through ffmpeg.
//
// Pixels are given as 0x00RRGGBB, rows top-down, as for the PNG writer. The
// container follows the file name: ".mp4" (H.264), ".webm" (VP9) or ".gif"
// (one palette of 128 colours made for the whole clip, looping). Frames are
// piped raw to the `ffmpeg` found on PATH; sizes are rounded down to even
// ones for the video codecs.
//
// The file appears whole or not at all. ffmpeg writes a hidden temporary file
// beside it, created here and handed over open (as /proc/self/fd/N, so no
// name of the caller's ever reaches ffmpeg's command line), and it is renamed
// into place only when ffmpeg ended well having taken every frame. ffmpeg's
// log and a GIF's palette live in unlinked files under $TMPDIR (or /tmp), a
// GIF's frames in one beside the file. A GIF is made in two passes that keep memory bounded: the frames go
// losslessly (FFV1) into a temporary file while the palette is gathered, then
// a second ffmpeg maps them onto that palette.
//
// An ffmpeg that takes no frames, or does no work while finishing, for
// VEXLAR_ENCODER_TIMEOUT_S seconds (default 20) is killed and the write fails.
#pragma once

#include <sys/types.h>

#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

// Whether the file name asks for a video (one of the endings above, in any case).
bool IsVideoFileName(const std::string& path);

// The ffmpeg executable found on PATH; empty when there is none.
std::string FindFfmpeg();

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter() { Discard(); }
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Once *flag is non-zero (a signal handler sets it), writing and waiting
    // stop early and the file is not written.
    void StopWhen(const volatile std::sig_atomic_t* flag) { stop_ = flag; }
    // Creates the temporary file beside `path` and starts ffmpeg on it at
    // `fps` frames a second. "" on success, else what failed (with the
    // system's reason when the folder cannot take a file).
    std::string Open(const std::string& path, int width, int height, double fps);
    // False when ffmpeg stopped taking frames (or a stop was asked); Close
    // then says why.
    bool WriteFrame(const uint32_t* pixels);
    // Ends the stream, waits for ffmpeg and puts the file in place. "" when
    // the file was written, else what failed (the system's reason where it
    // can be told, and ffmpeg's last words). Nothing is left behind on failure.
    std::string Close();
    // Kills ffmpeg and removes the temporary files.
    void Discard();

private:
    bool Stopped() const { return stop_ && *stop_ != 0; }
    bool Spawn(std::vector<std::string> args, int input, const std::vector<int>& files);
    void Kill();
    std::string WaitForEncoder(int* status);
    std::string Outcome(int status, long long expected) const;
    std::string Finish();
    std::string Failure(const std::string& reason) const;
    std::string Stalled() const;

    const volatile std::sig_atomic_t* stop_ = nullptr;
    double timeoutS_ = 20.0;
    pid_t child_ = -1;
    int pipe_ = -1;
    int width_ = 0;
    int height_ = 0;
    int64_t frames_ = 0;   // frames given to ffmpeg, the last perhaps not whole
    bool gif_ = false;
    std::string ffmpeg_;
    std::string path_;
    std::string tempPath_;  // the temporary file beside path_, while it is ours
    int target_ = -1;       // it, open
    int log_ = -1;          // ffmpeg's stderr (unlinked)
    int progress_ = -1;     // ffmpeg's -progress reports (unlinked)
    int frameStore_ = -1;   // a GIF's lossless frames (unlinked)
    int palette_ = -1;      // a GIF's palette (unlinked)
    std::string failure_;   // why writing stopped, once it has
};
