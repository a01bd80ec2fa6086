#pragma once

#include <string>

// The folder of the user's own data that our programs keep from one run to the
// next (the translation memory, the personal word lists):
// $XDG_DATA_HOME/Velmora Tamrix, with ~/.local/share standing in for an unset
// or relative XDG_DATA_HOME. Not created here.
std::string UserDataFolder();
