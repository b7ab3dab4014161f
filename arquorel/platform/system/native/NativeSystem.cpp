#include "arquorel/platform/system/native/NativeSystem.h"

#include <memory>

#include "arquorel/platform/runtime/PlatformContext.h"
#include "arquorel/platform/system/native/LibphonenumberService.h"
#include "arquorel/platform/system/native/UriparserURLService.h"

namespace arquorel::native {

void installNativeSystemServices(PlatformContext& context) {
    context.setURLService(std::make_shared<UriparserURLService>());
    context.setPhoneNumberService(std::make_shared<LibphonenumberService>());
}

}  // namespace arquorel::native
