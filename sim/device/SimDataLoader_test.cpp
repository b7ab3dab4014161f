#include "sim/device/SimDataLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "sim/device/SimPlatform.h"

namespace arquorel::sim {
namespace {

using Kind = DataLoadError::Kind;

TEST(SimDataLoaderTest, ServesFilesInSimulatedTimeWithFailuresAndTheCap) {
    SimPlatform device;
    const auto root = std::filesystem::path(::testing::TempDir()) / "sim-loader";
    std::filesystem::remove_all(root);
    std::filesystem::create_directories(root / "logos.example" / "brand");
    std::ofstream(root / "logos.example" / "brand" / "a.png", std::ios::binary) << "PNGDATA";
    std::ofstream(root / "secret.txt") << "outside the host folders";
    SimDataLoader loader(root / "logos.example" / "..");
    loader.setDelay(1.0);
    loader.setDelay("https://logos.example/brand/a.png?fast", 0.1);
    loader.setFailure("https://logos.example/brand/fails.png", Kind::httpStatus);

    struct Case {
        std::string address;
        double arrivesAfter;
        std::optional<Kind> error;
        std::string body;
    };
    const Case cases[] = {
        {"https://logos.example/brand/a.png", 1.0, std::nullopt, "PNGDATA"},
        {"https://logos.example/brand/a.png?fast", 0.1, std::nullopt, "PNGDATA"},
        {"https://logos.example/brand/a.png#x", 1.0, std::nullopt, "PNGDATA"},
        {"https://logos.example/brand/fails.png", 1.0, Kind::httpStatus, ""},
        {"https://logos.example/brand/none.png", 1.0, Kind::notFound, ""},
        {"https://logos.example/../secret.txt", 1.0, Kind::notFound, ""},
        {"https://logos.example/brand", 1.0, Kind::notFound, ""},  // a folder
        {"https://logos.example", 1.0, Kind::notFound, ""},
        {"file:///etc/passwd", 0.0, Kind::unsupportedScheme, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        std::optional<DataLoadResult> result;
        loader.load(c.address, [&](const DataLoadResult& r) { result = r; });
        device.advance(c.arrivesAfter - 0.01);
        EXPECT_EQ(result.has_value(), c.arrivesAfter == 0);
        device.advance(0.02);
        ASSERT_TRUE(result);
        EXPECT_EQ(std::string(result->bytes.begin(), result->bytes.end()), c.body);
        ASSERT_EQ(result->error.has_value(), c.error.has_value());
        if (c.error) {
            EXPECT_EQ(result->error->kind, *c.error) << result->error->message;
        }
    }

    std::optional<DataLoadResult> capped, offline;
    loader.setMaxBytes(6);
    loader.load("https://logos.example/brand/a.png", [&](const auto& r) { capped = r; });
    loader.setMaxBytes(DataLoader::kDefaultMaxBytes);
    loader.setOffline(true);
    loader.load("https://logos.example/brand/a.png", [&](const auto& r) { offline = r; });
    device.advance(1.0);
    ASSERT_TRUE(capped && offline);
    EXPECT_EQ(capped->error->kind, Kind::tooLarge);
    EXPECT_TRUE(capped->bytes.empty());
    EXPECT_EQ(offline->error->kind, Kind::network);
    std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace arquorel::sim
