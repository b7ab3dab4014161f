#include "arquorel/platform/web/curl/CurlDataLoader.h"

#include <gtest/gtest.h>
#include <httplib.h>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/web/WebView.h"
#include "sim/device/SimPlatform.h"
#include "sim/device/SimWebView.h"

namespace arquorel {
namespace {

using Kind = DataLoadError::Kind;
constexpr std::size_t kCap = DataLoader::kDefaultMaxBytes;

// A local HTTP server on a free port of 127.0.0.1, serving from its own thread.
class LocalServer {
  public:
    LocalServer() {
        auto body = [](std::size_t n) {
            return [n](const httplib::Request&, httplib::Response& res) {
                res.set_content(std::string(n, 'x'), "image/png");
            };
        };
        server_.Get("/logo.png", body(13));
        server_.Get("/at-cap", body(kCap));
        server_.Get("/over-cap", body(kCap + 1));
        // No length announced: the cap must hold while the body streams in.
        server_.Get("/over-cap-chunked", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("image/png", [](std::size_t, httplib::DataSink& sink) {
                const std::string piece(64 * 1024, 'y');
                return sink.write(piece.data(), piece.size());  // for ever, unless stopped
            });
        });
        auto status = [](int code) {
            return [code](const httplib::Request&, httplib::Response& res) { res.status = code; };
        };
        server_.Get("/page.html", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<title>Harbour</title><p>Boats&nbsp;for hire.</p>", "text/html");
        });
        server_.Get("/gone", status(404));
        server_.Get("/broken", status(500));
        server_.Get("/choices", status(300));  // a redirect that names no address
        server_.Get("/to-logo", [](const auto&, auto& res) { res.set_redirect("/logo.png"); });
        server_.Get("/to-file",
                    [](const auto&, auto& res) { res.set_redirect("file:///etc/hosts"); });
        port_ = server_.bind_to_any_port("127.0.0.1");  // listening from here on
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~LocalServer() {
        // stop() ends only a loop that has started; one stopped earlier would run on.
        while (port_ > 0 && !server_.is_running()) std::this_thread::yield();
        server_.stop();
        thread_.join();
    }
    std::string url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    httplib::Server server_;
    int port_ = -1;
    std::thread thread_;
};

TEST(CurlDataLoaderTest, WholeBodiesUpToTheCapOverHttpOnly) {
    sim::SimPlatform device;
    // Short time-outs: a broken transfer cannot hang the test.
    CurlDataLoader loader({.connectTimeout = 2, .totalTimeout = 5, .proxyFromEnvironment = false});
    std::string closed;
    {
        LocalServer gone;  // its port is closed again once it stops
        closed = gone.url("/logo.png");
    }
    LocalServer server;
    const struct {
        std::string address;
        std::optional<Kind> error;
        std::size_t bytes;
    } cases[] = {
        {server.url("/logo.png"), std::nullopt, 13},
        {server.url("/to-logo"), std::nullopt, 13},
        {server.url("/at-cap"), std::nullopt, kCap},
        {server.url("/over-cap"), Kind::tooLarge, 0},
        {server.url("/over-cap-chunked"), Kind::tooLarge, 0},
        {server.url("/gone"), Kind::notFound, 0},
        {server.url("/broken"), Kind::httpStatus, 0},
        {server.url("/choices"), Kind::httpStatus, 0},
        {server.url("/to-file"), Kind::unsupportedScheme, 0},  // a redirect may not leave http
        {"file:///etc/hostname", Kind::unsupportedScheme, 0},
        {"ftp://127.0.0.1/logo.png", Kind::unsupportedScheme, 0},
        {closed, Kind::network, 0},
    };
    for (const auto& c : cases) {
        std::optional<DataLoadResult> result;
        loader.load(c.address, [&](const DataLoadResult& r) { result = r; });
        EXPECT_FALSE(result) << c.address;  // the outcome arrives on the main loop
        device.runPending();
        ASSERT_TRUE(result) << c.address;
        EXPECT_EQ(result->bytes.size(), c.bytes) << c.address;
        EXPECT_EQ(result->error ? std::optional(result->error->kind) : std::nullopt, c.error)
            << c.address << ": " << (result->error ? result->error->message : "loaded");
    }
}

// The simulated web view reads pages through whichever loader is installed: here over HTTP.
TEST(CurlDataLoaderTest, TheWebViewShowsAPageServedOverHttp) {
    sim::SimPlatform device;
    device.context().setDataLoader(std::make_shared<CurlDataLoader>(CurlDataLoader::Options{
        .connectTimeout = 2, .totalTimeout = 5, .proxyFromEnvironment = false}));
    LocalServer server;
    auto view = platformContext().makeWebView();
    std::vector<std::string> outcomes;
    view->onFinished = [&](WebView& v) { outcomes.push_back("finished " + v.url()); };
    view->onFailed = [&](WebView&, const DataLoadError& e) { outcomes.push_back(e.message); };
    view->load({server.url("/page.html")});
    device.runPending();
    view->load({server.url("/gone")});
    device.runPending();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_EQ(outcomes[0], "finished " + server.url("/page.html"));
    EXPECT_NE(outcomes[1].find("/gone"), std::string::npos) << outcomes[1];
    const auto& page = static_cast<sim::SimWebView&>(*view).page();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->title, "Harbour");
    EXPECT_EQ(page->paragraphs, (std::vector<std::string>{"Boats\u00A0for hire."}));
}

}  // namespace
}  // namespace arquorel
