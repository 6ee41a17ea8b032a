#pragma once

#include <string>

#include "K7QPreviewSetup.h"

// `k7q serve` runs in a program of its own, k7q-serve, beside k7q: only it
// links the HTTP library, whose Debian build brings the TLS library and its
// start-up into every program that links it, and every other k7q command
// would pay for that on each start.
inline const std::string kK7QServeUsage =
    std::string("serve MACRO [--port N] [--watch-stdin] ") + CK7QPreviewSetup::kUsage;
inline constexpr const char* kK7QServeProgram = "k7q-serve";
