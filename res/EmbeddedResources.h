#pragma once

#include <string_view>

// The bytes of a resource file carried in the executable (see res/CMakeLists.txt), or an empty
// view when there is none of that name.
std::string_view embeddedResource(std::string_view name);
