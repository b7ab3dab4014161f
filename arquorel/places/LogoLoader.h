#pragma once
// Logos of the cards. Each address is fetched once through the platform's loader and its
// bytes kept in memory (many places share one brand logo); only http and https addresses are
// fetched and bodies above 1 MB are refused. Answers come on the main loop.
#include <functional>
#include <memory>
#include <string>

#include "arquorel/platform/resources/Image.h"
#include "arquorel/platform/web/DataLoader.h"

namespace arquorel {

class CachingDataLoader;

class LogoLoader {
  public:
    // The loader of the process.
    static LogoLoader& shared();
    // Forgets every kept logo and every transfer under way (their answers are dropped): a new
    // device in tests.
    static void reset();

    // The image behind `address`; none when it could not be loaded or is not a picture.
    void load(const std::string& address,
              std::function<void(std::shared_ptr<const Image>)> completion);
    std::size_t transfersStarted() const;
    // Lets the kept logos go (they are fetched again when next asked for); transfers under way
    // still answer.
    void emptyCache();

  private:
    LogoLoader();
    std::shared_ptr<CachingDataLoader> loader_;
    std::shared_ptr<int> generation_;
};

}  // namespace arquorel
