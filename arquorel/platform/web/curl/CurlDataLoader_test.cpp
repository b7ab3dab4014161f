#include "arquorel/platform/web/curl/CurlDataLoader.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <optional>
#include <string>
#include <thread>

#include "sim/device/SimPlatform.h"

namespace arquorel {
namespace {

using Kind = DataLoadError::Kind;
constexpr std::size_t kCap = DataLoader::kDefaultMaxBytes;

// A local HTTP server on a free port of 127.0.0.1, serving on its own thread for one test.
class LocalServer {
  public:
    LocalServer() {
        server_.Get("/logo.png", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string("\x89PNG fake logo", 13), "image/png");
        });
        auto sized = [](std::size_t n) {
            return [n](const httplib::Request&, httplib::Response& res) {
                res.set_content(std::string(n, 'x'), "application/octet-stream");
            };
        };
        server_.Get("/at-cap", sized(kCap));
        server_.Get("/over-cap", sized(kCap + 1));
        // No length announced: the cap must hold while the body streams in.
        server_.Get("/over-cap-chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider(
                "application/octet-stream",
                [sent = std::size_t{0}](std::size_t, httplib::DataSink& sink) mutable {
                    const std::string piece(64 * 1024, 'y');
                    sink.write(piece.data(), piece.size());
                    sent += piece.size();
                    if (sent > 2 * kCap) sink.done();
                    return true;
                });
        });
        server_.Get("/gone",
                    [](const httplib::Request&, httplib::Response& res) { res.status = 404; });
        server_.Get("/broken",
                    [](const httplib::Request&, httplib::Response& res) { res.status = 500; });
        server_.Get("/to-logo", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("/logo.png");
        });
        server_.Get("/to-file", [](const httplib::Request&, httplib::Response& res) {
            res.set_redirect("file:///etc/hostname");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");  // listening from here on
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LocalServer() {
        // stop() only ends a loop that has started; one stopped earlier would run on.
        while (port_ > 0 && !server_.is_running()) std::this_thread::yield();
        server_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }
    int port() const { return port_; }

  private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

struct Outcome {
    bool ranInsideLoad = false;
    std::optional<DataLoadResult> result;
};

// Loads through the platform: the transfer runs as background work, the outcome arrives on the
// main loop. Short time-outs keep a broken transfer from hanging the test.
Outcome load(CurlDataLoader& loader, sim::SimPlatform& device, const std::string& address) {
    Outcome outcome;
    loader.load(address, [&](const DataLoadResult& r) { outcome.result = r; });
    outcome.ranInsideLoad = outcome.result.has_value();
    device.runPending();
    return outcome;
}

CurlDataLoader::Options quickOptions() {
    CurlDataLoader::Options options;
    options.connectTimeout = 2;
    options.totalTimeout = 5;
    options.proxyFromEnvironment = false;
    return options;
}

TEST(CurlDataLoaderTest, LoadsWholeBodiesUpToTheCapAndNothingBeyond) {
    LocalServer server;
    ASSERT_GT(server.port(), 0);
    sim::SimPlatform device;
    CurlDataLoader loader(quickOptions());
    struct Case {
        std::string path;
        std::optional<Kind> error;  // none: loaded
        std::size_t bytes;
    };
    const Case cases[] = {
        {"/logo.png", std::nullopt, 13},
        {"/to-logo", std::nullopt, 13},  // http redirects are followed
        {"/at-cap", std::nullopt, kCap},
        {"/over-cap", Kind::tooLarge, 0},
        {"/over-cap-chunked", Kind::tooLarge, 0},
        {"/gone", Kind::notFound, 0},
        {"/broken", Kind::httpStatus, 0},
        {"/to-file", Kind::unsupportedScheme, 0},  // a redirect may not leave http(s)
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto outcome = load(loader, device, server.url(c.path));
        EXPECT_FALSE(outcome.ranInsideLoad);
        ASSERT_TRUE(outcome.result);
        EXPECT_EQ(outcome.result->bytes.size(), c.bytes);
        ASSERT_EQ(outcome.result->error.has_value(), c.error.has_value())
            << (outcome.result->error ? outcome.result->error->message : "");
        if (c.error) {
            EXPECT_EQ(outcome.result->error->kind, *c.error) << outcome.result->error->message;
            EXPECT_NE(outcome.result->error->message.find(c.path), std::string::npos);
        }
    }
}

TEST(CurlDataLoaderTest, RefusesOtherSchemesWithoutATransferAndReportsRefusedConnections) {
    sim::SimPlatform device;
    CurlDataLoader loader(quickOptions());
    struct Case {
        std::string address;
        Kind kind;
    };
    std::string closedPort;
    {
        LocalServer gone;  // a port that was just free is closed again after the server stops
        closedPort = gone.url("/logo.png");
    }
    const Case cases[] = {
        {"file:///etc/hostname", Kind::unsupportedScheme},
        {"ftp://127.0.0.1/logo.png", Kind::unsupportedScheme},
        {"data:image/png;base64,AAAA", Kind::unsupportedScheme},
        {"127.0.0.1/logo.png", Kind::invalidAddress},
        {closedPort, Kind::network},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        const auto outcome = load(loader, device, c.address);
        EXPECT_FALSE(outcome.ranInsideLoad);
        ASSERT_TRUE(outcome.result && outcome.result->error);
        EXPECT_EQ(outcome.result->error->kind, c.kind) << outcome.result->error->message;
        EXPECT_TRUE(outcome.result->bytes.empty());
    }
}

}  // namespace
}  // namespace arquorel
