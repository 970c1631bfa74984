// Start-up time with the generated data: from the start of the run to the
// first timeline frame, without the window (offscreen GL) and without the
// two-second hold, in fresh processes; then where the time goes (file
// reading, TGA decoding, texture upload with mipmaps, 3DS reading with
// normals), each measured alone in this process.
#include <GL/gl.h>
#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench/support/bench_support.h"
#include "bench/support/scene_plan.h"
#include "platform/data_file.h"
#include "platform/offscreen_gl.h"
#include "resources/load3ds.h"
#include "resources/model.h"
#include "resources/texture_library.h"

namespace {

constexpr int startupRuns = 5;

int runChild() {
    const std::string root = bench::dataRoot();
    if (root.empty() || chdir(root.c_str()) != 0) return 1;
    bench::PlanMode mode({bench::PlanFrame{0, 0, true}}, false);
    int status;
    {
        bench::QuietStdout quiet;
        status = capture::runCapture(mode, 30);
    }
    std::printf("startup_ms=%.3f\nfirst_frame_ms=%.3f\n", mode.startupMs, mode.firstFrameMs);
    return status;
}

std::vector<std::string> filesEndingIn(const std::string& folder, const char* ending) {
    std::vector<std::string> files;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            const std::string name = entry->d_name;
            const std::size_t n = std::strlen(ending);
            if (name.size() > n && name.compare(name.size() - n, n, ending) == 0) files.push_back(folder + "/" + name);
        }
        closedir(dir);
    }
    return files;
}

void deleteGlNames(Qu::TextureLibrary& library) {
    library.textures.first();
    while (library.textures.hasMore()) {
        const Qu::Image* image = library.textures.next()->image();
        const GLuint names[3] = {image->glNearest, image->glLinear, image->glMipmap};
        glDeleteTextures(3, names);
    }
}

void phases(const std::string& root) {
    const std::string data = root + "/data";
    const std::vector<std::string> textures = filesEndingIn(data, ".tga");
    const std::vector<std::string> models = filesEndingIn(data, ".3ds");
    platform::OffscreenGl gl;
    if (!gl.create()) {
        bench::printNote("no offscreen GL: " + gl.error());
        return;
    }
    std::vector<std::vector<std::uint8_t>> images(textures.size());
    double megabytes = 0.0;
    const double readMs = bench::medianMs(3, [&] {
        megabytes = 0.0;
        for (std::size_t i = 0; i < textures.size(); ++i) {
            platform::readWholeFile(textures[i], images[i]);
            megabytes += double(images[i].size()) / 1e6;
        }
        std::vector<std::uint8_t> bytes;
        for (const std::string& model : models) platform::readWholeFile(model, bytes);
    });
    const double decodeMs = bench::medianMs(3, [&] {
        for (const std::vector<std::uint8_t>& bytes : images) {
            Qu::Image image;
            Qu::decodeTga(bytes.data(), bytes.size(), image);
            delete[] image.pixels;
        }
    });
    const double libraryMs = bench::medianMs(3, [&] {
        Qu::TextureLibrary library;
        for (const std::string& file : textures) library.load(file.c_str(), file.c_str(), file.c_str(), 0);
        glFinish();
        deleteGlNames(library);
    });
    Qu::Load3dsOptions quiet;
    quiet.echo = nullptr;
    quiet.textureLoad = [](const char*, const char*, const char*) {};
    int faces = 0;
    const double modelMs = bench::medianMs(3, [&] {
        faces = 0;
        for (const std::string& file : models) {
            Qu::Model* model = Qu::load3ds(file.c_str(), nullptr, quiet);
            if (model) faces += model->faces.count();
            Qu::deleteModel(model);
        }
    });
    std::vector<Qu::Model*> loaded;
    for (const std::string& file : models) loaded.push_back(Qu::load3ds(file.c_str(), nullptr, quiet));
    const double normalsMs = bench::medianMs(3, [&] {
        for (Qu::Model* model : loaded)
            for (std::int32_t i = 0; model && i < model->objects.count(); ++i)
                if (auto* object = dynamic_cast<Qu::Object*>(model->objects.at(i))) object->computeNormals();
    });
    for (Qu::Model* model : loaded) Qu::deleteModel(model);

    std::printf("  parts, each alone (median of 3):\n");
    std::printf("    read %zu TGA (%.1f MB) and %zu 3DS files      %8.1f ms\n", textures.size(), megabytes,
                models.size(), readMs);
    std::printf("    decode the TGA images                         %8.1f ms\n", decodeMs);
    std::printf("    load them into the texture library            %8.1f ms  (read, decode, three textures, mipmaps)\n",
                libraryMs);
    std::printf("      of which uploads and mipmaps (by difference)  %6.1f ms\n", libraryMs - decodeMs - readMs);
    std::printf("    read the nine 3DS models (%d faces)        %8.1f ms  (normals included)\n", faces, modelMs);
    std::printf("      of which normals                            %6.1f ms\n", normalsMs);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return runChild();
    const std::string root = bench::dataRoot();
    if (root.empty()) return 1;

    bench::printHeading("load: start-up to the first timeline frame, offscreen, without the two-second hold");
    std::vector<double> startup, first, peak;
    for (int run = 0; run < startupRuns; ++run) {
        bench::ChildRun child = bench::runChild({bench::selfPath(), "--child"}, {"GRAVLET_BENCH_DATA=" + root});
        if (child.status != 0) {
            std::printf("  start-up run %d failed (exit %d)\n", run + 1, child.status);
            continue;
        }
        startup.push_back(bench::valueOf(child.output, "startup_ms"));
        first.push_back(bench::valueOf(child.output, "first_frame_ms"));
        peak.push_back(double(child.peakKb) / 1024.0);
    }
    std::printf("  %zu fresh runs; start-up alone (loading bar included) median %.0f ms, min %.0f ms\n", startup.size(),
                bench::median(startup), startup.empty() ? 0.0 : *std::min_element(startup.begin(), startup.end()));
    bench::printFigure("load to the first frame (median)", bench::median(first), "ms", 250.0);
    bench::printFigure("peak memory after start-up (median)", bench::median(peak), "MB", 200.0);
    phases(root);
    return startup.size() == std::size_t(startupRuns) ? 0 : 1;
}
