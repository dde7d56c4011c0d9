# What `cmake --install` lays out: the library and the kernel it links, the public header and every header
# that `#include <WindowsUtils.h>` reaches, a CMake package (find_package(WindowsUtils CONFIG), target
# WindowsUtils::WindowsUtils) and a pkg-config file (windowsutils.pc). Off Windows the stand-ins of the
# Windows components go along, their headers under include/WindowsUtils/platform/<component>, never
# loose in include/; on Windows the system provides them and only the framework stand-in goes along.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(WINDOWSUTILS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/WindowsUtils)
set(WINDOWSUTILS_PLATFORM_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR}/WindowsUtils/platform)

# The kernel keeps the unversioned name of the library it stands in for, so a host can put the real
# one in its place.
set_target_properties(WindowsUtils PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})

# The headers a caller includes need C++20 (the kernel's records compare with defaulted operators).
target_compile_features(gkern INTERFACE cxx_std_20)

# The platform libraries installed beside the library, and the targets that carry their headers.
set(platform_targets WindowsPlatform WindowsFramework)
if(NOT WIN32)
  list(APPEND platform_targets oleaut32 comsupp gdi32 ucrt kernel32)
endif()

# The header folders the platform targets carry in the build tree, platform/<component>/include, each
# installed as include/WindowsUtils/platform/<component>.
set(platform_header_dirs)
foreach(target IN LISTS platform_targets)
  get_target_property(folders ${target} INTERFACE_INCLUDE_DIRECTORIES)
  foreach(folder IN LISTS folders)
    if(folder MATCHES "^\\$<BUILD_INTERFACE:(.*/platform/([^/]+)/include)>$")
      set(source ${CMAKE_MATCH_1})
      set(component ${CMAKE_MATCH_2})
      if(NOT component IN_LIST platform_header_dirs)
        install(DIRECTORY ${source}/ DESTINATION ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/${component})
        list(APPEND platform_header_dirs ${component})
      endif()
    endif()
  endforeach()
endforeach()
list(TRANSFORM platform_header_dirs PREPEND ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/kernel/include/gkern DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/WindowsUtils.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

# Installed libraries find each other where they lie.
if(NOT WIN32)
  set(installed_libraries WindowsUtils gkern ${platform_targets})
  list(REMOVE_ITEM installed_libraries WindowsPlatform)
  set_target_properties(${installed_libraries} PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
install(TARGETS WindowsUtils gkern
  EXPORT WindowsUtilsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS ${platform_targets}
  EXPORT WindowsUtilsTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${platform_header_dirs})

# The CMake package.
install(EXPORT WindowsUtilsTargets NAMESPACE WindowsUtils:: DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/WindowsUtilsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  INSTALL_DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})

# The pkg-config file, relocatable: the prefix is found from where the file lies.
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH pkgconfig_to_prefix /prefix/${pkgconfig_dir} /prefix)
string(REGEX REPLACE "/$" "" pkgconfig_to_prefix ${pkgconfig_to_prefix})
set(pkgconfig_cflags "-I\${includedir}")
foreach(folder IN LISTS platform_header_dirs)
  file(RELATIVE_PATH folder /prefix/${CMAKE_INSTALL_INCLUDEDIR} /prefix/${folder})
  string(APPEND pkgconfig_cflags " -I\${includedir}/${folder}")
endforeach()
# Callers use the OLE Automation functions and the kernel's points and matrices themselves.
if(WIN32)
  set(pkgconfig_libs "-lWindowsUtils -lgkern -loleaut32 -lole32 -luuid -lgdi32")
else()
  set(pkgconfig_libs "-lWindowsUtils -lgkern -loleaut32 -lcomsupp -lgdi32 -lucrt")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/windowsutils.pc.in ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc DESTINATION ${pkgconfig_dir})
