// The current user's settings store of the system the program is built for.
#pragma once

#include "platform/settings/RegistryApi.h"

#include <memory>

std::unique_ptr<RegistryApi> make_user_registry();
