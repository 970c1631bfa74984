// gravlet-data check: a generated folder passes; a damaged copy is reported
// exactly, and the command's exit code tells problems from warnings.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/paths.h"
#include "support/tool_files.h"
#include "tools/generate/data_check.h"
#include "tools/generate/data_set.h"
#include "tools/generate/model_writer.h"
#include "tools/generate/tga_writer.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

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
    static testsupport::CommandRun tool(const std::string& arguments) {
        return testsupport::runCommand(std::string(GRAVLET_DATA_TOOL) + " " + arguments);
    }
    static Lines sorted(Lines lines) {
        std::sort(lines.begin(), lines.end());
        return lines;
    }
    static std::string* generated;
};
std::string* CheckDataSet::generated = nullptr;

TEST_F(CheckDataSet, GeneratedFolderPassesWithOnlyTheShortMusicWarning) {
    const gen::CheckReport report = gen::checkDataSet(*generated);
    EXPECT_EQ(report.problems, Lines());
    // The placeholder music is a few seconds long; nothing else is amiss.
    EXPECT_EQ(report.warnings, Lines{"soundtrack data/music/vopa.mp3 lasts 4.0 s, shorter than the 340 s timeline"});
    EXPECT_GE(report.filesChecked, static_cast<int>(gen::dataSetFiles().size()));

    const testsupport::CommandRun run = tool("check " + *generated);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find(*generated + "/data: " + std::to_string(report.filesChecked) + " files readable, 1 warning\n"),
              std::string::npos) << run.out;
    for (const char* usage : {"check", "check a b", "generate", "generate --loud x"})
        EXPECT_EQ(tool(usage).status, 2) << usage;
}

TEST_F(CheckDataSet, DamagedCopyHasEachProblemAndWarningNamed) {
    const std::string dir = testsupport::makeTempDir(), data = dir + "/data/";
    fs::copy(*generated + "/data", data, fs::copy_options::recursive);
    for (const char* file : {"fogz1.tga", "forende.3ds", "needles.tga"}) fs::remove(data + file);
    fs::resize_file(data + "sun2.tga", 1000);
    fs::resize_file(data + "tx1.tga", 10);
    testsupport::writeBytes(data + "space.3ds", {'n', 'o', 't'});
    testsupport::writeBytes(data + "music/vopa.mp3", testsupport::Bytes(4000, 'x'));
    fs::rename(data + "sun3.tga", data + "SUN3.TGA");   // made on a disk that ignores case: found
    // Sides not a power of two, or longer than 2048.
    std::string error;
    ASSERT_TRUE(gen::writeTga(data + "starmap.tga", 256, 200, std::vector<std::uint8_t>(256 * 200 * 3).data(), &error));
    ASSERT_TRUE(gen::writeTga(data + "pilo.tga", 4096, 1, std::vector<std::uint8_t>(4096 * 3).data(), &error));
    // Models without the names their scenes animate, one with a key the program loads itself.
    gen::Model3ds rock;
    rock.materials = {{"rockface", "wt.tga"}, {"wt", "wt.tga"}};
    rock.objects = {{"rock", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2, 0}, {0, 2, 1, 1}}}};
    ASSERT_TRUE(gen::write3ds(data + "fordrop.3ds", rock, &error)) << error;
    ASSERT_TRUE(gen::write3ds(data + "asmtest2.3ds", rock, &error)) << error;

    const gen::CheckReport report = gen::checkDataSet(dir);
    EXPECT_EQ(sorted(report.problems), sorted({"missing: data/fogz1.tga", "missing: data/forende.3ds",
                                               "missing: data/needles.tga (map of data/forresta.3ds)",
                                               "unreadable TGA: data/sun2.tga (pixel data cut short)",
                                               "unreadable TGA: data/tx1.tga (header shorter than 18 bytes)",
                                               "unreadable 3DS: data/space.3ds (no main chunk)",
                                               "unreadable MP3: data/music/vopa.mp3"}));
    Lines warnings = {"not power-of-two (at most 2048): data/starmap.tga is 256x200",
                      "not power-of-two (at most 2048): data/pilo.tga is 4096x1",
                      "data/fordrop.3ds: material \"wt\" shares a key the program loads itself",
                      "data/asmtest2.3ds: material \"wt\" shares a key the program loads itself"};
    for (const char* model : {"fordrop.3ds", "asmtest2.3ds"})
        for (const std::string& name : gen::expectedMeshNames(model))
            warnings.push_back("data/" + std::string(model) + " lacks " +
                               (name.back() == '*' ? "meshes named " + name.substr(0, name.size() - 1) + "..."
                                                   : "mesh \"" + name + "\""));
    EXPECT_EQ(sorted(report.warnings), sorted(warnings));

    const testsupport::CommandRun run = tool("check " + dir);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out.rfind("error: missing: data/fogz1.tga\n", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("7 problems in"), std::string::npos) << run.out;
    fs::remove_all(dir);
}

}  // namespace
