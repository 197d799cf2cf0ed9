#include "inifile.h"

// Placeholder until the portable reader and writer land.
std::string IniReadString(const std::string &, const std::string &, const std::string &,
                          const std::string &defaultValue)
{
    return defaultValue;
}

bool IniWriteString(const std::string &, const std::string &, const std::string &,
                    const std::string &)
{
    return false;
}
