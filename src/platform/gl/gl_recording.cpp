// gl_recording.cpp — a frame's batches recorded and replayed: the replay
// draws the same triangles with the same programs, states and textures, but
// from vertex and index buffers uploaded once, with one GL draw per run of
// equal state and no texture uploads, conversions or device work in
// between. Its frame time is the frame's fill bound on this GL.
#define GL_GLEXT_PROTOTYPES 1
#include "platform/gl/gl_renderer.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <chrono>
#include <cmath>
#include <cstddef>
#include <vector>

#include "platform/ddraw/ddraw_surface.h"
#include "platform/gl/gl_shaders.h"

namespace platform::gl {
namespace {

// The area in target pixels of a triangle given in clip coordinates, as far
// as it lies inside the viewport; 0 when any corner is behind the eye (such
// triangles are rare and small here).
double TriangleArea(const GpuVertex& a, const GpuVertex& b, const GpuVertex& c, const int32_t viewport[4]) {
    if (a.pos[3] <= 0.0f || b.pos[3] <= 0.0f || c.pos[3] <= 0.0f) return 0.0;
    struct P {
        double x, y;
    };
    std::vector<P> polygon;
    for (const GpuVertex* v : {&a, &b, &c}) polygon.push_back(P{v->pos[0] / v->pos[3], v->pos[1] / v->pos[3]});
    // Clipped against each side of the square [-1, 1] in turn.
    for (int side = 0; side < 4 && !polygon.empty(); ++side) {
        auto inside = [&](const P& p) {
            const double value = side < 2 ? p.x : p.y;
            return side % 2 == 0 ? value >= -1.0 : value <= 1.0;
        };
        auto cross = [&](const P& p, const P& q) {
            const double bound = side % 2 == 0 ? -1.0 : 1.0;
            const double pv = side < 2 ? p.x : p.y, qv = side < 2 ? q.x : q.y;
            const double t = (bound - pv) / (qv - pv);
            return P{p.x + t * (q.x - p.x), p.y + t * (q.y - p.y)};
        };
        std::vector<P> kept;
        for (size_t i = 0; i < polygon.size(); ++i) {
            const P& p = polygon[i];
            const P& q = polygon[(i + 1) % polygon.size()];
            if (inside(p)) kept.push_back(p);
            if (inside(p) != inside(q)) kept.push_back(cross(p, q));
        }
        polygon = std::move(kept);
    }
    double twice = 0.0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const P& p = polygon[i];
        const P& q = polygon[(i + 1) % polygon.size()];
        twice += p.x * q.y - q.x * p.y;
    }
    return std::fabs(twice) * 0.5 * (0.5 * viewport[2]) * (0.5 * viewport[3]);
}

}  // namespace

void GlRenderer::Record(DrawRecording* recording) {
    if (vertexCount_) Flush();
    recording_ = recording;
}

void GlRenderer::RecordBatch(int vertexCount, int indexCount) {
    DrawRecording& r = *recording_;
    DrawRecording::Op op;
    op.state = pending_;
    op.firstVertex = static_cast<uint32_t>(r.vertices.size());
    op.vertexCount = static_cast<uint32_t>(vertexCount);
    op.firstIndex = static_cast<uint32_t>(r.indices.size());
    op.indexCount = static_cast<uint32_t>(indexCount);
    r.vertices.insert(r.vertices.end(), vertices_.get(), vertices_.get() + vertexCount);
    for (int i = 0; i < indexCount; ++i) r.indices.push_back(op.firstVertex + indices_[static_cast<size_t>(i)]);
    r.ops.push_back(op);
}

bool GlRenderer::Replay(const DrawRecording& recording, int frames, ReplayFigures* figures) {
    if (!Activate() || recording.vertices.empty()) return false;
    if (vertexCount_) Flush();
    DrawRecording* wasRecording = recording_;
    recording_ = nullptr;

    // Runs of batches of equal state, each one draw over contiguous indices.
    struct Run {
        const DrawRecording::Op* op;
        uint32_t indexCount;
    };
    std::vector<Run> runs;
    double shadedPixels = 0.0;
    for (const DrawRecording::Op& op : recording.ops) {
        if (!op.clear && op.state.primitive == GL_TRIANGLES) {
            const uint32_t* index = recording.indices.data() + op.firstIndex;
            for (uint32_t i = 0; i + 2 < op.indexCount; i += 3) {
                shadedPixels += TriangleArea(recording.vertices[index[i]], recording.vertices[index[i + 1]],
                                             recording.vertices[index[i + 2]], op.state.viewport);
            }
        }
        if (!op.clear && !runs.empty() && !runs.back().op->clear && SameState(runs.back().op->state, op.state) &&
            runs.back().op->firstIndex + runs.back().indexCount == op.firstIndex) {
            runs.back().indexCount += op.indexCount;
            continue;
        }
        runs.push_back(Run{&op, op.indexCount});
    }

    GLuint buffers[2] = {0, 0};
    glGenBuffers(2, buffers);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(recording.vertices.size() * sizeof(GpuVertex)),
                 recording.vertices.data(), GL_STATIC_DRAW);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
    glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(recording.indices.size() * sizeof(uint32_t)),
                 recording.indices.data(), GL_STATIC_DRAW);
    const GLsizei stride = sizeof(GpuVertex);
    auto offset = [](size_t bytes) { return reinterpret_cast<const void*>(bytes); };
    glVertexAttribPointer(kPosition, 4, GL_FLOAT, GL_FALSE, stride, offset(offsetof(GpuVertex, pos)));
    glVertexAttribPointer(kDiffuse, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset(offsetof(GpuVertex, diffuse)));
    glVertexAttribPointer(kSpecular, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, offset(offsetof(GpuVertex, specular)));
    glVertexAttribPointer(kTexCoord, 2, GL_FLOAT, GL_FALSE, stride, offset(offsetof(GpuVertex, uv)));
    glVertexAttribPointer(kTile0, 4, GL_FLOAT, GL_FALSE, stride, offset(offsetof(GpuVertex, tile0)));
    glVertexAttribPointer(kTile1, 4, GL_FLOAT, GL_FALSE, stride, offset(offsetof(GpuVertex, tile1)));
    for (int i = kPosition; i <= kTile1; ++i) glEnableVertexAttribArray(static_cast<GLuint>(i));

    bool ok = true;
    auto drawFrame = [&]() {
        for (const Run& run : runs) {
            const DrawRecording::Op& op = *run.op;
            if (op.clear) {
                Clear(*op.state.target, op.state.viewport, 0, nullptr, op.clearFlags, op.clearColor, op.clearZ);
                continue;
            }
            if (!op.state.target || !BindTarget(*op.state.target)) {
                ok = false;
                continue;
            }
            Program* program = ProgramFor(op.state.program);
            if (!program) {
                ok = false;
                continue;
            }
            ApplyState(op.state);
            UseProgram(*program, op.state.textureFactor);
            glDrawElements(op.state.primitive, static_cast<GLsizei>(run.indexCount), GL_UNSIGNED_INT,
                           offset(op.firstIndex * sizeof(uint32_t)));
        }
    };
    drawFrame();  // programs and targets ready before the clock starts
    glFinish();
    const auto start = std::chrono::steady_clock::now();
    for (int f = 0; f < frames; ++f) {
        drawFrame();
        glFinish();
    }
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();

    for (int i = kPosition; i <= kTile1; ++i) glDisableVertexAttribArray(static_cast<GLuint>(i));
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glDeleteBuffers(2, buffers);
    InvalidateState();
    recording_ = wasRecording;
    if (figures) {
        figures->frames = frames;
        figures->frameMs = frames > 0 ? ms / frames : 0.0;
        figures->drawCalls = 0;
        figures->clears = 0;
        figures->shadedPixels = shadedPixels;
        for (const Run& run : runs) (run.op->clear ? figures->clears : figures->drawCalls) += 1;
    }
    return ok;
}

}  // namespace platform::gl
