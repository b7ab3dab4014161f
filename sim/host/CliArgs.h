#pragma once
// Helpers shared by the arquorel-sim commands: flag parsing, the "--at LAT,LNG" position and
// the other flags of the picture commands, reading a places file with its problems reported,
// and aligned text tables.

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "arquorel/places/PlacesFile.h"
#include "arquorel/platform/geometry/Geometry.h"
#include "arquorel/platform/sensors/Location.h"

namespace arquorel::sim {

inline constexpr int kExitOk = 0;
inline constexpr int kExitUsage = 2;  // usage errors and unusable input

struct FlagSpec {
    std::string name;  // without the leading "--"
    bool takesValue = true;
};

// Flags given as "--name VALUE", "--name=VALUE" or, for switches, "--name"; each at most once.
class Flags {
  public:
    // Parses `args` against `specs`. Unknown flags, stray arguments, a missing value and a
    // repeated flag give none and a message in `error`.
    static std::optional<Flags> parse(const std::vector<std::string>& args,
                                      const std::vector<FlagSpec>& specs, std::string& error);

    bool has(std::string_view name) const;
    std::optional<std::string> value(std::string_view name) const;

  private:
    std::vector<std::pair<std::string, std::string>> values_;
};

// True when the arguments ask for help ("--help" or "-h" anywhere).
bool wantsHelp(const std::vector<std::string>& args);

// One command's usage line, help text and error path.
class CommandUsage {
  public:
    CommandUsage(std::string_view name, std::string_view synopsis, std::ostream& err);
    // Prints the usage line and `description` to `out` when the arguments ask for help.
    bool helpAsked(const std::vector<std::string>& args, std::string_view description,
                   std::ostream& out) const;
    // Prints "arquorel-sim NAME: MESSAGE" and the usage line; returns kExitUsage.
    int fail(const std::string& message) const;
    // The non-empty value of a flag that must be given; none, with `error` set, otherwise.
    static std::optional<std::string> required(const Flags& flags, std::string_view name,
                                               std::string_view placeholder, std::string& error);

  private:
    std::string name_;
    std::string usage_;
    std::ostream& err_;
};

// "LAT,LNG" in degrees: two finite numbers, latitude within [-90, 90] and longitude within
// [-180, 180]. Spaces around the numbers are allowed.
std::optional<Coordinate> parseLatLng(std::string_view text, std::string& error);

// The position given with "--at LAT,LNG"; none, with `error` set, when missing or malformed.
std::optional<Coordinate> requiredPosition(const Flags& flags, std::string& error);

// A finite number making up the whole text; none otherwise.
std::optional<double> parseNumber(const std::string& text);

// The compass heading given with "--heading DEG", within [0, 360); none, with `error` set,
// when missing or malformed.
std::optional<double> requiredHeading(const Flags& flags, std::string& error);

// The pitch given with "--pitch DEG", within [-90, 90]; none, with `error` set, when missing or
// malformed.
std::optional<double> requiredPitch(const Flags& flags, std::string& error);

// "WIDTHxHEIGHT" in points, each from 100 to 10000.
std::optional<Size> parseScreenSize(const std::string& text, std::string& error);

struct ScreenSetup {
    Size size;
    double scale = 2;
};

// "WIDTHxHEIGHT[@SCALE]": points from 100 to 10000 each way and a scale from 1 to 4, 2 when
// not given; none when malformed.
std::optional<ScreenSetup> parseScreenSetup(const std::string& text);

// What a picture of the simulated device is asked for with: the flags --places FILE,
// --at LAT,LNG, --heading DEG, --screen WxH[@S], --lang en|fr, --png OUT.png, --tree and --a11y.
struct PictureRequest {
    std::string places;
    Coordinate at;
    double heading = 0;
    Size screen{375, 812};
    double scale = 2;
    std::string language = "en";
    std::string png;
    bool tree = false;
    bool a11y = false;  // print the accessibility tree
};

// Parses `args` for the picture flags and a command's `ownSpecs` into `request`. The flags are
// checked in the order of the usage lines: --places, --at, --heading, --screen, --lang, then
// the command's own with `readOwn` (false, with `error` set, when one is malformed), then --png.
// False, with `error` set, at the first flag that is missing or malformed.
bool readPictureRequest(const std::vector<std::string>& args, std::vector<FlagSpec> ownSpecs,
                        PictureRequest& request, std::string& error,
                        const std::function<bool(const Flags&)>& readOwn);

// Loads a places file. A file that cannot be used at all (unreadable, not JSON, not an array)
// is reported on `err` and gives none; problems of single records stay in the result.
std::optional<PlacesFile> readPlacesFile(const std::string& path, std::ostream& err);

// "Source: PATH", followed by the attribution line for the bundled OpenStreetMap data.
void printDataSource(const std::string& path, std::ostream& out);

// How many elements were read, how many records were kept and left out, and every problem.
void printPlacesSummary(const PlacesFile& file, std::ostream& out);

// Text as it may go to a terminal: control characters (which would break lines or act as
// terminal commands) become U+FFFD. The input is UTF-8.
std::string printable(std::string_view text);

// A number with a fixed count of decimals ("%.*f").
std::string formatFixed(double value, int decimals);

// Number of characters (code points) of a UTF-8 text.
std::size_t characterCount(std::string_view text);

// Rows of cells printed in columns as wide as their widest cell, counted in characters,
// separated by two spaces. `rightAligned[i]` aligns column i to the right.
void printTable(const std::vector<std::vector<std::string>>& rows,
                const std::vector<bool>& rightAligned, std::ostream& out);

}  // namespace arquorel::sim
