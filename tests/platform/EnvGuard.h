// Sets an environment variable for one test and puts the old value back.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

class EnvGuard {
public:
    EnvGuard(std::string name, const std::string& value) : m_name(std::move(name)) {
        if (const char* old = std::getenv(m_name.c_str())) m_old = old;
        setenv(m_name.c_str(), value.c_str(), 1);
    }
    ~EnvGuard() {
        if (m_old) {
            setenv(m_name.c_str(), m_old->c_str(), 1);
        } else {
            unsetenv(m_name.c_str());
        }
    }
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};
