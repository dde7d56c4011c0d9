# What `cmake --install` lays out: the library and the kernel it links, the host kit beside them (its
# header WindowsUtilsHostKit.h, target WindowsUtils::HostKit, pkg-config windowsutils-hostkit.pc), the
# public header and every header
# that `#include <WindowsUtils.h>` reaches, a CMake package (find_package(WindowsUtils CONFIG), target
# WindowsUtils::WindowsUtils) and a pkg-config file (windowsutils.pc). Off Windows the stand-ins of the
# Windows components go along, their headers under include/WindowsUtils/platform/<component>, never
# loose in include/; on Windows the system provides them and only the framework stand-in goes along.
# The Debian packages install under /usr, the library in the multiarch folder (lib/<triplet>) that
# GNUInstallDirs picks for that prefix, their documents where Debian keeps a package's documents.
#
# Every rule names its component, and the Debian packages split along them as Debian's own libraries
# do: "runtime" is what a program built against the library needs to run (the versioned library, the
# kernel, the stand-ins), "development" what building one needs (headers, the unversioned link, the
# CMake package, windowsutils.pc, the examples). A rule that names none is development's.
option(WINDOWSUTILS_DEBIAN_PACKAGE "Lay the install out for the Debian packages" OFF)
set(WINDOWSUTILS_RUNTIME_PACKAGE libwindowsutils${PROJECT_VERSION_MAJOR})
set(WINDOWSUTILS_DEVELOPMENT_PACKAGE windowsutils-dev)
if(WINDOWSUTILS_DEBIAN_PACKAGE)
  if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "The Debian packages install under /usr: configure with -DCMAKE_INSTALL_PREFIX=/usr")
  endif()
  set(CMAKE_INSTALL_DOCDIR share/doc/${WINDOWSUTILS_DEVELOPMENT_PACKAGE}
    CACHE PATH "Documents of the Debian package")
endif()
set(CMAKE_INSTALL_DEFAULT_COMPONENT_NAME development)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(WINDOWSUTILS_PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/WindowsUtils)
set(WINDOWSUTILS_PLATFORM_HEADER_DIR ${CMAKE_INSTALL_INCLUDEDIR}/WindowsUtils/platform)
# The kernel and the stand-ins keep the unversioned names of what they stand in for, so a host can put
# the real ones in their place: they lie in a folder of our own, where no other program looks for them
# and no other package's library can collide with them. Debian's rules name it after the source package.
string(TOLOWER ${PROJECT_NAME} WINDOWSUTILS_PRIVATE_FOLDER)
set(WINDOWSUTILS_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/${WINDOWSUTILS_PRIVATE_FOLDER})
# An install into the system's library folder (the Debian packages' /usr) stays where it is put and
# names its folders in full; any other (the archive) moves with its folder and names them from there.
set(WINDOWSUTILS_SYSTEM_INSTALL OFF)
if(NOT WIN32 AND CMAKE_INSTALL_FULL_LIBDIR IN_LIST CMAKE_CXX_IMPLICIT_LINK_DIRECTORIES)
  set(WINDOWSUTILS_SYSTEM_INSTALL ON)
endif()

# The headers a caller includes need C++20 (the kernel's records compare with defaulted operators).
target_compile_features(gkern INTERFACE cxx_std_20)

# What the packages hold, and nothing else (no examples, no tests): scripts/package builds this target
# and configures with CMAKE_SKIP_INSTALL_ALL_DEPENDENCY, so that CPack does not build everything first.
# Each installed library adds itself.
add_custom_target(package_contents)

# windowsutils_install_library(TARGET PUBLIC|PRIVATE [INCLUDES folder...])
# Installs a shared library with the rules every one of ours follows. PUBLIC: a library programs link
# by name (libWindowsUtils), versioned as the project is, in the library folder under its versioned
# name (runtime) with its unversioned link (development). PRIVATE: an unversioned one (the kernel,
# the stand-ins), in the private folder (runtime), which the libraries and the programs that link it
# directly find through their RUNPATH. INCLUDES names the include folders a caller of the exported
# target gets (default include/); the headers are installed by rules of their own (development).
function(windowsutils_install_library target kind)
  cmake_parse_arguments(PARSE_ARGV 2 library "" "" "INCLUDES")
  if(kind STREQUAL PUBLIC)
    set(library_dir ${CMAKE_INSTALL_LIBDIR})
    # The SONAME's major version names the runtime package (libwindowsutils1).
    set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  elseif(kind STREQUAL PRIVATE)
    set(library_dir ${WINDOWSUTILS_PRIVATE_LIBDIR})
  else()
    message(FATAL_ERROR "windowsutils_install_library(${target} ${kind}): PUBLIC or PRIVATE")
  endif()
  if(NOT library_INCLUDES)
    set(library_INCLUDES ${CMAKE_INSTALL_INCLUDEDIR})
  endif()
  install(TARGETS ${target}
    EXPORT WindowsUtilsTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    LIBRARY DESTINATION ${library_dir} COMPONENT runtime NAMELINK_COMPONENT development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development
    INCLUDES DESTINATION ${library_INCLUDES})
  add_dependencies(package_contents ${target})
  if(WIN32)
    return()
  endif()
  if(WINDOWSUTILS_SYSTEM_INSTALL)
    set(rpath ${CMAKE_INSTALL_PREFIX}/${WINDOWSUTILS_PRIVATE_LIBDIR})
  elseif(kind STREQUAL PUBLIC)
    set(rpath "$ORIGIN" "$ORIGIN/${WINDOWSUTILS_PRIVATE_FOLDER}")
  else()
    set(rpath "$ORIGIN")
  endif()
  set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
  if(kind STREQUAL PRIVATE)
    # A program that calls a private library itself (SysAllocString, the kernel's points) finds it
    # through its own RUNPATH: the CMake package's link line carries it.
    target_link_options(${target} INTERFACE
      "$<INSTALL_INTERFACE:LINKER:-rpath,$<INSTALL_PREFIX>/${WINDOWSUTILS_PRIVATE_LIBDIR}>")
  endif()
  # Each names the C library it runs on, also one that calls none of it directly (the linker would
  # drop it as not needed): packaging tools tell a shared library from other files by that.
  target_link_options(${target} PRIVATE LINKER:--push-state,--no-as-needed,-lc,--pop-state)
endfunction()

# The platform libraries installed with the library, and the targets that carry their headers.
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
        install(DIRECTORY ${source}/ DESTINATION ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/${component}
          COMPONENT development)
        list(APPEND platform_header_dirs ${component})
      endif()
    endif()
  endforeach()
endforeach()
list(TRANSFORM platform_header_dirs PREPEND ${WINDOWSUTILS_PLATFORM_HEADER_DIR}/)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/kernel/include/gkern DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/WindowsUtils.h ${PROJECT_SOURCE_DIR}/include/WindowsUtilsHostKit.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)

windowsutils_install_library(WindowsUtils PUBLIC)
windowsutils_install_library(WindowsUtilsHostKit PUBLIC)
# The kernel is private too. Programs link it themselves (the headers' templates call it), but through
# the link lines of the CMake package and windowsutils.pc, which carry the private folder for the
# Windows stand-ins anyway; in the library folder it would claim the real kernel's unversioned name
# for the whole system.
windowsutils_install_library(gkern PRIVATE)
# WindowsPlatform carries no file, only the headers and the stand-ins it links: exported, not installed.
install(TARGETS WindowsPlatform EXPORT WindowsUtilsTargets INCLUDES DESTINATION ${platform_header_dirs})
foreach(target IN LISTS platform_targets)
  if(NOT target STREQUAL WindowsPlatform)
    windowsutils_install_library(${target} PRIVATE INCLUDES ${platform_header_dirs})
  endif()
endforeach()

# The CMake package.
install(EXPORT WindowsUtilsTargets NAMESPACE WindowsUtils:: DESTINATION ${WINDOWSUTILS_PACKAGE_DIR}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/WindowsUtilsConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  INSTALL_DESTINATION ${WINDOWSUTILS_PACKAGE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/WindowsUtilsConfigVersion.cmake
  DESTINATION ${WINDOWSUTILS_PACKAGE_DIR} COMPONENT development)

# The pkg-config file, relocatable unless in the system's folders: the prefix is found from where the
# file lies.
set(pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
if(WINDOWSUTILS_SYSTEM_INSTALL)
  set(pkgconfig_prefix ${CMAKE_INSTALL_PREFIX})
else()
  file(RELATIVE_PATH pkgconfig_prefix /prefix/${pkgconfig_dir} /prefix)
  string(REGEX REPLACE "^(.*[^/])/?$" "\${pcfiledir}/\\1" pkgconfig_prefix ${pkgconfig_prefix})
endif()
set(pkgconfig_cflags "-I\${includedir}")
foreach(folder IN LISTS platform_header_dirs)
  file(RELATIVE_PATH folder /prefix/${CMAKE_INSTALL_INCLUDEDIR} /prefix/${folder})
  string(APPEND pkgconfig_cflags " -I\${includedir}/${folder}")
endforeach()
# Callers use the OLE Automation functions and the kernel's points and matrices themselves; off
# Windows those lie in the private folder, which the program then names in its RUNPATH.
if(WIN32)
  set(pkgconfig_libs "-lWindowsUtils -lgkern -loleaut32 -lole32 -luuid -lgdi32")
else()
  set(private "\${libdir}/${WINDOWSUTILS_PRIVATE_FOLDER}")
  set(pkgconfig_libs
    "-L${private} -Wl,-rpath,${private} -lWindowsUtils -lgkern -loleaut32 -lcomsupp -lgdi32 -lucrt")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/windowsutils.pc.in ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/windowsutils-hostkit.pc.in ${CMAKE_CURRENT_BINARY_DIR}/windowsutils-hostkit.pc
  @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/windowsutils.pc ${CMAKE_CURRENT_BINARY_DIR}/windowsutils-hostkit.pc
  DESTINATION ${pkgconfig_dir} COMPONENT development)

# The examples a user starts from: a program built against the installed package, and the automation
# host (built by the Windows build) that serves the library to scripts.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/consumer ${PROJECT_SOURCE_DIR}/examples/automation-host
  DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples COMPONENT development)

# The documents: the licence, the README and the changelog. On Windows they lie at the top of the
# install, beside bin/ and include/.
if(NOT WINDOWSUTILS_DEBIAN_PACKAGE)
  set(documents ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE
    ${PROJECT_SOURCE_DIR}/CHANGELOG.md)
  if(WIN32)
    install(FILES ${documents} DESTINATION . COMPONENT development)
  else()
    install(FILES ${documents} DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)
  endif()
else()
  # Debian wants in each package's own folder the licence as copyright, the upstream changelog as
  # changelog.gz and the Debian one (cmake/debian/changelog, whose latest entry names the version that
  # project() gives) as changelog.Debian.gz, both compressed.
  file(STRINGS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog latest_entry LIMIT_COUNT 1)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/debian/changelog
    ${PROJECT_SOURCE_DIR}/LICENSE)
  if(NOT latest_entry MATCHES "^${WINDOWSUTILS_PRIVATE_FOLDER} \\(${PROJECT_VERSION}-([0-9]+)\\) ")
    message(FATAL_ERROR "cmake/debian/changelog: its latest entry is \"${latest_entry}\", not one for "
      "${PROJECT_VERSION}: add an entry for the version project() gives")
  endif()
  set(WINDOWSUTILS_DEBIAN_REVISION ${CMAKE_MATCH_1})
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license_text)
  file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright
    "WindowsUtils, packaged as ${WINDOWSUTILS_RUNTIME_PACKAGE} and ${WINDOWSUTILS_DEVELOPMENT_PACKAGE}"
    " by its developers.\n\n"
    "Files: *\nCopyright: 2026 The WindowsUtils developers\nLicense: MIT\n\n${license_text}")
  # gzip -9n: the most compression and no time stamp, so the same changelog gives the same bytes.
  set(changelog_sources ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${CMAKE_CURRENT_LIST_DIR}/debian/changelog)
  set(changelog_names changelog.gz changelog.Debian.gz)
  set(compressed)
  foreach(source name IN ZIP_LISTS changelog_sources changelog_names)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/debian/${name}
      COMMAND sh -c "gzip -9n < '${source}' > '${CMAKE_CURRENT_BINARY_DIR}/debian/${name}'"
      DEPENDS ${source} VERBATIM)
    list(APPEND compressed ${CMAKE_CURRENT_BINARY_DIR}/debian/${name})
  endforeach()
  add_custom_target(debian_changelogs ALL DEPENDS ${compressed})
  add_dependencies(package_contents debian_changelogs)
  # The lintian tags the packages answer for, each with its reason (cmake/debian/lintian-overrides).
  foreach(component IN ITEMS runtime development)
    string(TOUPPER ${component} package)
    set(package ${WINDOWSUTILS_${package}_PACKAGE})
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/debian/copyright ${compressed}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
    install(FILES ${CMAKE_CURRENT_LIST_DIR}/debian/lintian-overrides RENAME ${package}
      DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
  endforeach()
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT development)
endif()
