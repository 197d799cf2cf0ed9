#include "globals.h"

std::string GameFolder;
std::int16_t CurrentPlayer = 0;
