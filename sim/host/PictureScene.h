#pragma once
// The parts list and screen share in making a picture of the simulated device: the device set
// up for the request, a host window to present on, and the PNG with its report.

#include <memory>
#include <ostream>
#include <string_view>

#include "arquorel/platform/geometry/Color.h"
#include "arquorel/platform/ui/Window.h"
#include "sim/device/SimPlatform.h"
#include "sim/host/CliArgs.h"

namespace arquorel::sim {

// Sets up `device` for a picture of `request`: console captured, drawing with cairo, a portrait
// main screen of the request's size and scale, and the request's language.
void preparePictureDevice(SimPlatform& device, const PictureRequest& request);

// A fresh shared location manager, started, with the request's position as its latest.
void locateUser(SimPlatform& device, const PictureRequest& request);
// Reports the request's compass heading to the shared location manager (and its subscribers).
void reportHeading(SimPlatform& device, const PictureRequest& request);

// A shown key window over a screen of `size`, its root a plain view controller on which the
// caller presents its screen.
std::shared_ptr<Window> openHostWindow(SimPlatform& device, Size size);

// Draws `window` over `background` at the request's size and scale into the request's PNG and
// starts the report line on `out`: "Wrote PNG (WxH pixels): ". False, with "arquorel-sim
// COMMAND: cannot write PNG: PROBLEM" on `err`, when the file cannot be written.
bool writePicture(std::string_view command, const Window& window, const PictureRequest& request,
                  Color background, std::ostream& out, std::ostream& err);

// The end of the report: the console lines the device captured, the view tree when asked for,
// and the source of the places.
void printPictureNotes(SimPlatform& device, const Window& window, const PictureRequest& request,
                       std::ostream& out);

}  // namespace arquorel::sim
