#include "arquorel/platform/resources/Bundle.h"

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

namespace fs = std::filesystem;

// A bundle folder of the test's own, removed at the end.
struct TempBundle {
    fs::path root = fs::temp_directory_path() /
                    ("arquorel-bundle-" + std::to_string(::getpid()) + "-" +
                     ::testing::UnitTest::GetInstance()->current_test_info()->name());
    TempBundle() {
        fs::create_directories(root / "strings");
        fs::create_directories(root / "images");
    }
    ~TempBundle() { fs::remove_all(root); }
    void write(const fs::path& relative, const std::string& text) const {
        std::ofstream(root / relative, std::ios::binary) << text;
    }
};

TEST(BundleTest, TheShippedImagesExist) {
    sim::SimPlatform device;
    const char* names[] = {"ovin_close", "arrow",   "villa",      "immeuble",
                           "land",       "parking", "clock_icon", "clock_icon_white",
                           "addr",       "1",       "2"};
    for (const char* name : names) EXPECT_NE(Bundle::framework().image(name), nullptr) << name;
    // A category icon for every category number of the bundled data, as "cat_" and "villa".
    for (int id = 1; id <= 116; ++id) {
        for (const std::string prefix : {"cat_", "villa"}) {
            EXPECT_NE(Bundle::framework().image(prefix + std::to_string(id)), nullptr)
                << prefix << id;
        }
    }
    EXPECT_EQ(Bundle::framework().image("cat_117"), nullptr);
}

TEST(BundleTest, TheShippedTablesHaveEveryKeyInBothLanguages) {
    sim::SimPlatform device;
    Bundle& bundle = Bundle::framework();
    EXPECT_EQ(bundle.languages(), (std::vector<std::string>{"en", "fr"}));
    std::istringstream keys(
        "quorelHintTitle1 quorelHintDescription1 quorelHintDescription11 quorelHintTitle2 "
        "quorelDescription2 tapOrSwipe radar allowAccess BadGPSSignal "
        "BadGPSSignalDescription somethingWentWrong checkConnection back retry km m Mi ft "
        "pointHintTitle pointHintDescription1 pointHintDescription2 keepitStright "
        "callButton routeButton web fb email wikipedia SelectMaps cancel NoEmail ok SelectPhone "
        "CallFailed MailFailed "
        "NoInternetConnection NoInternetConnectionDescription cuisine payment wheelchair "
        "operator");
    platformContext().console().startCapture();
    for (std::string key; keys >> key;) {
        for (const char* language : {"en", "fr"}) {
            const std::string text = bundle.localizedString(key, language);
            EXPECT_FALSE(text.empty()) << key << " " << language;
            // "m", "ok"... may equal their key; longer keys must have a real text.
            if (key.size() > 4) {
                EXPECT_NE(text, key) << key << " " << language;
            }
        }
    }
    EXPECT_EQ(platformContext().console().lines(), std::vector<std::string>{});
}

TEST(BundleTest, LanguageFollowsTheDeviceUntilSet) {
    sim::SimPlatform device;
    Bundle bundle(Bundle::locateResources());
    auto& dev = platformContext().device();
    const struct {
        std::vector<std::string> preferred;
        const char* language;
        const char* back;
    } cases[] = {{{"fr-MC", "en"}, "fr", "Retour"},
                 {{"de-DE", "FR"}, "fr", "Retour"},
                 {{"it", "de"}, "en", "Back"},
                 {{}, "en", "Back"}};
    for (const auto& c : cases) {
        dev.setPreferredLanguages(c.preferred);
        EXPECT_EQ(bundle.language(), c.language);
        EXPECT_EQ(bundle.localizedString("back"), c.back);
        EXPECT_EQ(bundle.localizedString("noSuchKey"), "noSuchKey");
    }
    bundle.setLanguage("fr");
    dev.setPreferredLanguages({"en"});
    EXPECT_EQ(bundle.localizedString("retry"), "Réessayer");
}

TEST(BundleTest, BrokenTablesGiveOneLineAndTheKeys) {
    sim::SimPlatform device;
    TempBundle dir;
    dir.write("strings/en.json", R"({"back": "Back", "retry": 3, "ok": ""})");
    dir.write("strings/fr.json", R"({"back": "Retour",)");
    dir.write("strings/de.json", R"(["back"])");
    Bundle bundle(dir.root);
    auto& console = platformContext().console();
    console.startCapture();
    const struct {
        const char* language;
        const char* key;
        const char* text;
    } cases[] = {
        {"en", "back", "Back"}, {"en", "retry", "retry"},  {"en", "ok", ""},
        {"fr", "back", "back"}, {"fr", "retry", "retry"},  {"de", "back", "back"},
        {"it", "back", "back"}, {"../en", "back", "back"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(bundle.localizedString(c.key, c.language), c.text) << c.language << c.key;
    const auto table = [&](const std::string& language, const std::string& what) {
        return "Bundle: string table " + dir.root.string() + "/strings/" + language + ".json " +
               what + " show their keys";
    };
    EXPECT_EQ(
        console.lines(),
        (std::vector<std::string>{
            table("en", "has values that are not texts for \"retry\"; those"),
            table("fr", "is not valid JSON; texts"), table("de", "is not a JSON object; texts"),
            table("it", "is missing; texts"), "Bundle: no string table for language \"../en\""}));
}

TEST(BundleTest, AMissingFolderGivesOneLineNamingWhereItLooked) {
    sim::SimPlatform device;
    auto& console = platformContext().console();
    const struct {
        fs::path root;
        std::vector<fs::path> searched;
        std::string looked;
    } cases[] = {
        {"/nonexistent/a", {"/nonexistent/a", "/nonexistent/b"}, "/nonexistent/a, /nonexistent/b"},
        {"/nonexistent/c", {}, "/nonexistent/c"},
        {"", {}, "nowhere: no folder is known"},
    };
    for (const auto& c : cases) {
        console.startCapture();
        Bundle bundle(c.root, c.searched);
        EXPECT_EQ(bundle.localizedString("back"), "back");
        EXPECT_EQ(bundle.localizedString("retry", "fr"), "retry");
        EXPECT_EQ(bundle.image("back"), nullptr);
        EXPECT_EQ(console.lines(),
                  std::vector<std::string>{"Bundle: no resources folder; looked in " + c.looked +
                                           " (set ARQUOREL_RESOURCES_DIR); texts show their "
                                           "keys and images are missing"});
    }
}

TEST(BundleTest, ResourceFoldersAreTheEnvironmentsElseTheProgramsAndTheLinkedOnes) {
    const char* before = std::getenv("ARQUOREL_RESOURCES_DIR");
    const std::string saved = before ? before : "";
    ::setenv("ARQUOREL_RESOURCES_DIR", "/elsewhere/resources", 1);
    EXPECT_EQ(Bundle::resourceFolders(), std::vector<fs::path>{"/elsewhere/resources"});
    EXPECT_EQ(Bundle::locateResources(), fs::path());
    ::unsetenv("ARQUOREL_RESOURCES_DIR");
    // This test program is linked with the build's resources folder; the folder beside the
    // program comes first but does not exist in a build tree.
    const auto folders = Bundle::resourceFolders();
    ASSERT_EQ(folders.size(), 2u);
    EXPECT_EQ(folders[0].filename(), "resources");
    ASSERT_NE(arquorelResourcesFolder, nullptr);
    EXPECT_EQ(folders[1], fs::path(arquorelResourcesFolder()));
    EXPECT_EQ(Bundle::locateResources(), folders[1]);
    EXPECT_TRUE(fs::is_regular_file(folders[1] / "strings" / "en.json"));
    if (before) ::setenv("ARQUOREL_RESOURCES_DIR", saved.c_str(), 1);
}

TEST(BundleTest, ImagesByName) {
    sim::SimPlatform device;
    TempBundle dir;
    dir.write(
        "images/dot.svg",
        R"(<svg xmlns="http://www.w3.org/2000/svg" width="13px" height='17' viewBox="0 0 26 34"><circle r="2"/></svg>)");
    dir.write("images/box.svg", "<svg viewBox='0,0,48,20'></svg>");
    dir.write("images/broken.svg", "not an image");
    dir.write("images/aliases.json",
              R"({"cat_7": "box", "cat_8": "gone", "cat_9": "../images/box"})");
    Bundle bundle(dir.root);
    ASSERT_NE(bundle.image("dot"), nullptr);
    EXPECT_EQ(bundle.image("dot")->size(), (Size{13, 17}));
    EXPECT_EQ(bundle.image("dot")->name(), "dot");
    EXPECT_EQ(bundle.image("box")->size(), (Size{48, 20}));
    ASSERT_NE(bundle.image("cat_7"), nullptr);  // through the alias table
    EXPECT_EQ(bundle.image("cat_7")->name(), "cat_7");
    EXPECT_EQ(bundle.image("cat_7")->size(), (Size{48, 20}));
    for (const char* missing : {"nothing", "broken", "", "../images/dot", ".", "cat_8", "cat_9"})
        EXPECT_EQ(bundle.image(missing), nullptr) << missing;
    EXPECT_TRUE(bundle.path("images/dot", "svg") == std::nullopt);
    EXPECT_EQ(Image::fromSvg("x", "<svgfoo/>"), nullptr);
}

}  // namespace
}  // namespace arquorel
