// Endless bus traffic for a recording pod: each call of a scenario appends one
// cycle to the builder. A scenario holds its state by value, so a copy runs
// on from where it was copied and a fresh one always gives the same words.
// Each sets its own bit rate and keeps the builder's choice of bit timing.
#pragma once
#include <cstdint>

#include "tracegen/TraceGen.h"

namespace vantrel {

// A Smart Battery polled by the host every 250 ms at 100 kHz: voltage,
// current, temperature, relative state of charge, battery status (with PEC).
// The battery discharges, raises its capacity alarm, is charged back and
// starts again; every 5 s it writes its charging current and voltage to the
// charger. One cycle is one 250 ms poll period.
BusScenario SmartBatteryScenario(std::uint64_t seed = 0x5B5);

// An EEPROM at 400 kHz: a 16-byte page write, ACK polling through the write
// cycle, a read-back of the page and now and then a current-address read. One
// cycle is one page.
BusScenario EepromScenario(std::uint64_t seed = 0xEE);

// A fully loaded 400 kHz bus: EEPROM, RTC and sensor messages back to back,
// only the bus free time between them. One cycle is 64 messages.
BusScenario LoadedBus400kScenario(std::uint64_t seed = 0x400);

// Back-to-back messages of every kind at 1 MHz, with NACKs and PEC. One cycle
// is 64 messages.
BusScenario Stress1MHzScenario(std::uint64_t seed = 0x1000);

}  // namespace vantrel
