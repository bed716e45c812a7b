// The alias file (".als"): the 128 aliases, one per line, after the header.
// Every routine reports its own failures through the main window.
#pragma once
#include <array>
#include <string>
#include <string_view>

#include "common/FilterFile.h"

namespace vantrel {

// The alias window's edit copy: the text of address 0..127.
using AliasGrid = std::array<std::string, 128>;

AliasGrid AliasTableCopy();
// Accept: every text (cut to 255 characters) becomes its address's alias and
// the pending file name becomes the accepted one.
void AcceptAliasGrid(const AliasGrid& grid, const std::string& pendingName);

// Reports "Cannot Create Alias File" / "Cannot Write to Alias File" ("Alias Error").
FileResult WriteAliasFile(const std::string& name, const AliasGrid& grid);
// Fills grid rows in order; after the last line the remaining rows are empty.
// Reports "Cannot Open Alias File", "Invalid Alias File!" and "Cannot Read
// from Alias File!" ("Alias File Error"). After a read failure the rows read
// so far hold their new text.
FileResult ReadAliasFile(const std::string& name, AliasGrid& grid);

// The settings file's AliasFileName: an empty name does nothing. A file read
// in full is applied to the table at once and becomes the accepted name; a
// failure is reported and changes nothing. Always true: the settings load
// goes on with its next line.
bool LoadAliasFileByName(std::string_view name);

}  // namespace vantrel
