// Environment variables set or cleared for as long as a test fixture lives, each put back as it was.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    // Sets `name` to `value`, or clears it when `value` is null.
    void set(const char* name, const char* value);

private:
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};
