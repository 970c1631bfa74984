// gravlet-data check: a generated folder passes; damaged copies are reported
// exactly, and the command's exit code tells problems from warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "support/paths.h"
#include "tools/generate/data_check.h"
#include "tools/generate/data_set.h"
#include "tools/generate/model_writer.h"

namespace {

namespace fs = std::filesystem;

class CheckDataSet : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        generated = new std::string(testsupport::makeTempDir());
        gen::GenerateOptions options;
        options.placeholderMusic = true;
        std::string error;
        ASSERT_TRUE(gen::generateDataSet(*generated, options, &error)) << error;
    }
    static void TearDownTestSuite() {
        fs::remove_all(*generated);
        delete generated;
    }
    // A fresh copy of the generated folder to damage.
    std::string copy() {
        const std::string dir = testsupport::makeTempDir();
        fs::copy(*generated + "/data", dir + "/data", fs::copy_options::recursive);
        copies.push_back(dir);
        return dir;
    }
    void TearDown() override {
        for (const std::string& dir : copies) fs::remove_all(dir);
    }
    static bool has(const std::vector<std::string>& lines, const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    static std::string* generated;
    std::vector<std::string> copies;
};
std::string* CheckDataSet::generated = nullptr;

TEST_F(CheckDataSet, GeneratedFolderHasNoProblemsAndOnlyTheShortMusicWarning) {
    const gen::CheckReport report = gen::checkDataSet(*generated);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    // The placeholder music is a few seconds long; nothing else is amiss.
    ASSERT_EQ(report.warnings.size(), 1u) << report.warnings.front();
    EXPECT_NE(report.warnings[0].find("shorter than the 340 s timeline"), std::string::npos);
    EXPECT_GE(report.filesChecked, static_cast<int>(gen::dataSetFiles().size()));
}

TEST_F(CheckDataSet, MissingFilesAreNamedWithWhoNeedsThem) {
    const std::string dir = copy();
    fs::remove(dir + "/data/fogz1.tga");
    fs::remove(dir + "/data/forende.3ds");
    fs::remove(dir + "/data/needles.tga");  // a material map of the forest models
    fs::remove(dir + "/data/music/vopa.mp3");
    const gen::CheckReport report = gen::checkDataSet(dir);
    EXPECT_TRUE(has(report.problems, "missing: data/fogz1.tga"));
    EXPECT_TRUE(has(report.problems, "missing: data/forende.3ds"));
    EXPECT_TRUE(has(report.problems, "missing: data/needles.tga (map of data/forresta.3ds)"));
    EXPECT_TRUE(has(report.problems, "missing: data/music/vopa.mp3"));
    EXPECT_EQ(report.problems.size(), 4u);
}

TEST_F(CheckDataSet, DataMadeOnACaseInsensitiveDiskIsFound) {
    const std::string dir = copy();
    fs::rename(dir + "/data/sun3.tga", dir + "/data/SUN3.TGA");
    EXPECT_TRUE(gen::checkDataSet(dir).problems.empty());
}

TEST_F(CheckDataSet, DamagedFilesAreUnreadableWithTheReason) {
    const std::string dir = copy();
    fs::resize_file(dir + "/data/sun2.tga", 1000);          // pixels cut short
    fs::resize_file(dir + "/data/tx1.tga", 10);             // header cut short
    { std::ofstream(dir + "/data/space.3ds", std::ios::binary) << "not a model"; }
    { std::ofstream(dir + "/data/music/vopa.mp3", std::ios::binary) << std::string(4000, 'x'); }
    const gen::CheckReport report = gen::checkDataSet(dir);
    EXPECT_TRUE(has(report.problems, "unreadable TGA: data/sun2.tga (pixel data cut short)"));
    EXPECT_TRUE(has(report.problems, "unreadable TGA: data/tx1.tga (header shorter than 18 bytes)"));
    EXPECT_TRUE(has(report.problems, "unreadable 3DS: data/space.3ds (no main chunk)"));
    EXPECT_TRUE(has(report.problems, "unreadable MP3: data/music/vopa.mp3"));
    EXPECT_EQ(report.problems.size(), 4u);
}

TEST_F(CheckDataSet, ModelWithoutTheNamesItsSceneAnimatesIsAWarningPerName) {
    const std::string dir = copy();
    gen::Model3ds model;
    model.materials = {{"rockface", "rock.tga"}, {"wt", "wt.tga"}};
    gen::MeshObject rock;
    rock.name = "rock";
    rock.vertices = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    rock.faces = {{0, 1, 2, 0}, {0, 2, 1, 1}};
    model.objects = {rock};
    std::string error;
    ASSERT_TRUE(gen::write3ds(dir + "/data/fordrop.3ds", model, &error)) << error;
    const gen::CheckReport report = gen::checkDataSet(dir);
    EXPECT_TRUE(report.problems.empty());
    const auto expected = gen::expectedMeshNames("fordrop.3ds");
    for (const std::string& name : expected)
        EXPECT_TRUE(has(report.warnings, "data/fordrop.3ds lacks mesh \"" + name + "\"")) << name;
    EXPECT_TRUE(has(report.warnings, "data/fordrop.3ds: material \"wt\" shares a key the program loads itself"));
    // Prefix groups are reported as such.
    gen::Model3ds fog = model;
    ASSERT_TRUE(gen::write3ds(dir + "/data/asmtest2.3ds", fog, &error)) << error;
    const gen::CheckReport fogReport = gen::checkDataSet(dir);
    EXPECT_TRUE(has(fogReport.warnings, "data/asmtest2.3ds lacks meshes named ba..."));
    EXPECT_TRUE(has(fogReport.warnings, "data/asmtest2.3ds lacks meshes named to..."));
}

TEST_F(CheckDataSet, TextureOfOddSizeIsAWarning) {
    const std::string dir = copy();
    const std::vector<std::uint8_t> pixels(300 * 200 * 3, 40);
    std::FILE* file = std::fopen((dir + "/data/starmap.tga").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    const std::uint8_t header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 300 & 0xFF, 300 >> 8, 200, 0, 24, 0};
    std::fwrite(header, 1, 18, file);
    std::fwrite(pixels.data(), 1, pixels.size(), file);
    std::fclose(file);
    const gen::CheckReport report = gen::checkDataSet(dir);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_TRUE(has(report.warnings, "not power-of-two (at most 2048): data/starmap.tga is 300x200"));
}

#ifdef GRAVLET_DATA_TOOL
int run(const std::string& arguments, std::string* output) {
    std::FILE* pipe = popen((std::string(GRAVLET_DATA_TOOL) + " " + arguments + " 2>/dev/null").c_str(), "r");
    if (!pipe) return -1;
    char buffer[512];
    output->clear();
    while (std::fgets(buffer, sizeof buffer, pipe)) *output += buffer;
    const int status = pclose(pipe);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(CheckDataSet, CommandExitsZeroWithASummaryAndOneOnProblems) {
    std::string output;
    EXPECT_EQ(run("check " + *generated, &output), 0);
    EXPECT_NE(output.find("warning: soundtrack data/music/vopa.mp3 lasts 4.0 s"), std::string::npos) << output;
    EXPECT_NE(output.find(*generated + "/data: "), std::string::npos) << output;
    EXPECT_NE(output.find(" files readable, 1 warning\n"), std::string::npos) << output;

    const std::string dir = copy();
    fs::remove(dir + "/data/wt.tga");
    EXPECT_EQ(run("check " + dir, &output), 1);
    EXPECT_EQ(output.rfind("error: missing: data/wt.tga\n", 0), 0u) << output;
    EXPECT_NE(output.find("1 problem in"), std::string::npos) << output;

    EXPECT_EQ(run("check", &output), 2);
    EXPECT_EQ(run("check a b", &output), 2);
    EXPECT_EQ(run("generate", &output), 2);
    EXPECT_EQ(run("generate --loud " + dir, &output), 2);
}
#endif

}  // namespace
