#pragma once
// Installs the native system services (uriparser addresses, libphonenumber numbers) in a
// platform context.

namespace arquorel {
class PlatformContext;
}

namespace arquorel::native {

void installNativeSystemServices(PlatformContext& context);

}  // namespace arquorel::native
