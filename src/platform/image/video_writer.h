// video_writer.h — writing rendered frames to a video file through ffmpeg.
//
// Pixels are given as 0x00RRGGBB, rows top-down, as for the PNG writer. The
// container follows the file name: ".mp4" (H.264), ".webm" (VP9) or ".gif"
// (one palette of 128 colours made for the whole clip, looping). Frames are piped raw to the
// `ffmpeg` found on PATH, which writes the file; sizes are rounded down to
// even ones for the video codecs.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

// Whether the file name asks for a video (one of the endings above, in any case).
bool IsVideoFileName(const std::string& path);

// The ffmpeg executable found on PATH; empty when there is none.
std::string FindFfmpeg();

class VideoWriter {
public:
    VideoWriter() = default;
    ~VideoWriter();
    VideoWriter(const VideoWriter&) = delete;
    VideoWriter& operator=(const VideoWriter&) = delete;

    // Starts ffmpeg writing `path` at `fps` frames a second. "" on success,
    // else what failed.
    std::string Open(const std::string& path, int width, int height, double fps);
    // False when ffmpeg stopped taking frames.
    bool WriteFrame(const uint32_t* pixels);
    // Ends the stream and waits for ffmpeg. "" when the file was written,
    // else what failed (ffmpeg's own last words included).
    std::string Close();

private:
    pid_t child_ = -1;
    int pipe_ = -1;
    int width_ = 0;
    int height_ = 0;
    std::string path_;
    std::string errorLog_;
};
