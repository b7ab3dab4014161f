// Builds and runs against the installed package: places become annotations.
#include <arquorel/places/Place.h>
#include <arquorel/places/QuorelProperty.h>
#include <sim/device/SimPlatform.h>

#include <cstdio>
#include <memory>

int main() {
    arquorel::sim::SimPlatform device;
    auto record = std::make_shared<arquorel::QuorelProperty>();
    record->name = "Casino";
    record->lat = 43.7393;
    record->lng = 7.4286;
    auto place = arquorel::Place::create(record);
    if (!place) return 1;
    std::printf("consumer: made a place for %s\n", record->displayTitle().c_str());
    return 0;
}
