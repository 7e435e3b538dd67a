#pragma once

#include <string>

namespace zem::bench {

// A full configuration as a unit would send it: 16 named sources, 192 named
// zones each with an audio block (the DSP modes in turn), restrictions,
// groups, ten favorites, ten EQ presets and the options; about 7,000 lines,
// each ended by CR LF.
std::string FullConfigText();

}  // namespace zem::bench
