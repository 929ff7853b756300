#include "support/ScopedEnvironment.h"

#include <cstdlib>

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            setenv(it->first.c_str(), it->second->c_str(), 1);
        else
            unsetenv(it->first.c_str());
    }
}

void ScopedEnvironment::set(const char* name, const char* value) {
    const char* previous = std::getenv(name);
    saved_.emplace_back(name, previous != nullptr ? std::optional<std::string>(previous) : std::nullopt);
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
}
