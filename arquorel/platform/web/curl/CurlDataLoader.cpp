#include "arquorel/platform/web/curl/CurlDataLoader.h"

#include <curl/curl.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <utility>

#include "arquorel/platform/runtime/PlatformContext.h"

namespace arquorel {

namespace {

struct Body {
    std::vector<std::uint8_t> bytes;
    std::size_t maxBytes = 0;
    bool overflowed = false;
};

std::size_t appendToBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& body = *static_cast<Body*>(user);
    const std::size_t n = size * count;
    if (n > body.maxBytes - body.bytes.size()) {
        body.overflowed = true;
        return 0;  // anything but n makes libcurl stop with a write error
    }
    body.bytes.insert(body.bytes.end(), data, data + n);
    return n;
}

long milliseconds(double seconds) {
    if (!std::isfinite(seconds) || seconds <= 0) return 0;  // 0: libcurl's default / no limit
    return seconds >= 86400 ? 86400000L : static_cast<long>(std::ceil(seconds * 1000));
}

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string tooLargeMessage(const std::string& address, std::size_t maxBytes) {
    return "\"" + address + "\" is larger than " + std::to_string(maxBytes) + " bytes";
}

}  // namespace

CurlDataLoader::CurlDataLoader() : CurlDataLoader(Options{}) {}

CurlDataLoader::CurlDataLoader(Options options) : options_(std::move(options)) {
    initialiseCurlOnce();
}

DataLoadResult CurlDataLoader::transfer(const std::string& address, std::size_t maxBytes) const {
    return transfer(options_, address, maxBytes);
}

DataLoadResult CurlDataLoader::transfer(const Options& options, const std::string& address,
                                        std::size_t maxBytes) {
    using Kind = DataLoadError::Kind;
    std::unique_ptr<CURL, void (*)(CURL*)> curl(curl_easy_init(), curl_easy_cleanup);
    if (!curl) return DataLoadResult::failure(Kind::network, "libcurl could not start a transfer");
    Body body;
    body.maxBytes = maxBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    CURL* c = curl.get();
    curl_easy_setopt(c, CURLOPT_URL, address.c_str());
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, options.maxRedirects);
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, milliseconds(options.connectTimeout));
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, milliseconds(options.totalTimeout));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, appendToBody);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(c, CURLOPT_USERAGENT, options.userAgent.c_str());
    if (!options.proxyFromEnvironment) curl_easy_setopt(c, CURLOPT_PROXY, "");

    const CURLcode code = curl_easy_perform(c);
    if (body.overflowed || code == CURLE_FILESIZE_EXCEEDED)
        return DataLoadResult::failure(Kind::tooLarge, tooLargeMessage(address, maxBytes));
    if (code != CURLE_OK) {
        const std::string detail = errorText[0] ? errorText : curl_easy_strerror(code);
        const Kind kind = code == CURLE_OPERATION_TIMEDOUT     ? Kind::timedOut
                          : code == CURLE_UNSUPPORTED_PROTOCOL ? Kind::unsupportedScheme
                                                               : Kind::network;
        return DataLoadResult::failure(kind, "loading \"" + address + "\" failed: " + detail);
    }
    long status = 0;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
    if (status < 200 || status > 299) {
        return DataLoadResult::failure(
            status == 404 ? Kind::notFound : Kind::httpStatus,
            "\"" + address + "\" answered HTTP " + std::to_string(status));
    }
    return {std::move(body.bytes), std::nullopt};
}

void CurlDataLoader::fetch(const std::string& address, std::size_t maxBytes,
                           Completion completion) {
    platformContext().backgroundQueue().addOperation(
        [options = options_, address, maxBytes, completion = std::move(completion)]() mutable {
            deliver(std::move(completion), transfer(options, address, maxBytes));
        });
}

}  // namespace arquorel
