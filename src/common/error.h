// The one exception type of the program: a failure that carries one line of text for the user.
#pragma once

#include <stdexcept>
#include <string>

namespace vexaris {

class Error : public std::runtime_error
{
public:
    explicit Error(const std::string &message)
        : std::runtime_error(message)
    {
    }
};

} // namespace vexaris
