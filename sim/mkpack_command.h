// `k5-sim mkpack`: writes a pack from an image file or a generated image.
#pragma once

#include <CLI/CLI.hpp>

namespace k5::sim {

// Adds the subcommand to `app`; the returned callback's exit status is stored in `status`.
void AddMkpackCommand(CLI::App& app, int& status);

}  // namespace k5::sim
