// Stands in for the internal interface between the startup objects of Visual C++'s static runtime.
#pragma once

// Runs the module's dynamic initializers; a library keeps its atexit functions until it unloads.
void RunModuleInitializers(bool library);
// A library's atexit functions, in reverse order, and its type names.
void RunLibraryTerminators();
