#pragma once
// The runtime's random numbers: one sequence per seed.

namespace vb {

// Starts the sequence that `seed` gives; the same seed gives the same numbers again.
void Randomize(double seed);

// The next number of the sequence, from 0 up to but not including 1.
float Rnd();

} // namespace vb
