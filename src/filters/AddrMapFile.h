// The address map file (".map"): eight rows of 16 hex state codes, one row
// per grid row of the map window. Failures are reported through the main
// window ("Map File Error").
#pragma once
#include <string>

#include "common/FilterFile.h"

namespace vantrel {

// Row r (1..8), column c (1..16): 7-bit address (c - 1) * 8 + (r - 1).
inline constexpr int AddressOfMapCell(int column, int row) { return (column - 1) * 8 + (row - 1); }

// Writes the applied map. A failed write of the header or of a row is
// reported as "Cannot Write to Map File".
FileResult WriteAddrMapFile(const std::string& name);
// Applies each row as it is read (a missing or non-hex character gives DSEL),
// then refreshes the map. The map is untouched when the file cannot be
// opened or its header is wrong; rows read before a read failure stay.
FileResult ReadAddrMapFile(const std::string& name);

}  // namespace vantrel
