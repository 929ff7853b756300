#include "platform/settings/user_registry.h"

#include "platform/settings/linux/SettingsFileRegistry.h"

std::unique_ptr<RegistryApi> make_user_registry() {
    return std::make_unique<SettingsFileRegistry>();
}
