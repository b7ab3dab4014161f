#include "arquorel/places/LogoLoader.h"

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/web/CachingDataLoader.h"

namespace arquorel {
namespace {

// Hands transfers to whichever loader the platform has installed at the time.
class PlatformLoader final : public DataLoader {
  protected:
    void fetch(const std::string& address, std::size_t, Completion completion) override {
        platformContext().dataLoader().load(address, std::move(completion));
    }
};

std::unique_ptr<LogoLoader>& instance() {
    static std::unique_ptr<LogoLoader> loader;
    return loader;
}

}  // namespace

LogoLoader::LogoLoader()
    : loader_(std::make_shared<CachingDataLoader>(std::make_shared<PlatformLoader>())),
      generation_(std::make_shared<int>(0)) {
    loader_->setMaxBytes(DataLoader::kDefaultMaxBytes);
}

LogoLoader& LogoLoader::shared() {
    auto& loader = instance();
    if (!loader) loader.reset(new LogoLoader());
    return *loader;
}

void LogoLoader::reset() {
    instance().reset();
}

void LogoLoader::load(const std::string& address,
                      std::function<void(std::shared_ptr<const Image>)> completion) {
    std::weak_ptr<int> alive = generation_;
    loader_->load(address, [alive, address,
                            completion = std::move(completion)](const DataLoadResult& result) {
        if (alive.expired()) return;  // answered after a reset
        // The platform's loader may carry another cap; a logo is never larger than 1 MB.
        if (!result.ok() || result.bytes.size() > DataLoader::kDefaultMaxBytes) {
            completion(nullptr);
            return;
        }
        const std::string_view bytes(reinterpret_cast<const char*>(result.bytes.data()),
                                     result.bytes.size());
        completion(Image::fromBytes(address, bytes));
    });
}

std::size_t LogoLoader::transfersStarted() const {
    return loader_->transfersStarted();
}

void LogoLoader::emptyCache() {
    loader_->clear();
}

}  // namespace arquorel
