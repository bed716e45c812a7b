// Display names of the 128 slave addresses. Main thread only.
#pragma once
#include <string>

namespace vantrel {

// The alias of a 7-bit address; "Range Error" outside 0..127. By default "#"
// and the address byte (R/W clear) in two hex digits: #00, #02, ..., #FE.
const std::string& AliasText(int address7);
// Accept's rule: the text is cut to 255 characters.
void SetAlias(int address7, const std::string& text);
std::string DefaultAliasText(int address7);
// Every entry back to its default text (the file name is not touched).
void ResetAliasTable();

// The alias file whose contents were last accepted (stored in the settings).
const std::string& AliasFileName();
void SetAliasFileName(const std::string& name);

// Set by the alias window: called when a settings load replaced the table, so
// that an open window shows the new aliases.
extern void (*AliasTableChanged)();

}  // namespace vantrel
