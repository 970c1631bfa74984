#pragma once
// Which faces cannot reach the screen.
//
// GL takes in every face it is given, transforms and lights its corners,
// and only then clips away those that lie wholly outside the view volume.
// Behind and beside the camera that is often half of a scene, and in the
// transparent pass each such face can also cost a texture change. The world
// passes ask here first and leave those faces out.
//
// The test is conservative: a face counts as outside only when all three
// corners lie beyond the same clip plane by a margin larger than the
// rounding of GL's own single-precision transform, so leaving it out changes
// no pixel.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "resources/model.h"

namespace render {

class ViewVolume {
public:
    // Takes the current projection and modelview matrices (after the view
    // flip, before any corner is given) and forgets what it knew of the
    // model's `vertexCount` vertices.
    void capture(std::int32_t vertexCount);

    // Planes (one bit each) that the eye-coordinate point lies beyond.
    unsigned outcode(const Qu::Vector& eye) const;

    // Forgets the planes worked out so far: eye positions have changed.
    // Entries of older generations count as unknown, so nothing is cleared
    // but on the rare wrap of the counter.
    void forget() {
        if (++generation == generationLimit) {
            std::fill(known.begin(), known.end(), 0u);
            generation = 1;
        }
    }

    // Whether the face whose corners are model vertices `index` (in range)
    // lies wholly beyond one plane. A vertex is shared by several faces:
    // its planes are worked out once until forget().
    bool outside(const std::uint32_t index[3], const Qu::Vertex* const corners[3]) {
        return (codeOf(index[0], corners[0]) & codeOf(index[1], corners[1]) & codeOf(index[2], corners[2])) != 0;
    }

private:
    unsigned codeOf(std::uint32_t index, const Qu::Vertex* vertex) {
        if (index >= known.size()) return outcode(vertex->eyePosition);
        if (known[index] >> planeBits != generation)
            known[index] = generation << planeBits | outcode(vertex->eyePosition);
        return known[index] & planeMask;
    }

    static constexpr unsigned planeBits = 6, planeMask = (1u << planeBits) - 1;
    static constexpr std::uint32_t generationLimit = 1u << (32 - planeBits);
    double clip[16] = {};                // projection x modelview, column-major like GL
    std::vector<std::uint32_t> known;    // per model vertex: generation << planeBits | planes
    std::uint32_t generation = 1;        // 0 marks entries never worked out
};

// Drawing a face leaves state behind: its texture bound, its last corner's
// normal and texture coordinates current. When a pass's last face is left
// out, leaveState() sets that state, so whatever is drawn next finds GL as
// drawing every face would have left it.
class SkippedFace {
public:
    // normalSign 0: the pass gives no normals.
    void remember(const Qu::Face* face, const Qu::Vertex* lastCorner, std::uint32_t texture, double normalSign) {
        last = face;
        corner = lastCorner;
        name = texture;
        sign = normalSign;
    }
    void forget() { last = nullptr; }
    void leaveState() const;

private:
    const Qu::Face* last = nullptr;
    const Qu::Vertex* corner = nullptr;
    std::uint32_t name = 0;
    double sign = 0.0;
};

}  // namespace render
