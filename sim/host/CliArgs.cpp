#include "sim/host/CliArgs.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include <CLI/CLI.hpp>

namespace arquorel::sim {

namespace {

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

std::optional<double> finiteNumber(std::string_view s) {
    s = trimmed(s);
    if (s.size() > 1 && s.front() == '+' && s[1] != '-') s.remove_prefix(1);
    double value = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<Flags> Flags::parse(const std::vector<std::string>& args,
                                  const std::vector<FlagSpec>& specs, std::string& error) {
    // CLI11 splits the arguments into flags and values; the checks below turn what it found
    // into our messages, reporting the problem that comes first on the command line.
    CLI::App app;
    app.set_help_flag();  // help is asked for before parsing, see wantsHelp()
    app.allow_extras();
    std::vector<CLI::Option*> options;
    for (const auto& flagSpec : specs) {
        CLI::Option* option = flagSpec.takesValue
                                  ? app.add_option("--" + flagSpec.name)->expected(0, 1)
                                  : app.add_flag("--" + flagSpec.name);
        option->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)->allow_extra_args(false);
        options.push_back(option);
    }
    try {
        app.parse(std::vector<std::string>(args.rbegin(), args.rend()));
    } catch (const CLI::ParseError& e) {
        error = e.what();
        return std::nullopt;
    }

    // Problems as (position on the command line, message); the first one is reported.
    std::optional<std::pair<std::size_t, std::string>> first;
    const auto report = [&](std::size_t at, std::string message) {
        if (!first || at < first->first) first.emplace(at, std::move(message));
    };
    const auto position = [&](const std::string& arg, std::size_t occurrence = 0) {
        for (std::size_t i = 0; i < args.size(); ++i)
            if (args[i] == arg && occurrence-- == 0) return i;
        return args.size();
    };

    // "--" ends the options for CLI11; here it is an argument like any other.
    if (const std::size_t dashes = position("--"); dashes < args.size())
        report(dashes, "unexpected argument: --");
    if (const auto extras = app.remaining(); !extras.empty()) {
        const std::string& extra = extras.front();
        if (extra.starts_with("--") && extra.size() > 2)
            report(position(extra), "unknown flag: " + extra.substr(0, extra.find('=')));
        else
            report(position(extra), "unexpected argument: " + extra);
    }
    Flags flags;
    for (std::size_t s = 0; s < specs.size(); ++s) {
        const std::string flag = "--" + specs[s].name;
        // Where each use of the flag stands, and whether it was written "--name=VALUE".
        std::vector<std::pair<std::size_t, bool>> uses;
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (args[i] == flag) uses.emplace_back(i, false);
            if (args[i].starts_with(flag + "=")) uses.emplace_back(i, true);
        }
        if (options[s]->count() == 0 || uses.empty()) continue;
        if (uses.size() > 1) report(uses[1].first, flag + " given twice");
        const auto [at, withEquals] = uses.front();
        if (!specs[s].takesValue) {
            if (withEquals) report(at, flag + " takes no value");
            flags.values_.emplace_back(specs[s].name, std::string());
            continue;
        }
        const auto& results = options[s]->results();
        const bool emptyArgument = at + 1 < args.size() && args[at + 1].empty();  // --name ""
        const bool hasValue =
            withEquals || (!results.empty() && (!results.front().empty() || emptyArgument));
        if (!hasValue) report(at, flag + " needs a value");
        flags.values_.emplace_back(specs[s].name,
                                   results.empty() ? std::string() : results.front());
    }
    if (first) {
        error = first->second;
        return std::nullopt;
    }
    return flags;
}

bool Flags::has(std::string_view name) const {
    return std::any_of(values_.begin(), values_.end(),
                       [&](const auto& v) { return v.first == name; });
}

std::optional<std::string> Flags::value(std::string_view name) const {
    for (const auto& [n, v] : values_)
        if (n == name) return v;
    return std::nullopt;
}

bool wantsHelp(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(),
                       [](const std::string& a) { return a == "--help" || a == "-h"; });
}

CommandUsage::CommandUsage(std::string_view name, std::string_view synopsis, std::ostream& err)
    : name_(name), usage_("usage: arquorel-sim " + std::string(synopsis) + "\n"), err_(err) {}

bool CommandUsage::helpAsked(const std::vector<std::string>& args, std::string_view description,
                             std::ostream& out) const {
    if (!wantsHelp(args)) return false;
    out << usage_ << description;
    return true;
}

int CommandUsage::fail(const std::string& message) const {
    err_ << "arquorel-sim " << name_ << ": " << message << "\n" << usage_;
    return kExitUsage;
}

std::optional<std::string> CommandUsage::required(const Flags& flags, std::string_view name,
                                                  std::string_view placeholder,
                                                  std::string& error) {
    auto value = flags.value(name);
    if (value && !value->empty()) return value;
    error = "missing --" + std::string(name) + " " + std::string(placeholder);
    return std::nullopt;
}

std::optional<Coordinate> parseLatLng(std::string_view text, std::string& error) {
    const auto comma = text.find(',');
    if (comma == std::string_view::npos || text.find(',', comma + 1) != std::string_view::npos) {
        error = "--at needs LAT,LNG (two numbers separated by a comma), got \"" + printable(text) +
                "\"";
        return std::nullopt;
    }
    const auto lat = finiteNumber(text.substr(0, comma));
    const auto lng = finiteNumber(text.substr(comma + 1));
    if (!lat || !lng) {
        error = "--at needs two numbers LAT,LNG, got \"" + printable(text) + "\"";
        return std::nullopt;
    }
    if (*lat < -90 || *lat > 90) {
        error = "--at latitude must be within -90..90, got \"" + printable(text) + "\"";
        return std::nullopt;
    }
    if (*lng < -180 || *lng > 180) {
        error = "--at longitude must be within -180..180, got \"" + printable(text) + "\"";
        return std::nullopt;
    }
    return Coordinate{*lat, *lng};
}

std::optional<PlacesFile> readPlacesFile(const std::string& path, std::ostream& err) {
    PlacesFile file = PlacesFile::fromPath(path);
    if (file.error) {
        err << "error: " << printable(file.error->message) << "\n";
        return std::nullopt;
    }
    return file;
}

void printDataSource(const std::string& path, std::ostream& out) {
    out << "Source: " << printable(path) << "\n";
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower.find("monaco") != std::string::npos)
        out << "Data \xC2\xA9 OpenStreetMap contributors, ODbL 1.0\n";
}

void printPlacesSummary(const PlacesFile& file, std::ostream& out) {
    out << "Summary: " << file.elementCount << " records read, " << file.records.size() << " kept, "
        << file.leftOutCount() << " left out, " << file.problems.size()
        << (file.problems.size() == 1 ? " problem" : " problems") << "\n";
    for (const auto& problem : file.problems) out << "  " << printable(problem.text()) << "\n";
}

std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool c0 = c < 0x20 || c == 0x7F;
        // C1 controls U+0080..U+009F are encoded as C2 80..C2 9F.
        const bool c1 = c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c0 || c1) {
            out += "\xEF\xBF\xBD";
            if (c1) ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::size_t characterCount(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char ch) {
        return (static_cast<unsigned char>(ch) & 0xC0) != 0x80;
    }));
}

void printTable(const std::vector<std::vector<std::string>>& rows,
                const std::vector<bool>& rightAligned, std::ostream& out) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        if (widths.size() < row.size()) widths.resize(row.size(), 0);
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], characterCount(row[c]));
    }
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string padding(widths[c] - characterCount(row[c]), ' ');
            const bool right = c < rightAligned.size() && rightAligned[c];
            if (c > 0) line += "  ";
            line += right ? padding + row[c] : row[c] + padding;
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

std::string formatFixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

std::optional<double> parseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::optional<Size> parseScreenSize(const std::string& text, std::string& error) {
    const auto x = text.find_first_of("xX");
    const auto w = x == std::string::npos ? std::nullopt : parseNumber(text.substr(0, x));
    const auto h = x == std::string::npos ? std::nullopt : parseNumber(text.substr(x + 1));
    if (!w || !h || *w < 100 || *h < 100 || *w > 10000 || *h > 10000) {
        error = "--screen must be WIDTHxHEIGHT in points (100 to 10000): " + printable(text);
        return std::nullopt;
    }
    return Size{*w, *h};
}

std::optional<Coordinate> requiredPosition(const Flags& flags, std::string& error) {
    const auto text = CommandUsage::required(flags, "at", "LAT,LNG", error);
    if (!text) return std::nullopt;
    return parseLatLng(*text, error);
}

std::optional<double> requiredHeading(const Flags& flags, std::string& error) {
    const auto text = CommandUsage::required(flags, "heading", "DEG", error);
    if (!text) return std::nullopt;
    const auto heading = parseNumber(*text);
    if (!heading || *heading < 0 || *heading >= 360) {
        error = "--heading must be a number of degrees in [0, 360): " + printable(*text);
        return std::nullopt;
    }
    return heading;
}

std::optional<double> requiredPitch(const Flags& flags, std::string& error) {
    const auto text = CommandUsage::required(flags, "pitch", "DEG", error);
    if (!text) return std::nullopt;
    const auto pitch = parseNumber(*text);
    if (!pitch || *pitch < -90 || *pitch > 90) {
        error = "--pitch must be a number of degrees in [-90, 90]: " + printable(*text);
        return std::nullopt;
    }
    return pitch;
}

std::optional<ScreenSetup> parseScreenSetup(const std::string& text) {
    const auto atSign = text.find('@');
    std::string sizeError;
    const auto size = parseScreenSize(text.substr(0, atSign), sizeError);
    const auto scale = atSign == std::string::npos ? std::optional<double>(2)
                                                   : parseNumber(text.substr(atSign + 1));
    if (!size || !scale || *scale < 1 || *scale > 4) return std::nullopt;
    return ScreenSetup{*size, *scale};
}

bool readPictureRequest(const std::vector<std::string>& args, std::vector<FlagSpec> ownSpecs,
                        PictureRequest& request, std::string& error,
                        const std::function<bool(const Flags&)>& readOwn) {
    std::vector<FlagSpec> specs = {{"places"}, {"at"},  {"heading"},     {"screen"},
                                   {"lang"},   {"png"}, {"tree", false}, {"a11y", false}};
    specs.insert(specs.end(), ownSpecs.begin(), ownSpecs.end());
    const auto flags = Flags::parse(args, specs, error);
    if (!flags) return false;
    const auto path = CommandUsage::required(*flags, "places", "FILE", error);
    if (!path) return false;
    request.places = *path;
    const auto at = requiredPosition(*flags, error);
    if (!at) return false;
    request.at = *at;
    const auto heading = requiredHeading(*flags, error);
    if (!heading) return false;
    request.heading = *heading;
    if (const auto text = flags->value("screen")) {
        const auto setup = parseScreenSetup(*text);
        if (!setup) {
            error =
                "--screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: " +
                printable(*text);
            return false;
        }
        request.screen = setup->size;
        request.scale = setup->scale;
    }
    if (const auto text = flags->value("lang")) {
        if (*text != "en" && *text != "fr") {
            error = "--lang must be en or fr: " + printable(*text);
            return false;
        }
        request.language = *text;
    }
    if (!readOwn(*flags)) return false;
    const auto png = CommandUsage::required(*flags, "png", "OUT.png", error);
    if (!png) return false;
    request.png = *png;
    request.tree = flags->has("tree");
    request.a11y = flags->has("a11y");
    return true;
}

}  // namespace arquorel::sim
