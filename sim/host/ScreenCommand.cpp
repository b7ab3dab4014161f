#include "sim/host/ScreenCommand.h"

#include <sstream>

#include "sim/host/CliArgs.h"

namespace arquorel::sim {

namespace {

// "WxH" or "WxH@S" with a scale from 1 to 4.
bool parseScreen(const std::string& text, ScreenRequest& request, std::string& error) {
    const auto at = text.find('@');
    const auto size = parseScreenSize(text.substr(0, at), error);
    if (!size) {
        error = "--screen must be WIDTHxHEIGHT[@SCALE] in points (100 to 10000), scale 1 to 4: " +
                printable(text);
        return false;
    }
    request.screen = *size;
    if (at == std::string::npos) return true;
    const auto scale = parseNumber(text.substr(at + 1));
    if (!scale || *scale < 1 || *scale > 4) {
        error = "--screen scale must be a number from 1 to 4: " + printable(text);
        return false;
    }
    request.scale = *scale;
    return true;
}

bool parseOptions(const std::string& text, UiOptions& options, std::string& error) {
    std::istringstream list(text);
    std::string name;
    while (std::getline(list, name, ',')) {
        if (name == "debugLabel") {
            options.debugLabel = true;
        } else if (name == "debugSliders") {
            options.simulatorDebugging = true;
        } else if (name == "debugMap") {
            options.debugMap = true;
        } else if (name == "noCloseButton") {
            options.closeButtonEnabled = false;
        } else {
            error =
                "--options takes debugLabel, debugSliders, debugMap and noCloseButton, "
                "separated by commas: " +
                printable(text);
            return false;
        }
    }
    return true;
}

}  // namespace

std::optional<ScreenRequest> parseScreenRequest(const std::vector<std::string>& args,
                                                std::string& error) {
    const auto flags = Flags::parse(args,
                                    {{"places"},
                                     {"at"},
                                     {"heading"},
                                     {"pitch"},
                                     {"screen"},
                                     {"lang"},
                                     {"options"},
                                     {"camera"},
                                     {"png"},
                                     {"tree", false}},
                                    error);
    if (!flags) return std::nullopt;
    ScreenRequest request;
    const auto path = CommandUsage::required(*flags, "places", "FILE", error);
    if (!path) return std::nullopt;
    request.places = *path;
    const auto at = requiredPosition(*flags, error);
    if (!at) return std::nullopt;
    request.at = *at;
    const auto headingText = CommandUsage::required(*flags, "heading", "DEG", error);
    if (!headingText) return std::nullopt;
    const auto heading = parseNumber(*headingText);
    if (!heading || *heading < 0 || *heading >= 360) {
        error = "--heading must be a number of degrees in [0, 360): " + printable(*headingText);
        return std::nullopt;
    }
    request.heading = *heading;
    const auto pitchText = CommandUsage::required(*flags, "pitch", "DEG", error);
    if (!pitchText) return std::nullopt;
    const auto pitch = parseNumber(*pitchText);
    if (!pitch || *pitch < -90 || *pitch > 90) {
        error = "--pitch must be a number of degrees in [-90, 90]: " + printable(*pitchText);
        return std::nullopt;
    }
    request.pitch = *pitch;
    if (const auto text = flags->value("screen"); text && !parseScreen(*text, request, error))
        return std::nullopt;
    if (const auto text = flags->value("lang")) {
        if (*text != "en" && *text != "fr") {
            error = "--lang must be en or fr: " + printable(*text);
            return std::nullopt;
        }
        request.language = *text;
    }
    if (const auto text = flags->value("options");
        text && !parseOptions(*text, request.options, error))
        return std::nullopt;
    if (const auto text = flags->value("camera")) {
        if (*text == "back") {
            request.camera = CameraChoice::back;
        } else if (*text == "front") {
            request.camera = CameraChoice::front;
        } else if (*text == "none") {
            request.camera = CameraChoice::none;
        } else {
            error = "--camera must be back, front or none: " + printable(*text);
            return std::nullopt;
        }
    }
    const auto png = CommandUsage::required(*flags, "png", "OUT.png", error);
    if (!png) return std::nullopt;
    request.png = *png;
    request.tree = flags->has("tree");
    return request;
}

}  // namespace arquorel::sim
