#pragma once

#include <string>
#include <string_view>

namespace velkaro::sim {

class BusSimulator;

/// The commands velkaro-sim takes on standard input, one per line.
std::string_view consoleHelpText();

/// Carries out operator commands on a running bus: fault and alarm codes,
/// silence, CRC corruption, late replies, noise, and a state listing.
class SimConsole {
public:
    explicit SimConsole(BusSimulator& bus) : m_bus(bus) {}

    /// Runs one command line and returns what to print (ends with a newline,
    /// or empty for a blank line). Sets `quit` on "quit".
    std::string execute(std::string_view line, bool& quit);
    /// One line per drive: address, series, rating, state, frequencies, faults.
    std::string show() const;

private:
    BusSimulator& m_bus;
};

} // namespace velkaro::sim
