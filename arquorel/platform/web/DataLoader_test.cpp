#include "arquorel/platform/web/DataLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/web/CachingDataLoader.h"
#include "sim/device/SimDataLoader.h"
#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Kind = DataLoadError::Kind;

TEST(DataLoaderTest, OnlyHttpAndHttpsAddressesWithAHostMayBeLoaded) {
    struct Case {
        std::string address;
        std::optional<Kind> error;
    };
    const Case cases[] = {
        {"https://logos.example/a.png", std::nullopt},
        {"HTTP://logos.example:8080/a.png?x=1#top", std::nullopt},
        {"http://user@[::1]:80/a", std::nullopt},
        {"file:///etc/passwd", Kind::unsupportedScheme},
        {"ftp://logos.example/a.png", Kind::unsupportedScheme},
        {"javascript:alert(1)", Kind::unsupportedScheme},
        {"", Kind::invalidAddress},
        {"logos.example/a.png", Kind::invalidAddress},
        {"https:logos.example/a.png", Kind::invalidAddress},
        {"https:///a.png", Kind::invalidAddress},
        {"https://:80/a.png", Kind::invalidAddress},
        {"https://logos.example/a b.png", Kind::invalidAddress},
        {"https://logos.example/a.png\n", Kind::invalidAddress},
        {"1http://logos.example/", Kind::invalidAddress},
    };
    for (const auto& c : cases) {
        const auto error = checkLoadableAddress(c.address);
        ASSERT_EQ(error.has_value(), c.error.has_value()) << c.address;
        if (!c.error) continue;
        EXPECT_EQ(error->kind, *c.error) << c.address << ": " << error->message;
        EXPECT_FALSE(error->message.empty());
    }
    EXPECT_EQ(addressScheme("HTTPS://x"), "https");
}

// Files under a fresh directory, served by a simulated loader.
class LoaderFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        root_ = std::filesystem::path(::testing::TempDir()) /
                ("loader-" +
                 std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ / "logos.example");
    }
    void TearDown() override { std::filesystem::remove_all(root_); }
    void write(const std::string& name, std::size_t size) {
        std::ofstream(root_ / "logos.example" / name, std::ios::binary) << std::string(size, 'z');
    }
    // Loads and collects the outcomes in the order they arrive.
    void load(DataLoader& loader, const std::string& address) {
        loader.load(address, [this, address](const DataLoadResult& r) {
            arrived_.push_back({address, r});
        });
    }

    sim::SimPlatform device_;
    std::filesystem::path root_;
    std::vector<std::pair<std::string, DataLoadResult>> arrived_;
};

TEST_F(LoaderFixture, TheInstalledLoaderLoadsNothingUntilABackendIsInstalled) {
    load(platformContext().dataLoader(), "https://logos.example/a.png");
    EXPECT_TRUE(arrived_.empty());  // never inside load()
    device_.runPending();
    ASSERT_EQ(arrived_.size(), 1u);
    EXPECT_EQ(arrived_[0].second.error->kind, Kind::unavailable);
}

TEST_F(LoaderFixture, CachingLoadsEachAddressOnceAndSharesTheTransferUnderWay) {
    write("a.png", 10);
    auto sim = std::make_shared<sim::SimDataLoader>(root_);
    sim->setDelay(0.5);
    sim->setFailure("https://logos.example/flaky.png", Kind::timedOut);
    CachingDataLoader cache(sim);
    const std::string a = "https://logos.example/a.png", missing = "https://logos.example/none.png",
                      flaky = "https://logos.example/flaky.png";
    for (int i = 0; i < 3; ++i) load(cache, a);  // three cards with one logo
    load(cache, missing);
    load(cache, flaky);
    load(cache, "file:///etc/passwd");  // refused before the cache
    device_.advance(0.4);
    EXPECT_EQ(arrived_.size(), 1u);  // only the refusal so far
    device_.advance(0.2);
    ASSERT_EQ(arrived_.size(), 6u);
    for (int i = 1; i <= 3; ++i) EXPECT_EQ(arrived_[i].second.bytes.size(), 10u);
    EXPECT_EQ(sim->requests(), (std::vector<std::string>{a, missing, flaky}));

    // Kept outcomes come back on the next main-loop turn; a time-out is tried again.
    arrived_.clear();
    load(cache, a);
    load(cache, missing);
    load(cache, flaky);
    device_.runPending();
    ASSERT_EQ(arrived_.size(), 2u);
    EXPECT_EQ(arrived_[0].second.bytes.size(), 10u);
    EXPECT_EQ(arrived_[1].second.error->kind, Kind::notFound);
    EXPECT_EQ(sim->requests().size(), 4u);
    EXPECT_EQ(sim->requests().back(), flaky);
    EXPECT_EQ(cache.cachedAddresses(), 2u);

    // A lower cap refuses a kept body that is now too large.
    cache.setMaxBytes(5);
    arrived_.clear();
    load(cache, a);
    device_.runPending();
    ASSERT_EQ(arrived_.size(), 1u);
    EXPECT_EQ(arrived_[0].second.error->kind, Kind::tooLarge);
}

TEST_F(LoaderFixture, CachingKeepsWithinItsBudgetForgettingTheOldestFirst) {
    for (const char* name : {"1.png", "2.png", "3.png"}) write(name, 40);
    auto sim = std::make_shared<sim::SimDataLoader>(root_);
    CachingDataLoader cache(sim, 100);
    for (const char* name : {"1.png", "2.png", "3.png", "2.png", "1.png"})
        load(cache, std::string("https://logos.example/") + name), device_.runPending();
    // 1 and 2 fill 80 bytes; 3 pushes 1 out; 2 is still kept; 1 is loaded again.
    EXPECT_EQ(sim->requests().size(), 4u);
    EXPECT_EQ(cache.cachedBytes(), 80u);
    EXPECT_EQ(arrived_.size(), 5u);
}

}  // namespace
}  // namespace arquorel
