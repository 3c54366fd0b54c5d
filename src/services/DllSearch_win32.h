// Where the program looks for the libraries it loads by name.
#pragma once

namespace kestrelon {

// Makes every later load of a library by name search System32 only, so that
// a DLL planted beside the program (a downloads folder) or in the current
// folder is never picked up. Libraries loaded by full path are not affected.
// Run it first thing in the entry point. Returns false when the system has
// no SetDefaultDllDirectories (Windows 7 without its update); the current
// folder is then at least taken out of the search.
bool LoadLibrariesFromSystem32Only();

}  // namespace kestrelon
