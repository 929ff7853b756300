#include "platform/settings/user_registry.h"

#include "platform/settings/windows/WindowsRegistry.h"

std::unique_ptr<RegistryApi> make_user_registry() {
    return std::make_unique<WindowsRegistry>();
}
