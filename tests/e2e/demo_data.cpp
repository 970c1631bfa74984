#include "e2e/demo_data.h"

#include <algorithm>
#include <cmath>

#include "tools/generate/file_output.h"
#include "tools/generate/model_writer.h"
#include "tools/generate/mp3_writer.h"
#include "tools/generate/tga_writer.h"

namespace demodata {

namespace {

bool omitted(const Options& options, const std::string& name) {
    return std::find(options.omit.begin(), options.omit.end(), name) != options.omit.end();
}

// A SIZE x SIZE picture, each pixel's colour chosen by its column and row
// (top row first).
template <typename Colour>
std::vector<std::uint8_t> picture(int size, Colour colourAt) {
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            const std::uint8_t* c = colourAt(x, y, size);
            rgb.insert(rgb.end(), c, c + 3);
        }
    return rgb;
}

std::vector<std::uint8_t> solid(int size, const std::uint8_t colour[3]) {
    return picture(size, [colour](int, int, int) { return colour; });
}

// A ground plane below the camera path (engine -y is up), both windings so
// that neither culling nor the view flip hides it.
gen::Model3ds groundModel() {
    gen::Model3ds model;
    model.materials.push_back({"groundmat", "ground.tga"});
    gen::MeshObject ground;
    ground.name = "ground";
    const float y = 40.0f;
    ground.vertices = {{-600, y, -400, 0, 0}, {600, y, -400, 24, 0},
                       {600, y, 800, 24, 24}, {-600, y, 800, 0, 24}};
    ground.faces = {{0, 1, 2, 0}, {0, 2, 3, 0}, {0, 2, 1, 0}, {0, 3, 2, 0}};
    model.objects.push_back(ground);
    return model;
}

}  // namespace

bool write(const std::string& root, const Options& options, std::string* error) {
    const std::string data = root + "/data/";
    if (!gen::makeDirectories(data + "music", error)) return false;

    static const std::uint8_t white[3] = {255, 255, 255};
    static const std::uint8_t fog[3] = {24, 24, 32};
    static const std::uint8_t grey[3] = {128, 128, 128};
    static const std::uint8_t black[3] = {0, 0, 0};
    struct Picture {
        const char* file;
        std::vector<std::uint8_t> rgb;
    };
    std::vector<Picture> pictures = {
        {"load.tga", picture(64, [](int, int y, int size) {
             return y < size / 2 ? loadTopColour : loadBottomColour;
         })},
        {"wt.tga", solid(8, white)},
        {"fogz1.tga", solid(8, fog)},  {"fogz2.tga", solid(8, fog)},
        {"ground.tga", picture(32, [](int x, int y, int) {
             return (x / 4 + y / 4) % 2 ? black : groundColour;
         })},
    };
    for (const char* file : {"tx1.tga", "tx2.tga", "tx3.tga", "tx4.tga", "tx5.tga", "scanner.tga",
                             "starslot.tga", "keu.tga", "keu2.tga", "keu3.tga", "keu4.tga",
                             "keu5.tga", "keu6.tga", "sun2.tga", "sun3.tga", "sun4.tga",
                             "fire1.tga", "fire2.tga", "fire3.tga", "greets2.tga",
                             "greettxt.tga", "starmap.tga", "pilo.tga", "pilo2.tga", "etext.tga"}) {
        pictures.push_back({file, solid(8, grey)});
    }
    for (const Picture& picture : pictures) {
        if (omitted(options, picture.file)) continue;
        int size = int(std::lround(std::sqrt(double(picture.rgb.size() / 3))));
        if (!gen::writeTga(data + picture.file, size, size, picture.rgb.data(), error)) return false;
    }

    const gen::Model3ds model = groundModel();
    for (const char* file : {"forresta.3ds", "asmtest2.3ds", "scenery.3ds", "space.3ds", "earth.3ds",
                             "forrest6.3ds", "fordrop.3ds", "foreye.3ds", "forende.3ds"}) {
        if (!omitted(options, file) && !gen::write3ds(data + file, model, error)) return false;
    }

    if (!omitted(options, "vopa.mp3")) {
        const int rate = 44100;
        size_t frames = size_t(options.musicSeconds * rate);
        std::vector<std::int16_t> pcm(frames * 2);
        for (size_t i = 0; i < frames; ++i)
            pcm[2 * i] = pcm[2 * i + 1] =
                std::int16_t(6000.0 * std::sin(2.0 * 3.14159265358979 * 440.0 * double(i) / rate));
        gen::Mp3Settings settings;
        settings.bitrate = 64;
        settings.quality = 7;
        if (!gen::writeMp3(data + "music/vopa.mp3", pcm.data(), frames, settings, error)) return false;
    }
    return true;
}

}  // namespace demodata
