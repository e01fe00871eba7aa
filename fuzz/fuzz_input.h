// Standard input for the fuzz targets: the console-key platform of the fuzz
// build reads from this memory instead of file descriptor 0.
#pragma once

#include <cstddef>
#include <cstdint>

// Serves bytes as standard input, in reads of at most chunk bytes (at least 1),
// so that the input stream's own buffer boundaries fall anywhere.
void set_fuzz_input(const std::uint8_t* bytes, std::size_t size, std::size_t chunk);

// Takes what is left of the input, so the next run starts with nothing pending.
void drain_fuzz_input();

// Sends standard output to /dev/null: the targets print a lot.
void silence_standard_output();
