// What paths look like on this system: the separators of their names.
#pragma once

#ifdef _WIN32
constexpr char PATH_SEPARATORS[] = "/\\";
constexpr char PATH_SEPARATOR = '\\';
#else
constexpr char PATH_SEPARATORS[] = "/";
constexpr char PATH_SEPARATOR = '/';
#endif
