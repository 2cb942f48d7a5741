// The core reliability helpers (simulator process, process figures), compiled
// into the Qt test programs as well so both suites share one implementation.
#include "reliability/support/process_stats.cpp"
#include "reliability/support/sim_process.cpp"
