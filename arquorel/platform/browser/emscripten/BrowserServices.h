#pragma once
// The browser's answers to the platform's smaller services: data through fetch (http and
// https only, the loader's size cap), reachability from the browser's online state, addresses
// read with the browser's URL parser, telephone numbers read by the page's libphonenumber-js,
// other applications opened as real links (tel:, mailto:, map applications), mail drafts as
// mailto: links, the system map as the OpenStreetMap web map, sharing through the Web Share
// interface where the browser has it (else the address or text goes to the clipboard, with a
// notice), and the country of a position from the offline table of country areas.

#include <cstdint>
#include <map>
#include <memory>

#include "arquorel/platform/device/URLOpener.h"
#include "arquorel/platform/maps/MapItem.h"
#include "arquorel/platform/sensors/Geocoder.h"
#include "arquorel/platform/system/MailService.h"
#include "arquorel/platform/system/PhoneNumberService.h"
#include "arquorel/platform/system/URLService.h"
#include "arquorel/platform/web/DataLoader.h"
#include "arquorel/platform/web/Reachability.h"
#include "arquorel/platform/web/ShareSheet.h"

namespace arquorel::browser {

class BrowserDataLoader final : public DataLoader {
  public:
    // The page's answer to request `id`: the body, or an error of that kind and message.
    void finish(int id, DataLoadResult result);

  protected:
    void fetch(const std::string& address, std::size_t maxBytes, Completion completion) override;

  private:
    std::map<int, Completion> pending_;
    int nextId_ = 1;
};

class BrowserReachability final : public NetworkReachability {
  public:
    std::unique_ptr<ReachabilityReference> makeReference(const SocketAddressV4& address) override;
};

// Reads addresses by the grammar's parts as written; the browser's URL parser must also accept
// every absolute address with an authority (hosts and ports it cannot read are refused).
class BrowserURLService final : public URLService {
  public:
    URLParseResult parse(std::string_view text) const override;
};

// Numbers of every country, read by the page's libphonenumber-js with its metadata of each
// numbering plan (ARQ.readPhone); `defaultRegion` is an ISO 3166 alpha-2 code in either case.
class BrowserPhoneNumberService final : public PhoneNumberService {
  public:
    PhoneNumberResult read(std::string_view text, std::string_view defaultRegion) const override;
};

class BrowserURLOpener final : public URLOpener {
  public:
    bool canOpen(const std::string& scheme, const std::string& url) const override;
    bool open(const std::string& scheme, const std::string& url) override;
};

class BrowserShareService final : public ShareService {
  public:
    void share(const ShareRecord& record) override;
};

// The page cannot tell whether the user sent the mail: a draft handed to the mail application
// completes as saved, one the browser refused as failed.
class BrowserMailService final : public MailService {
  public:
    bool canSendMail() const override { return true; }
    void compose(const MailDraft& draft, Completion completion) override;
};

class BrowserMapsApplication final : public MapsApplication {
  public:
    bool open(const MapsLaunch& launch) override;
};

class OfflineGeocoder final : public Geocoder,
                              public std::enable_shared_from_this<OfflineGeocoder> {
  public:
    void reverseGeocodeLocation(const Location& location, Completion completion) override;
    void cancelGeocode() override;
    bool isGeocoding() const override { return pending_ != 0; }

  private:
    std::uint64_t pending_ = 0;
    std::uint64_t last_ = 0;
    Completion completion_;
};

}  // namespace arquorel::browser
