#include "arquorel/platform/browser/BrowserLinks.h"

#include <gtest/gtest.h>

namespace arquorel::browser {
namespace {

TEST(BrowserLinksTest, MailDraftsBecomeMailtoAddresses) {
    struct Case {
        MailDraft draft;
        std::string url;
    };
    const Case cases[] = {
        {{{"info@casino.mc"}, "", ""}, "mailto:info@casino.mc"},
        {{{"a@b.org", "c.d@e.org"}, "", ""}, "mailto:a@b.org,c.d@e.org"},
        // Characters that would start a query, a fragment or another header are escaped.
        {{{"a+b&c?d#e@x.org"}, "", ""}, "mailto:a%2Bb%26c%3Fd%23e@x.org"},
        {{{"a@b.org"}, "Table for 2 & more", ""},
         "mailto:a@b.org?subject=Table%20for%202%20%26%20more"},
        // Bodies: UTF-8 escaped byte by byte, line breaks as CRLF (never doubled).
        {{{"a@b.org"}, "", "Café\nsoir\r\nfin"},
         "mailto:a@b.org?body=Caf%C3%A9%0D%0Asoir%0D%0Afin"},
        {{{"a@b.org"}, "Hi", "x"}, "mailto:a@b.org?subject=Hi&body=x"},
        {{{"", "a@b.org"}, "", ""}, "mailto:a@b.org"},
        {{{}, "", ""}, "mailto:"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(mailtoURL(c.draft), c.url);
    }
}

TEST(BrowserLinksTest, MapLaunchesBecomeWebMapAddresses) {
    const MapItem casino{false, {43.7393682, 7.4272085}, "Casino", {}};
    const MapItem rock{false, {43.7314, 7.4199}, "Rock", {}};
    const MapItem south{false, {-33.5, -70.25}, "", {}};
    const MapItem offGlobe{false, {91, 0}, "", {}};
    const MapItem here = MapItem::currentLocation();
    struct Case {
        MapsLaunch launch;
        std::string url;
    };
    const Case cases[] = {
        {{{here, casino}, DirectionsMode::walking},
         "https://www.openstreetmap.org/directions?engine=fossgis_osrm_foot&route="
         "%3B43.7393682%2C7.4272085"},
        {{{rock, casino}, DirectionsMode::driving},
         "https://www.openstreetmap.org/directions?engine=fossgis_osrm_car&route="
         "43.7314%2C7.4199%3B43.7393682%2C7.4272085"},
        {{{here, south}, DirectionsMode::transit},
         "https://www.openstreetmap.org/directions?route=%3B-33.5%2C-70.25"},
        {{{casino}, std::nullopt},
         "https://www.openstreetmap.org/?mlat=43.7393682&mlon=7.4272085#map=18/43.7393682/"
         "7.4272085"},
        // The destination is the last item with a valid coordinate.
        {{{rock, offGlobe}, std::nullopt},
         "https://www.openstreetmap.org/?mlat=43.7314&mlon=7.4199#map=18/43.7314/7.4199"},
        {{{casino}, DirectionsMode::walking},
         "https://www.openstreetmap.org/directions?engine=fossgis_osrm_foot&route="
         "%3B43.7393682%2C7.4272085"},
        {{{here}, DirectionsMode::walking}, ""},
        {{{offGlobe}, std::nullopt}, ""},
        {{{}, std::nullopt}, ""},
        // Negative zero is written as zero; seven decimals (a centimetre) at most.
        {{{MapItem{false, {-0.0, 0.123456789}, "", {}}}, std::nullopt},
         "https://www.openstreetmap.org/?mlat=0&mlon=0.1234568#map=18/0/0.1234568"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        EXPECT_EQ(webMapURL(c.launch), c.url);
    }
}

}  // namespace
}  // namespace arquorel::browser
