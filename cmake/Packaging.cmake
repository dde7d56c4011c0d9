# The release packages, made by CPack from the install rules (scripts/package makes and checks them):
# WindowsUtils-<version>-Linux.tar.gz and, from a build configured with WINDOWSUTILS_DEBIAN_PACKAGE,
# windowsutils-dev_<version>_amd64.deb on Linux; WindowsUtils-<version>-win64.zip on Windows.
set(CPACK_PACKAGE_NAME WindowsUtils)
set(CPACK_PACKAGE_VENDOR "The WindowsUtils developers")
set(CPACK_PACKAGE_CONTACT "The WindowsUtils developers <developers@windowsutils.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Conversions between OLE Automation values and the geometric kernel's data model")
# Debian shows the long description as it stands: lines of at most 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "WindowsUtils converts the values that travel through OLE Automation (VARIANTs"
  "holding SAFEARRAYs of numbers, BSTR strings, OLE font objects) to and from a"
  "geometric kernel's containers, points, matrices, strings and font descriptions,"
  "exactly to the bit. On Linux it comes with small stand-ins of the Windows"
  "components it calls.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
# A release carries no symbol tables: the exports are the interface.
set(CPACK_STRIP_FILES ON)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win64)
elseif(WINDOWSUTILS_DEBIAN_PACKAGE)
  set(CPACK_GENERATOR DEB)
else()
  set(CPACK_GENERATOR TGZ)
endif()

set(CPACK_DEBIAN_PACKAGE_NAME windowsutils-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Depends is what dpkg-shlibdeps finds the libraries need (the C and C++ run-times); the package's own
# libraries need one another, and it looks for those in the staged package.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_INSTALL_LIBDIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
# The loader's cache is brought up to date by dpkg's trigger, once per run of dpkg.
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers "activate-noawait ldconfig\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${CMAKE_CURRENT_BINARY_DIR}/debian/triggers)

# What the packages hold, and nothing else (no examples, no tests): scripts/package builds this target
# and configures with CMAKE_SKIP_INSTALL_ALL_DEPENDENCY, so that CPack does not build everything first.
set(packaged_targets WindowsUtils gkern ${platform_targets})
list(REMOVE_ITEM packaged_targets WindowsPlatform)
add_custom_target(package_contents)
add_dependencies(package_contents ${packaged_targets})
if(TARGET debian_changelog)
  add_dependencies(package_contents debian_changelog)
endif()

include(CPack)
