#include "tools/generate/data_check.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>

#include "platform/data_file.h"
#include "platform/sound.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace gen {
namespace {

// Files the program loads by fixed name, under data/.
const char* const fixedTextures[] = {
    "load", "wt", "fogz1", "fogz2", "tx1", "tx2", "tx3", "tx4", "tx5", "scanner", "starslot", "keu", "keu2",
    "keu3", "keu4", "keu5", "keu6", "sun2", "sun3", "sun4", "fire1", "fire2", "fire3", "greets2", "greettxt",
    "starmap", "pilo", "pilo2", "etext",
};
const char* const models[] = {"forresta", "forrest6", "fordrop", "foreye", "asmtest2",
                              "scenery",  "space",    "earth",   "forende"};
// Keys the program loads itself; a material of the same name gets the
// program's texture (or takes it first).
const char* const programKeys[] = {
    "load", "wt", "fogz1", "fogz2", "tx1", "tx2", "tx3", "tx4", "tx5", "scanner", "starslot", "keu1", "keu2", "keu3",
    "keu4", "keu5", "keu6", "light1", "light2", "light3", "light5", "lightg", "lightsoom", "fire1", "fire2", "fire3",
    "greets2", "greetings", "solar", "pilo", "pilo2", "etext",
};
constexpr double timelineSeconds = 340.0;

bool powerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

const char* tgaReason(Qu::TgaStatus status) {
    switch (status) {
    case Qu::TgaStatus::shortHeader: return "header shorter than 18 bytes";
    case Qu::TgaStatus::badType: return "not an uncompressed or RLE true-colour image";
    case Qu::TgaStatus::badSize: return "zero size or depth not 24/32 bits";
    case Qu::TgaStatus::truncated: return "pixel data cut short";
    case Qu::TgaStatus::outOfMemory: return "too large";
    default: return "cannot be read";
    }
}

class Checker {
public:
    explicit Checker(const std::string& root) : data((root.empty() ? std::string(".") : root) + "/data/") {}

    void texture(const std::string& base, const std::string& usedBy) {
        const std::string file = "data/" + base + ".tga";
        if (!checkedTextures.insert(file).second) return;
        std::vector<std::uint8_t> bytes;
        if (!read(file, bytes, usedBy)) return;
        Qu::Image image;
        const Qu::TgaStatus status = Qu::decodeTga(bytes.data(), bytes.size(), image);
        delete[] image.pixels;
        if (status != Qu::TgaStatus::ok) {
            report.problems.push_back("unreadable TGA: " + file + " (" + tgaReason(status) + ")");
            return;
        }
        if (!powerOfTwo(image.width) || !powerOfTwo(image.height) || image.width > 2048 || image.height > 2048)
            report.warnings.push_back("not power-of-two (at most 2048): " + file + " is " + std::to_string(image.width) +
                                      "x" + std::to_string(image.height));
    }

    void model(const std::string& name) {
        const std::string file = "data/" + name + ".3ds";
        std::vector<std::uint8_t> bytes;
        if (!read(file, bytes, "")) return;
        if (bytes.size() < 6 || bytes[0] != 0x4D || bytes[1] != 0x4D) {
            report.problems.push_back("unreadable 3DS: " + file + " (no main chunk)");
            return;
        }
        std::vector<std::pair<std::string, std::string>> maps;  // key, base name
        Qu::Load3dsOptions options;
        options.echo = nullptr;
        options.textureLoad = [&maps](const char* key, const char*, const char* base) { maps.emplace_back(key, base); };
        Qu::Model* loaded = Qu::load3dsFromMemory(bytes.data(), bytes.size(), nullptr, options);
        std::vector<std::string> names;
        loaded->objects.first();
        while (loaded->objects.hasMore()) {
            const Qu::Item* item = loaded->objects.next();
            if (item && item->name()) names.push_back(item->name());
        }
        Qu::deleteModel(loaded);
        if (names.empty()) {
            report.problems.push_back("unreadable 3DS: " + file + " (no mesh objects)");
            return;
        }
        for (const std::string& wanted : expectedMeshNames(name + ".3ds")) {
            const bool prefix = wanted.back() == '*';
            const std::string stem = prefix ? wanted.substr(0, wanted.size() - 1) : wanted;
            const bool found = std::any_of(names.begin(), names.end(), [&](const std::string& n) {
                return prefix ? n.compare(0, stem.size(), stem) == 0 : n == stem;
            });
            if (!found)
                report.warnings.push_back(file + " lacks " + (prefix ? "meshes named " + stem + "..." : "mesh \"" + stem + "\""));
        }
        for (const auto& [key, base] : maps) {
            for (const char* reserved : programKeys)
                if (key == reserved)
                    report.warnings.push_back(file + ": material \"" + key + "\" shares a key the program loads itself");
            texture(base, file);
        }
    }

    void music() {
        const std::string file = "data/music/vopa.mp3";
        std::vector<std::uint8_t> bytes;
        if (!read(file, bytes, "")) return;
        long samples = 0;
        int rate = 0;
        if (!platform::sound::decodedLength(bytes.data(), bytes.size(), &samples, &rate) || rate <= 0 || samples <= 0) {
            report.problems.push_back("unreadable MP3: " + file);
            return;
        }
        const double seconds = static_cast<double>(samples) / rate;
        if (seconds < timelineSeconds) {
            char line[160];
            std::snprintf(line, sizeof line, "soundtrack %s lasts %.1f s, shorter than the %.0f s timeline",
                          file.c_str(), seconds, timelineSeconds);
            report.warnings.push_back(line);
        }
    }

    CheckReport report;

private:
    bool read(const std::string& file, std::vector<std::uint8_t>& bytes, const std::string& usedBy) {
        ++report.filesChecked;
        const std::string path = data + file.substr(5);  // after "data/"
        if (platform::resolveDataPath(path).empty()) {
            report.problems.push_back("missing: " + file + (usedBy.empty() ? "" : " (map of " + usedBy + ")"));
            return false;
        }
        if (!platform::readWholeFile(path, bytes)) {
            report.problems.push_back("unreadable: " + file);
            return false;
        }
        return true;
    }

    std::string data;
    std::set<std::string> checkedTextures;
};

}  // namespace

std::vector<std::string> expectedMeshNames(const std::string& modelFile) {
    static const std::map<std::string, std::vector<std::string>> table = {
        {"forresta.3ds", {"stc", "bg1", "fars", "sky1", "water", "win1", "wall"}},
        {"asmtest2.3ds", {"stc", "bg1", "sky1", "water", "star", "texts", "face", "logo1", "logo2", "ball", "ball2", "to*", "ba*"}},
        {"scenery.3ds", {"stc", "bg1", "wirus", "sky1", "water", "greets", "star", "texts", "face", "logo1", "logo2", "ball", "ball2", "to*", "ba*"}},
        {"space.3ds", {"stc", "bg1", "fars", "sky1", "ufo", "water01", "star", "texts", "face", "logo1", "logo2", "ufot", "wall", "To*", "wa*", "uf*", "tr*"}},
        {"earth.3ds", {"stc", "bg1", "fars", "sky1", "ufo", "water01", "star", "texts", "face", "logo1", "logo2", "ufot", "earth", "To*", "wa*", "tr*", "as*"}},
        {"forrest6.3ds", {"stc", "bg1", "fars", "sky1", "laser", "water", "water01", "star", "texts", "face", "logo1", "logo2", "wall", "ukko", "To*", "tr*"}},
        {"fordrop.3ds", {"stc", "bg1", "fars", "sky1", "laser", "water", "water01", "star", "texts", "face", "logo1", "logo2", "wall"}},
        {"foreye.3ds", {"stc", "bg1", "fars", "sky1", "laser", "water", "ukko", "water01", "build", "star", "texts", "face", "logo1", "logo2", "wall", "To*", "uf*", "tr*"}},
        {"forende.3ds", {"stc", "bg1", "fars", "sky1", "laser", "water", "ukko", "water01", "build", "star", "texts", "face", "logo1", "logo2", "wall", "plate1", "plate2", "plate3", "plate4", "kupu", "To*", "tr*"}},
    };
    const auto found = table.find(modelFile);
    return found == table.end() ? std::vector<std::string>() : found->second;
}

CheckReport checkDataSet(const std::string& root) {
    Checker checker(root);
    for (const char* name : fixedTextures) checker.texture(name, "");
    for (const char* name : models) checker.model(name);
    checker.music();
    return checker.report;
}

}  // namespace gen
