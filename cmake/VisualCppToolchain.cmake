# Makes the files the Microsoft-ABI toolchain (clang-msvc-x86_64.cmake) needs in the build folder, once:
# the STL's headers unpacked, import libraries that Wine lacks, and the static runtime library.

function(windowsutils_msvc_stl_archive result)
  set(folder ${WINDOWSUTILS_MSVC_STL})
  if(NOT folder)
    set(folder $ENV{WINDOWSUTILS_MSVC_STL})
  endif()
  if(NOT folder)
    get_filename_component(folder ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../../shared/msvc-stl ABSOLUTE)
  endif()
  file(GLOB archive ${folder}/stl-inc-*.tar.xz)
  if(NOT archive)
    message(FATAL_ERROR "No Microsoft STL headers (stl-inc-*.tar.xz) in ${folder}: name their folder "
      "with WINDOWSUTILS_MSVC_STL")
  endif()
  list(GET archive 0 archive)
  set(${result} ${archive} PARENT_SCOPE)
endfunction()

# An import library made from the export table of Wine's DLL (Wine's own lists none of msvcp140's
# C++ functions).
function(windowsutils_import_library dir dll)
  set(library ${dir}/lib/${dll}.lib)
  if(EXISTS ${library})
    return()
  endif()
  execute_process(COMMAND llvm-readobj-16 --coff-exports ${wine_windows_libraries}/${dll}.dll
    OUTPUT_VARIABLE table COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "Name: [^\n]+" names "${table}")
  list(TRANSFORM names REPLACE "^Name: " "  ")
  list(JOIN names "\n" names)
  file(WRITE ${dir}/lib/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${names}\n")
  execute_process(COMMAND llvm-dlltool-16 -m i386:x86-64 -d ${dir}/lib/${dll}.def -l ${library}
    COMMAND_ERROR_IS_FATAL ANY)
endfunction()

function(windowsutils_prepare_msvc_toolchain dir)
  if(NOT EXISTS ${dir}/stl/inc/vector)
    windowsutils_msvc_stl_archive(archive)
    file(MAKE_DIRECTORY ${dir})
    execute_process(COMMAND tar -xJf ${archive} -C ${dir} COMMAND_ERROR_IS_FATAL ANY)
  endif()
  file(MAKE_DIRECTORY ${dir}/lib ${dir}/obj)
  foreach(dll msvcp140 msvcp140_1 msvcp140_2 msvcp140_atomic_wait)
    windowsutils_import_library(${dir} ${dll})
  endforeach()

  # Wine's import libraries under the names a Visual C++ link asks for (oleaut32.lib for liboleaut32.a).
  file(GLOB wine_libraries ${wine_windows_libraries}/lib*.a)
  foreach(library ${wine_libraries})
    get_filename_component(name ${library} NAME_WE)
    string(REGEX REPLACE "^lib" "" name ${name})
    if(NOT EXISTS ${dir}/lib/${name}.lib)
      file(CREATE_LINK ${library} ${dir}/lib/${name}.lib SYMBOLIC)
    endif()
  endforeach()

  # The static runtime: rebuilt when one of its sources changed.
  set(runtime ${dir}/lib/visual-cpp-runtime.lib)
  file(GLOB sources ${source_dir}/platform/visual-cpp-runtime/src/*.cpp
    ${source_dir}/platform/visual-cpp-runtime/src/*.h ${source_dir}/platform/visual-cpp-runtime/include/*.h)
  # A change to one of them configures anew, which rebuilds the library.
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${sources})
  set(stale NO)
  foreach(source ${sources})
    if(NOT EXISTS ${runtime} OR ${source} IS_NEWER_THAN ${runtime})
      set(stale YES)
    endif()
  endforeach()
  if(stale)
    separate_arguments(flags UNIX_COMMAND "${msvc_flags}")
    set(objects)
    foreach(source ${sources})
      if(source MATCHES "\\.cpp$")
        get_filename_component(name ${source} NAME_WE)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} ${flags} -std=c++20 -O2 -D_DLL -D_MT -Wall -Wextra
          -Werror -c ${source} -o ${dir}/obj/${name}.obj COMMAND_ERROR_IS_FATAL ANY)
        list(APPEND objects ${dir}/obj/${name}.obj)
      endif()
    endforeach()
    file(REMOVE ${runtime})
    execute_process(COMMAND /usr/lib/llvm-16/bin/llvm-lib /out:${runtime} ${objects} COMMAND_ERROR_IS_FATAL ANY)
  endif()
endfunction()
