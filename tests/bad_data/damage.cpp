// gravlet-damage KIND IN OUT: writes a damaged copy of a data file, the way
// files get damaged in the wild (cut downloads, hand edits, other tools).
//
// Any file:  empty, truncate-half, truncate-tail (all but 7 bytes),
//            garbage (deterministic noise of the same length).
// TGA:       tga-short-header (8 bytes), tga-bad-type (grey), tga-huge
//            (65535 x 65535 announced, pixels as they were).
// 3DS:       3ds-lying-lengths, 3ds-unterminated-names, 3ds-bad-faces,
//            3ds-big-counts, 3ds-zero-length (see damage3ds).
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint16_t get16(const Bytes& b, std::size_t at) { return std::uint16_t(b[at] | b[at + 1] << 8); }
std::uint32_t get32(const Bytes& b, std::size_t at) { return get16(b, at) | std::uint32_t(get16(b, at + 2)) << 16; }
void put16(Bytes& b, std::size_t at, unsigned v) {
    b[at] = std::uint8_t(v);
    b[at + 1] = std::uint8_t(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}

// Walks the chunk tree of a well-formed file and calls `visit` for every
// chunk (id, start, end) before descending into it.
template <typename Visit>
void walk(Bytes& b, std::size_t pos, std::size_t end, Visit& visit) {
    while (pos + 6 <= end) {
        const std::uint16_t id = get16(b, pos);
        const std::size_t length = get32(b, pos + 2);
        if (length < 6 || length > end - pos) return;
        const std::size_t chunkEnd = pos + length;
        std::size_t body = pos + 6;
        visit(id, pos, chunkEnd);
        bool container = true;
        switch (id) {
        case 0x4D4D: case 0x3D3D: case 0x4100: case 0xAFFF: case 0xA200: case 0xA230: case 0xB000:
            break;
        case 0x4000:   // object name, then sub-chunks
            while (body < chunkEnd && b[body] != 0) ++body;
            ++body;
            break;
        case 0x4120:   // faces, then sub-chunks
            body += 2 + 8 * std::size_t(get16(b, body));
            break;
        default:
            container = false;
        }
        if (container && body <= chunkEnd) walk(b, body, chunkEnd, visit);
        pos = chunkEnd;
    }
}

bool damage3ds(const std::string& kind, Bytes& b) {
    int seen = 0;
    if (kind == "3ds-lying-lengths") {
        // Inner chunks only, three kinds of lie in turn: past the parent,
        // shorter than a header, and zero.
        auto visit = [&](std::uint16_t id, std::size_t start, std::size_t end) {
            if (id != 0x4100 && id != 0x4110 && id != 0x4120 && id != 0xA000 && id != 0xA300) return;
            const int lie = seen++ % 3;
            put32(b, start + 2, lie == 0 ? std::uint32_t(end - start + 1000) : lie == 1 ? 3u : 0u);
        };
        walk(b, 0, b.size(), visit);
    } else if (kind == "3ds-unterminated-names") {
        // Object, material and map names run on into what follows them.
        auto visit = [&](std::uint16_t id, std::size_t start, std::size_t end) {
            if (id != 0x4000 && id != 0xA000 && id != 0xA300 && id != 0x4130) return;
            for (std::size_t at = start + 6; at < end; ++at) {
                if (b[at] == 0) {
                    b[at] = 'x';
                    ++seen;
                    break;
                }
            }
        };
        walk(b, 0, b.size(), visit);
    } else if (kind == "3ds-bad-faces") {
        // Every face names vertices far beyond its object's.
        auto visit = [&](std::uint16_t id, std::size_t start, std::size_t end) {
            if (id != 0x4120) return;
            const std::size_t count = get16(b, start + 6);
            for (std::size_t i = 0; i < count && start + 8 + 8 * i + 6 <= end; ++i) {
                put16(b, start + 8 + 8 * i, 0xffff - i % 7);
                put16(b, start + 8 + 8 * i + 4, 40000 + i);
            }
            ++seen;
        };
        walk(b, 0, b.size(), visit);
    } else if (kind == "3ds-big-counts") {
        // Counts larger than what their chunk (and the file) holds.
        auto visit = [&](std::uint16_t id, std::size_t start, std::size_t) {
            if (id == 0x4110 || id == 0x4140) {
                put16(b, start + 6, 0xffff);
                ++seen;
            }
        };
        walk(b, 0, b.size(), visit);
    } else if (kind == "3ds-zero-length") {
        // The first vertex list's length is zero: a walk that does not stop
        // there reads the same header for ever.
        auto visit = [&](std::uint16_t id, std::size_t start, std::size_t) {
            if (id == 0x4110 && seen++ == 0) put32(b, start + 2, 0);
        };
        walk(b, 0, b.size(), visit);
    } else {
        return false;
    }
    if (seen == 0) std::fprintf(stderr, "gravlet-damage: nothing to damage for %s\n", kind.c_str());
    return seen > 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: gravlet-damage KIND IN OUT\n");
        return 2;
    }
    const std::string kind = argv[1];
    std::ifstream in(argv[2], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "gravlet-damage: cannot read %s\n", argv[2]);
        return 1;
    }
    Bytes b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    if (kind == "empty") {
        b.clear();
    } else if (kind == "truncate-half") {
        b.resize(b.size() / 2);
    } else if (kind == "truncate-tail") {
        b.resize(b.size() > 7 ? b.size() - 7 : 0);
    } else if (kind == "garbage") {
        std::uint32_t state = 0x9e3779b9u ^ std::uint32_t(b.size());
        for (std::uint8_t& byte : b) {
            state = state * 1664525u + 1013904223u;
            byte = std::uint8_t(state >> 24);
        }
    } else if (kind == "tga-short-header") {
        b.resize(std::min<std::size_t>(b.size(), 8));
    } else if (kind == "tga-bad-type" && b.size() >= 18) {
        b[2] = 3;
    } else if (kind == "tga-huge" && b.size() >= 18) {
        put16(b, 12, 0xffff);
        put16(b, 14, 0xffff);
    } else if (!damage3ds(kind, b)) {
        std::fprintf(stderr, "gravlet-damage: cannot apply %s to %s\n", kind.c_str(), argv[2]);
        return 1;
    }

    std::ofstream out(argv[3], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return out ? 0 : 1;
}
