# WindowsUtils.dll, WindowsUtilsHostKit.dll and gkern.dll carry a VERSIONINFO resource, so that a file's properties and
# GetFileVersionInfoW tell which build a host loaded. The numbers come from project(VERSION) alone.
enable_language(RC)

set(WINDOWSUTILS_COPYRIGHT "Copyright (c) 2026 The WindowsUtils developers. MIT licence.")

# windowsutils_version_resource(TARGET DESCRIPTION): compiles a resource naming the target's file.
function(windowsutils_version_resource target description)
  get_target_property(file_name ${target} OUTPUT_NAME)
  if(NOT file_name)
    set(file_name ${target})
  endif()
  set(VERSION_RESOURCE_FILE_NAME ${CMAKE_SHARED_LIBRARY_PREFIX}${file_name}${CMAKE_SHARED_LIBRARY_SUFFIX})
  set(VERSION_RESOURCE_INTERNAL_NAME ${file_name})
  set(VERSION_RESOURCE_DESCRIPTION ${description})
  set(resource ${CMAKE_BINARY_DIR}/version-resources/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${resource} @ONLY)
  target_sources(${target} PRIVATE ${resource})
endfunction()

windowsutils_version_resource(WindowsUtils
  "Conversions between OLE Automation values and the geometric kernel's data model")
windowsutils_version_resource(gkern "Geometric kernel containers, points and matrices")
windowsutils_version_resource(WindowsUtilsHostKit
  "The host kit: WindowsUtils' arguments, checks, results and errors for automation hosts")
