// Stands in for Visual C++'s console program startup object (mainCRTStartup).
#include <windows.h>

#include <corecrt_startup.h>
#include <stdlib.h>

#include "ModuleRuntime.h"

extern "C" int main(int count, char** arguments, char** environment);

extern "C" int mainCRTStartup() {
    _configure_narrow_argv(_crt_argv_unexpanded_arguments);
    _initialize_narrow_environment();
    RunModuleInitializers(false);
    exit(main(*__p___argc(), *__p___argv(), _get_initial_narrow_environment()));
}
