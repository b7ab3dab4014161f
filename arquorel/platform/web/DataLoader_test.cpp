#include "arquorel/platform/web/DataLoader.h"

#include <gtest/gtest.h>
#include <unistd.h>

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

std::optional<Kind> kindOf(const std::optional<DataLoadError>& error) {
    return error ? std::optional(error->kind) : std::nullopt;
}

class DataLoaderTest : public ::testing::Test {
  protected:
    DataLoaderTest() {
        std::filesystem::create_directories(root_ / "logos" / "brand");
        for (const char* name : {"a.png", "b.png", "c.png"})
            std::ofstream(root_ / "logos" / name) << std::string(40, 'z');
        std::ofstream(root_ / "secret.txt") << "outside the host folders";
    }
    ~DataLoaderTest() override { std::filesystem::remove_all(root_); }
    void load(DataLoader& loader, const std::string& address) {
        loader.load(address, [this](const DataLoadResult& r) { arrived_.push_back(r); });
    }

    sim::SimPlatform device_;
    std::filesystem::path root_ =
        std::filesystem::path(::testing::TempDir()) / ("loader-" + std::to_string(::getpid()));
    std::shared_ptr<sim::SimDataLoader> sim_ = std::make_shared<sim::SimDataLoader>(root_);
    std::vector<DataLoadResult> arrived_;
};

TEST_F(DataLoaderTest, OnlyHttpAndHttpsFilesInsideTheFolderAfterTheirDelay) {
    sim_->setDelay(1.0);
    sim_->setDelay("HTTP://user@logos:80/a.png?fast", 0.1);
    sim_->setFailure("https://logos/fails.png", Kind::httpStatus);
    const struct {
        std::string address;
        double after;
        std::optional<Kind> error;
    } cases[] = {
        {"https://logos/a.png#x", 1.0, std::nullopt},
        {"HTTP://user@logos:80/a.png?fast", 0.1, std::nullopt},
        {"https://logos/fails.png", 1.0, Kind::httpStatus},
        {"https://logos/none.png", 1.0, Kind::notFound},
        {"https://logos/../secret.txt", 1.0, Kind::notFound},
        {"https://logos/brand", 1.0, Kind::notFound},  // a folder
        {"file:///etc/passwd", 0, Kind::unsupportedScheme},
        {"logos/a.png", 0, Kind::invalidAddress},
        {"https://logos/a b.png", 0, Kind::invalidAddress},
    };
    for (const auto& c : cases) {
        arrived_.clear();
        load(*sim_, c.address);
        EXPECT_TRUE(arrived_.empty()) << c.address;  // never inside load()
        device_.advance(c.after - 0.01);
        EXPECT_EQ(arrived_.empty(), c.after > 0) << c.address;  // never early
        device_.advance(0.02);
        ASSERT_EQ(arrived_.size(), 1u) << c.address;
        EXPECT_EQ(kindOf(arrived_[0].error), c.error) << c.address;
        EXPECT_EQ(arrived_[0].bytes.size(), c.error ? 0u : 40u);
    }
    sim_->setMaxBytes(39);
    load(*sim_, "https://logos/a.png");
    sim_->setOffline(true);
    load(*sim_, "https://logos/a.png");
    load(platformContext().dataLoader(), "https://logos/a.png");  // none installed
    device_.advance(1);
    ASSERT_EQ(arrived_.size(), 4u);
    EXPECT_EQ(kindOf(arrived_[1].error), Kind::unavailable);  // at once: no transfer
    EXPECT_EQ(kindOf(arrived_[2].error), Kind::tooLarge);
    EXPECT_EQ(kindOf(arrived_[3].error), Kind::network);
}

// Only an http or https address with a host is loaded; the message names the address and what
// is wrong with it (a long address cut to stay readable).
TEST(LoadableAddressTest, SchemeHostAndCharactersAreChecked) {
    const struct {
        std::string address;
        std::string scheme, host;
        std::optional<Kind> error;
        const char* says;
    } cases[] = {
        {"https://casino.example/a.png", "https", "casino.example", std::nullopt, ""},
        {"HtTp://user:pw@casino.example:8080/a", "http", "casino.example", std::nullopt, ""},
        {"https://a@b@casino.example/", "https", "casino.example", std::nullopt, ""},
        {"http://[2001:db8::1]:80/x", "http", "2001:db8::1", std::nullopt, ""},
        {"", "", "", Kind::invalidAddress, "empty"},
        {"https:casino.example", "https", "", Kind::invalidAddress, "no \"//\""},
        {"https:/casino.example/a", "https", "", Kind::invalidAddress, "no \"//\""},
        {"https:///a.png", "https", "", Kind::invalidAddress, "no host"},
        {"https://[2001:db8::1/x", "https", "", Kind::invalidAddress, "no host"},
        {"https://casino.example/\x7f", "https", "casino.example", Kind::invalidAddress,
         "control character"},
        {"https://casino.example/\t", "https", "casino.example", Kind::invalidAddress,
         "white space"},
        {"ftp://casino.example/", "ftp", "casino.example", Kind::unsupportedScheme, "\"ftp\""},
        {"h2p+x.y-z://casino.example/", "h2p+x.y-z", "casino.example", Kind::unsupportedScheme,
         "only http and https"},
        {"2http://casino.example/", "", "casino.example", Kind::invalidAddress, "no scheme"},
        {"://casino.example/", "", "casino.example", Kind::invalidAddress, "no scheme"},
        {"casino.example/a:b", "", "", Kind::invalidAddress, "no scheme"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(addressScheme(c.address), c.scheme) << c.address;
        EXPECT_EQ(addressHost(c.address), c.host) << c.address;
        const auto error = checkLoadableAddress(c.address);
        EXPECT_EQ(kindOf(error), c.error) << c.address;
        if (error) {
            EXPECT_NE(error->message.find(c.says), std::string::npos) << error->message;
            if (!c.address.empty()) {
                EXPECT_NE(error->message.find(c.address.substr(0, 8)), std::string::npos)
                    << error->message;
            }
        }
    }
    const auto longOne = checkLoadableAddress("ftp://" + std::string(5000, 'a'));
    ASSERT_TRUE(longOne);
    EXPECT_LT(longOne->message.size(), 300u);
    EXPECT_NE(longOne->message.find("...\""), std::string::npos);
}

TEST_F(DataLoaderTest, CachingLoadsEachAddressOnceAndSharesTheTransferUnderWay) {
    sim_->setDelay(0.5);
    sim_->setFailure("https://logos/slow.png", Kind::timedOut);
    CachingDataLoader cache(sim_, 100);
    for (const char* name : {"a.png", "a.png", "a.png", "none.png", "slow.png"})
        load(cache, std::string("https://logos/") + name);
    device_.advance(0.5);
    ASSERT_EQ(arrived_.size(), 5u);
    EXPECT_EQ(arrived_[2].bytes.size(), 40u);
    EXPECT_EQ(sim_->requests().size(), 3u);

    // Kept: the logo and "not found"; tried again: the time-out; within 100 bytes, c pushes
    // the oldest (a) out.
    for (const char* name : {"a.png", "none.png", "slow.png", "b.png", "c.png", "b.png", "a.png"}) {
        load(cache, std::string("https://logos/") + name);
        device_.advance(0.5);
    }
    EXPECT_EQ(sim_->requests().size(), 7u);
    EXPECT_EQ(sim_->requests().back(), "https://logos/a.png");
    EXPECT_EQ(cache.cachedBytes(), 80u);
    cache.setMaxBytes(5);  // a kept body over today's cap is refused
    load(cache, "https://logos/a.png");
    device_.advance(0);
    EXPECT_EQ(kindOf(arrived_.back().error), Kind::tooLarge);
}

// A body larger than the whole byte budget is delivered but not kept, and pushes nothing out;
// no more addresses are kept than the address budget allows, the oldest leaving first.
TEST_F(DataLoaderTest, TheCacheKeepsWithinItsBudgets) {
    std::ofstream(root_ / "logos" / "big.png") << std::string(60, 'z');
    CachingDataLoader bytes(sim_, 50);
    for (const char* name : {"a.png", "big.png"}) {
        load(bytes, std::string("https://logos/") + name);
        device_.advance(1);
    }
    ASSERT_EQ(arrived_.size(), 2u);
    EXPECT_EQ(arrived_[1].bytes.size(), 60u);
    EXPECT_EQ(bytes.cachedBytes(), 40u);
    EXPECT_EQ(bytes.cachedAddresses(), 1u);

    CachingDataLoader addresses(sim_, 1000, 2);
    for (const char* name : {"a.png", "b.png", "c.png", "a.png"}) {
        load(addresses, std::string("https://logos/") + name);
        device_.advance(1);
    }
    EXPECT_EQ(addresses.cachedAddresses(), 2u);
    EXPECT_EQ(addresses.transfersStarted(), 4u);  // a had left for c
}

// A body of exactly the cap loads, from the wire and then from the cache; one byte more fails
// both times.
TEST_F(DataLoaderTest, ABodyOfExactlyTheCapLoadsAgainFromTheCache) {
    const struct {
        const char* name;
        std::size_t size;
        bool loads;
    } cases[] = {{"cap.png", DataLoader::kDefaultMaxBytes, true},
                 {"over.png", DataLoader::kDefaultMaxBytes + 1, false}};
    CachingDataLoader cache(sim_);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(root_ / "logos" / c.name) << std::string(c.size, 'z');
        arrived_.clear();
        for (int i = 0; i < 2; ++i) {
            load(cache, std::string("https://logos/") + c.name);
            device_.advance(1);
        }
        ASSERT_EQ(arrived_.size(), 2u);
        for (const auto& r : arrived_) {
            EXPECT_EQ(r.ok(), c.loads);
            EXPECT_EQ(r.bytes.size(), c.loads ? c.size : 0u);
            EXPECT_EQ(kindOf(r.error), c.loads ? std::nullopt : std::optional(Kind::tooLarge));
        }
    }
    EXPECT_EQ(cache.transfersStarted(), 2u);  // the second of each came from the cache
}

}  // namespace
}  // namespace arquorel
